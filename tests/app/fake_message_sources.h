#pragma once

#include "fake_desktop_services.h"
#include "sources/message_sources.h"

#include <map>
#include <mutex>
#include <set>

namespace apptest
{

// Backups as the model sees them through MessageSources: each source path is described by hand,
// and its messages are a real database file elsewhere. Thread-safe like the real thing.
class FakeMessageSources final : public sources::MessageSources
{
public:
    struct Source {
        sources::SourceKind kind = sources::SourceKind::Database;
        std::filesystem::path database; // what openStore() opens for a usable source
        std::vector<sources::BackupDescription> backups; // for a folder of backups
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

    sources::SourceCheck check(const std::filesystem::path &path) const override
    {
        const std::lock_guard lock(m_mutex);
        const auto found = m_sources.find(path);
        if (found == m_sources.end())
            return {sources::SourceKind::NotFound, path, {}, false};
        const bool unlocked = found->second.kind == sources::SourceKind::EncryptedBackup && m_unlocked.contains(path);
        return {found->second.kind, path, found->second.backups, unlocked};
    }

    sources::UnlockReport
    unlock(const std::filesystem::path &backup, std::string_view password, const std::stop_token &stop) override
    {
        std::shared_ptr<Gate> gate;
        {
            const std::lock_guard lock(m_mutex);
            ++m_unlockAttempts;
            gate = m_unlockGate;
        }
        if (gate)
            gate->wait(stop);
        if (stop.stop_requested())
            return {sources::UnlockOutcome::Cancelled};
        const std::lock_guard lock(m_mutex);
        const auto found = m_sources.find(backup);
        if (found == m_sources.end() || found->second.kind != sources::SourceKind::EncryptedBackup
            || found->second.unlockFails)
            return {sources::UnlockOutcome::Failed};
        if (found->second.password != password)
            return {sources::UnlockOutcome::WrongPassword};
        m_unlocked.insert(backup);
        return {sources::UnlockOutcome::Unlocked};
    }

    void forget(const std::filesystem::path &backup) override
    {
        const std::lock_guard lock(m_mutex);
        m_unlocked.erase(backup);
    }

    common::Result<store::MessagesStore, store::SQLiteDB::Failure>
    openStore(const std::filesystem::path &source) const override
    {
        std::filesystem::path database;
        {
            const std::lock_guard lock(m_mutex);
            if (!usable(source))
                return common::failure(store::SQLiteDB::Failure::open(14, "not open"));
            const auto found = m_sources.find(source);
            database = found->second.database;
        }
        return store::MessagesStore::open(database);
    }

    std::shared_ptr<contacts::ContactsService> contacts(const std::filesystem::path &source) const override
    {
        const std::lock_guard lock(m_mutex);
        const auto found = m_sources.find(source);
        if (!usable(source) || !found->second.hasAddressBook)
            return nullptr;
        return std::make_shared<FakeContactsService>(found->second.addressBook);
    }

private:
    // Called with the mutex held.
    bool usable(const std::filesystem::path &source) const
    {
        const auto found = m_sources.find(source);
        if (found == m_sources.end())
            return false;
        return sources::SourceCheck{found->second.kind, source, {}, m_unlocked.contains(source)}.usable();
    }

    mutable std::mutex m_mutex;
    std::map<std::filesystem::path, Source> m_sources;
    std::set<std::filesystem::path> m_unlocked;
    std::shared_ptr<Gate> m_unlockGate;
    int m_unlockAttempts = 0;
};

} // namespace apptest
