#include "sources/file_system_sources.h"

#include "common/log.h"
#include "sources/encrypted_backup.h"

#include <algorithm>
#include <type_traits>

namespace sources
{

BackupDescription describe(const BackupInfo &backup)
{
    BackupDescription description{backup.folder,    backup.deviceName, std::nullopt,
                                  backup.encrypted, backup.complete,   backup.productVersion};
    if (backup.lastBackup)
        description.date = std::chrono::system_clock::time_point(std::chrono::seconds(*backup.lastBackup));
    return description;
}

namespace
{

namespace fs = std::filesystem;

// A backup's address book, always open to read: the backup was chosen by the user, and the
// people in it came with it.
class AddressBookContacts final : public contacts::ContactsService
{
public:
    explicit AddressBookContacts(MessageSource backup)
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
        // Names are skipped when the address book could not be read; the loader says so.
        return !m_backup.addressBookProblem().has_value();
    }

private:
    MessageSource m_backup; // shares the records read when the backup was opened
};

// Newest first; backups that do not say when they were made come last, in folder order.
std::vector<BackupDescription> describeAll(const std::vector<BackupInfo> &backups)
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

SourceCheck checkOf(const MessageSource &source)
{
    return {source.kind() == MessageSource::Kind::Database ? SourceKind::Database : SourceKind::Backup,
            source.path(),
            {},
            false};
}

const char *nameOf(SourceKind kind)
{
    switch (kind) {
    case SourceKind::Database:
        return "a Messages database";
    case SourceKind::Backup:
        return "a backup";
    case SourceKind::EncryptedBackup:
        return "an encrypted backup";
    case SourceKind::BackupFolder:
        return "a folder of backups";
    case SourceKind::NotFound:
        return "not found";
    case SourceKind::Unreadable:
        return "unreadable";
    case SourceKind::NotRegularFile:
        return "not a regular file";
    case SourceKind::NotMessagesDatabase:
        return "not a Messages database";
    case SourceKind::DatabaseTooOld:
        return "a Messages database too old to read";
    case SourceKind::NoMessagesInFolder:
        return "a folder without messages";
    case SourceKind::BackupWithoutMessages:
        return "a backup without messages";
    case SourceKind::BackupTooOld:
        return "a backup too old to read";
    case SourceKind::BackupIncomplete:
        return "an unfinished backup";
    case SourceKind::BackupWithoutManifest:
        return "an encrypted backup without Manifest.db";
    case SourceKind::BackupMessagesUnreadable:
        return "a backup whose sms.db is no Messages database";
    }
    return "?";
}

common::Result<store::MessagesStore, store::SQLiteDB::Failure> notUsable(const fs::path &path)
{
    return common::failure(store::SQLiteDB::Failure::open(0, path.string() + " is not a usable source"));
}

} // namespace

SourceCheck checkOf(const SourceProblem &problem)
{
    return std::visit(
        [](const auto &why) -> SourceCheck {
            using Problem = std::decay_t<decltype(why)>;
            namespace p = problem;
            if constexpr (std::is_same_v<Problem, p::NotFound>)
                return {SourceKind::NotFound, why.path, {}, false};
            else if constexpr (std::is_same_v<Problem, p::NotRegularFile>)
                return {SourceKind::NotRegularFile, why.path, {}, false};
            else if constexpr (std::is_same_v<Problem, p::Unreadable>)
                return {SourceKind::Unreadable, why.path, {}, false};
            else if constexpr (std::is_same_v<Problem, p::NoBackup>)
                return {SourceKind::NoMessagesInFolder, why.folder, {}, false};
            else if constexpr (std::is_same_v<Problem, p::NotMessagesDatabase>)
                return why.backup ? SourceCheck{SourceKind::BackupMessagesUnreadable, why.backup->folder, {}, false}
                                  : SourceCheck{SourceKind::NotMessagesDatabase, why.path, {}, false};
            else if constexpr (std::is_same_v<Problem, p::TooOldDatabase>)
                return {SourceKind::DatabaseTooOld, why.backup ? why.backup->folder : why.path, {}, false};
            else if constexpr (std::is_same_v<Problem, p::SeveralBackups>)
                return {SourceKind::BackupFolder, why.folder, describeAll(why.backups), false};
            else if constexpr (
                std::is_same_v<
                    Problem,
                    p::EncryptedBackup> || std::is_same_v<Problem, p::WrongPassword> || std::is_same_v<Problem, p::UnreadableEncryption>)
                return {SourceKind::EncryptedBackup, why.backup.folder, {}, false}; // only unlocking says the last two
            else if constexpr (std::is_same_v<Problem, p::ManifestMissing>)
                return {SourceKind::BackupWithoutManifest, why.backup.folder, {}, false};
            else if constexpr (std::is_same_v<Problem, p::IncompleteBackup>)
                return {SourceKind::BackupIncomplete, why.backup.folder, {}, false};
            else if constexpr (std::is_same_v<Problem, p::TooOldBackup>)
                return {SourceKind::BackupTooOld, why.backup.folder, {}, false};
            else {
                static_assert(std::is_same_v<Problem, p::NoMessagesInBackup>);
                return {SourceKind::BackupWithoutMessages, why.backup.folder, {}, false};
            }
        },
        problem);
}

SourceCheck FileSystemSources::check(const fs::path &path) const
{
    auto opened = openSource(path);
    SourceCheck found;
    if (opened) {
        found = checkOf(*opened);
        keep(*opened);
    } else {
        found = checkOf(opened.error());
        if (found.kind == SourceKind::EncryptedBackup) {
            const std::lock_guard lock(m_mutex);
            found.unlocked = m_unlocked.contains(found.path);
        }
    }
    common::log(common::LogCategory::Sources,
                path.string() + ": " + nameOf(found.kind) + (found.unlocked ? " (unlocked)" : "")
                    + (found.path != path ? " at " + found.path.string() : ""));
    return found;
}

UnlockReport FileSystemSources::unlock(const fs::path &backup, std::string_view password, const std::stop_token &stop)
{
    const BackupInfo info = readBackupInfo(backup);
    if (!info.encrypted) {
        common::log(common::LogCategory::Sources, backup.string() + ": nothing to unlock, not an encrypted backup");
        return {UnlockOutcome::Failed};
    }
    // The slow part (the key derivation) runs here, on the caller's thread, outside the lock.
    auto opened = unlockBackup(info, password, stop);
    if (!opened) {
        const bool wrong = std::holds_alternative<problem::WrongPassword>(opened.error());
        UnlockReport report{wrong ? UnlockOutcome::WrongPassword : UnlockOutcome::Failed};
        std::string why = wrong ? "wrong password" : nameOf(checkOf(opened.error()).kind);
        if (const auto *damaged = std::get_if<problem::UnreadableEncryption>(&opened.error())) {
            why = "cannot decrypt: " + damaged->failure.detail;
            if (damaged->failure.kind == crypto::Failure::Kind::TooManyRounds)
                report = {UnlockOutcome::TooManyRounds, damaged->failure.rounds};
            else if (damaged->failure.kind == crypto::Failure::Kind::Cancelled)
                report = {UnlockOutcome::Cancelled};
        }
        common::log(common::LogCategory::Sources, backup.string() + ": unlocking failed, " + why);
        return report;
    }
    common::log(common::LogCategory::Sources, backup.string() + ": unlocked");
    const std::lock_guard lock(m_mutex);
    // Unlocked again: the keys derived before are wiped when their last copy goes.
    m_unlocked.insert_or_assign(backup, std::move(*opened));
    return {UnlockOutcome::Unlocked};
}

void FileSystemSources::forget(const fs::path &backup)
{
    std::optional<MessageSource> dropped; // wiped outside the lock
    const std::lock_guard lock(m_mutex);
    if (const auto found = m_unlocked.find(backup); found != m_unlocked.end()) {
        dropped = std::move(found->second);
        m_unlocked.erase(found);
    }
}

common::Result<store::MessagesStore, store::SQLiteDB::Failure>
FileSystemSources::openStore(const fs::path &source) const
{
    auto usable = usableAt(source);
    if (!usable)
        return notUsable(source);
    return usable->openStore();
}

std::shared_ptr<contacts::ContactsService> FileSystemSources::contacts(const fs::path &source) const
{
    auto usable = usableAt(source);
    // An address book that is there but cannot be read still answers, with a failed enumeration.
    if (!usable || (!usable->hasAddressBook() && !usable->addressBookProblem()))
        return nullptr;
    return std::make_shared<AddressBookContacts>(std::move(*usable));
}

common::Result<MessageSource, SourceProblem> FileSystemSources::usableAt(const fs::path &path) const
{
    {
        const std::lock_guard lock(m_mutex);
        if (const auto found = m_unlocked.find(path); found != m_unlocked.end())
            return found->second;
        if (m_kept && m_kept->path() == path)
            return *m_kept;
    }
    // Read outside the lock: a slow folder holds up nobody else.
    auto opened = openSource(path);
    if (opened)
        keep(*opened);
    return opened;
}

void FileSystemSources::keep(const MessageSource &source) const
{
    const std::lock_guard lock(m_mutex);
    m_kept = source;
}

} // namespace sources
