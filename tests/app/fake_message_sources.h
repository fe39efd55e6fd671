#pragma once

#include "app/message_sources.h"
#include "fake_desktop_services.h"

#include <map>
#include <mutex>
#include <set>

namespace apptest
{

// Backups as the model sees them through MessageSources: each source path is described by hand,
// and its messages are a real database file elsewhere. Thread-safe like the real thing.
class FakeMessageSources final : public app::MessageSources
{
public:
    struct Source {
        app::SourceKind kind = app::SourceKind::Database;
        std::filesystem::path database; // what openStore() opens for a usable source
        std::vector<app::BackupDescription> backups; // for a folder of backups
        std::string password; // for an encrypted backup
        std::vector<contacts::ContactRecord> addressBook; // the backup's own contacts, if any
        bool hasAddressBook = false;
        bool unlockFails = false; // the backup cannot be decrypted whatever the password
    };

    void add(const std::filesystem::path &path, Source source)
    {
        const std::lock_guard lock(m_mutex);
        m_sources[path] = std::move(source);
    }

    // Holds every unlock at the gate until the test opens it.
    void holdUnlocks(std::shared_ptr<Gate> gate)
    {
        const std::lock_guard lock(m_mutex);
        m_unlockGate = std::move(gate);
    }

    int unlockAttempts() const
    {
        const std::lock_guard lock(m_mutex);
        return m_unlockAttempts;
    }

    app::SourceCheck check(const std::filesystem::path &path) const override
    {
        const std::lock_guard lock(m_mutex);
        const auto found = m_sources.find(path);
        if (found == m_sources.end())
            return {app::SourceKind::NotFound, path, {}};
        return {found->second.kind, path, found->second.backups};
    }

    app::UnlockOutcome unlock(const std::filesystem::path &backup, const std::string &password) override
    {
        std::shared_ptr<Gate> gate;
        {
            const std::lock_guard lock(m_mutex);
            ++m_unlockAttempts;
            gate = m_unlockGate;
        }
        if (gate)
            gate->wait();
        const std::lock_guard lock(m_mutex);
        const auto found = m_sources.find(backup);
        if (found == m_sources.end() || found->second.unlockFails)
            return app::UnlockOutcome::Failed;
        if (found->second.password != password)
            return app::UnlockOutcome::WrongPassword;
        m_unlocked.insert(backup);
        return app::UnlockOutcome::Unlocked;
    }

    common::Result<store::MessagesStore, store::SQLiteDB::Failure>
    openStore(const std::filesystem::path &source) const override
    {
        std::filesystem::path database;
        {
            const std::lock_guard lock(m_mutex);
            const auto found = m_sources.find(source);
            const bool locked = found != m_sources.end() && found->second.kind == app::SourceKind::EncryptedBackup
                && !m_unlocked.contains(source);
            if (found == m_sources.end() || locked)
                return common::failure(store::SQLiteDB::Failure::open(14, "not open"));
            database = found->second.database;
        }
        return store::MessagesStore::open(database);
    }

    std::shared_ptr<contacts::ContactsService> contacts(const std::filesystem::path &source) const override
    {
        const std::lock_guard lock(m_mutex);
        const auto found = m_sources.find(source);
        if (found == m_sources.end() || !found->second.hasAddressBook)
            return nullptr;
        return std::make_shared<FakeContactsService>(found->second.addressBook);
    }

private:
    mutable std::mutex m_mutex;
    std::map<std::filesystem::path, Source> m_sources;
    std::set<std::filesystem::path> m_unlocked;
    std::shared_ptr<Gate> m_unlockGate;
    int m_unlockAttempts = 0;
};

} // namespace apptest
