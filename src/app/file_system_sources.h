#pragma once

#include "database_file_sources.h"
#include "message_sources.h"

#include "sources/message_source.h"

#include <mutex>
#include <optional>

namespace app
{

// Messages as they lie on disk: a Messages database file (or a copied Messages folder holding
// one), an iPhone backup folder, or a folder holding backups. Database files are told apart by
// DatabaseFileSources; folders are read as backups first.
//
// The backup opened last is kept, so that a load and an export after a check do not read its
// Manifest.db and address book again; opening another source drops it. An encrypted backup, once
// unlocked, is kept with its keys until another path is checked, so that loads and exports never
// derive them again; then its keys are wiped. All calls are safe from any thread.
class FileSystemSources final : public MessageSources
{
public:
    SourceCheck check(const std::filesystem::path &path) const override;

    UnlockOutcome unlock(const std::filesystem::path &backup, const std::string &password) override;

    common::Result<store::MessagesStore, store::SQLiteDB::Failure>
    openStore(const std::filesystem::path &source) const override;

    // The backup's address book when it has one; nothing for a database file.
    std::shared_ptr<contacts::ContactsService> contacts(const std::filesystem::path &source) const override;

private:
    // The opened backup at `source`: the one kept, else opened now (and kept); nothing when no
    // backup with messages can be read there.
    std::optional<sources::MessageSource> backupAt(const std::filesystem::path &source) const;
    void keep(std::optional<sources::MessageSource> backup) const;
    // Drops (and so wipes the keys of) the unlocked backup unless it is at `path`.
    void forgetUnlockedOtherThan(const std::filesystem::path &path) const;

    struct Unlocked {
        std::filesystem::path folder;
        sources::MessageSource source;
    };

    DatabaseFileSources m_databases;
    mutable std::mutex m_mutex;
    mutable std::optional<sources::MessageSource> m_kept; // guarded by m_mutex
    mutable std::optional<Unlocked> m_unlocked; // guarded by m_mutex
};

} // namespace app
