#include "file_system_sources.h"

#include "sources/encrypted_backup.h"

#include <algorithm>
#include <type_traits>

#include <sys/stat.h>

namespace app
{

namespace
{

namespace fs = std::filesystem;
namespace problem = sources::problem;

// A backup's address book, always open to read: the backup was chosen by the user, and the
// people in it came with it.
class AddressBookContacts final : public contacts::ContactsService
{
public:
    explicit AddressBookContacts(sources::MessageSource backup)
        : m_backup(std::move(backup))
    {
    }

    contacts::AuthorizationStatus authorizationStatus() const override
    {
        return contacts::AuthorizationStatus::Authorized;
    }

    bool requestAccess() override { return true; }

    bool enumerate(const std::function<void(const contacts::ContactRecord &)> &onContact) override
    {
        for (const auto &record : m_backup.addressBook())
            onContact(record);
        return true;
    }

private:
    sources::MessageSource m_backup; // shares the records read when the backup was opened
};

bool isFolder(const fs::path &path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

BackupDescription describe(const sources::BackupInfo &backup)
{
    BackupDescription description{backup.folder, backup.deviceName, std::nullopt, backup.encrypted, backup.complete};
    if (backup.lastBackup)
        description.date = std::chrono::system_clock::time_point(std::chrono::seconds(*backup.lastBackup));
    return description;
}

// Newest first; backups that do not say when they were made come last, in folder order.
std::vector<BackupDescription> describeAll(const std::vector<sources::BackupInfo> &backups)
{
    std::vector<BackupDescription> described;
    described.reserve(backups.size());
    for (const auto &backup : backups)
        described.push_back(describe(backup));
    std::ranges::stable_sort(described, [](const BackupDescription &a, const BackupDescription &b) {
        if (!a.date || !b.date)
            return a.date.has_value() && !b.date.has_value();
        return *a.date > *b.date;
    });
    return described;
}

} // namespace

SourceCheck FileSystemSources::check(const fs::path &path) const
{
    forgetUnlockedOtherThan(path);
    if (!isFolder(path)) {
        keep(std::nullopt);
        return m_databases.check(path);
    }
    auto opened = sources::openSource(path);
    if (opened && opened->kind() == sources::MessageSource::Kind::Backup) {
        SourceCheck found{SourceKind::Backup, opened->path(), {}};
        keep(std::move(*opened));
        return found;
    }
    if (opened) {
        // No longer a folder by the time it was opened: a file is a database's business.
        keep(std::nullopt);
        return m_databases.check(path);
    }
    return std::visit(
        [&](const auto &why) -> SourceCheck {
            using Problem = std::decay_t<decltype(why)>;
            if constexpr (std::is_same_v<Problem, problem::NotFound>)
                return {SourceKind::NotFound, path, {}};
            else if constexpr (std::is_same_v<Problem, problem::NotRegularFile>)
                return {SourceKind::NotRegularFile, path, {}};
            else if constexpr (std::is_same_v<Problem, problem::Unreadable>)
                return {SourceKind::Unreadable, path, {}};
            else if constexpr (std::is_same_v<Problem, problem::NoBackup>)
                return m_databases.check(path); // a copied Messages folder, or nothing of use
            else if constexpr (std::is_same_v<Problem, problem::SeveralBackups>)
                return {SourceKind::BackupFolder, path, describeAll(why.backups)};
            else if constexpr (std::is_same_v<Problem, problem::EncryptedBackup>)
                return {SourceKind::EncryptedBackup, why.backup.folder, {}};
            else if constexpr (std::is_same_v<Problem, problem::IncompleteBackup>)
                return {SourceKind::BackupIncomplete, why.backup.folder, {}};
            else if constexpr (std::is_same_v<
                                   Problem,
                                   problem::WrongPassword> || std::is_same_v<Problem, problem::UnreadableEncryption>)
                return {SourceKind::EncryptedBackup, path, {}}; // only unlocking says these
            else if constexpr (std::is_same_v<Problem, problem::TooOldBackup>)
                return {SourceKind::BackupTooOld, why.backup.folder, {}};
            else {
                static_assert(std::is_same_v<Problem, problem::NoMessagesInBackup>);
                return {SourceKind::BackupWithoutMessages, why.backup.folder, {}};
            }
        },
        opened.error());
}

UnlockOutcome FileSystemSources::unlock(const fs::path &backup, const std::string &password)
{
    // The slow part (the key derivation) runs here, on the caller's thread, outside the lock.
    auto opened = sources::unlockBackup(sources::readBackupInfo(backup), password);
    if (!opened) {
        return std::holds_alternative<problem::WrongPassword>(opened.error()) ? UnlockOutcome::WrongPassword
                                                                              : UnlockOutcome::Failed;
    }
    const std::lock_guard lock(m_mutex);
    // The keys of a backup unlocked before are wiped when its last copy goes.
    m_unlocked.emplace(Unlocked{backup, std::move(*opened)});
    return UnlockOutcome::Unlocked;
}

common::Result<store::MessagesStore, store::SQLiteDB::Failure>
FileSystemSources::openStore(const fs::path &source) const
{
    if (auto backup = backupAt(source))
        return backup->openStore();
    // A database file; for a folder that is no longer a readable backup, this reports what is
    // there without opening it.
    return m_databases.openStore(source);
}

std::shared_ptr<contacts::ContactsService> FileSystemSources::contacts(const fs::path &source) const
{
    auto backup = backupAt(source);
    if (!backup || !backup->hasAddressBook())
        return nullptr;
    return std::make_shared<AddressBookContacts>(std::move(*backup));
}

std::optional<sources::MessageSource> FileSystemSources::backupAt(const fs::path &source) const
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_unlocked && m_unlocked->folder == source)
            return m_unlocked->source;
        if (m_kept && m_kept->path() == source)
            return m_kept;
    }
    if (!isFolder(source))
        return std::nullopt;
    // Read outside the lock: a slow folder holds up nobody else.
    auto opened = sources::openSource(source);
    if (!opened || opened->kind() != sources::MessageSource::Kind::Backup)
        return std::nullopt;
    keep(*opened);
    return std::move(*opened);
}

void FileSystemSources::forgetUnlockedOtherThan(const fs::path &path) const
{
    const std::lock_guard lock(m_mutex);
    if (m_unlocked && m_unlocked->folder != path)
        m_unlocked.reset();
}

void FileSystemSources::keep(std::optional<sources::MessageSource> backup) const
{
    const std::lock_guard lock(m_mutex);
    m_kept = std::move(backup);
}

} // namespace app
