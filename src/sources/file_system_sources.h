#pragma once

#include "sources/message_source.h"
#include "sources/message_sources.h"

#include <map>
#include <mutex>
#include <optional>

namespace sources
{

// The kind of source a problem of openSource() makes of a path, and the path it names.
[[nodiscard]] SourceCheck checkOf(const SourceProblem &problem);

// How the picker shows a backup.
[[nodiscard]] BackupDescription describe(const BackupInfo &backup);

// Messages as they lie on disk, decided by openSource(): the same paths are sources here and
// for the command line.
//
// The source opened last is kept, so that a load and an export after a check do not read its
// schema, Manifest.db and address book again; opening another source drops it. Unlocked backups
// are kept with their keys, one per folder, until forget() names them or the object goes; then
// their keys are wiped (once no store opened from them is left). All calls are safe from any
// thread.
class FileSystemSources final : public MessageSources
{
public:
    SourceCheck check(const std::filesystem::path &path) const override;

    UnlockReport
    unlock(const std::filesystem::path &backup, std::string_view password, const std::stop_token &stop) override;

    void forget(const std::filesystem::path &backup) override;

    common::Result<store::MessagesStore, store::SQLiteDB::Failure>
    openStore(const std::filesystem::path &source) const override;

    std::shared_ptr<contacts::ContactsService> contacts(const std::filesystem::path &source) const override;

private:
    // The usable source at `path`: an unlocked backup, the one kept, else opened now (and kept).
    common::Result<MessageSource, SourceProblem> usableAt(const std::filesystem::path &path) const;
    void keep(const MessageSource &source) const;

    mutable std::mutex m_mutex;
    mutable std::optional<MessageSource> m_kept; // guarded by m_mutex
    std::map<std::filesystem::path, MessageSource> m_unlocked; // by backup folder; guarded by m_mutex
};

} // namespace sources
