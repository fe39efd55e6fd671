#pragma once

#include "common/result.h"
#include "contacts/contacts_service.h"
#include "store/messages_store.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace sources
{

// One iPhone backup found in a folder, as the backup picker lists it.
struct BackupDescription {
    std::filesystem::path path; // the backup's own folder
    std::string deviceName; // as the phone calls itself; may be empty
    std::optional<std::chrono::system_clock::time_point> date; // when it was made, if known
    bool encrypted = false;
    bool complete = true; // false for a backup that was cut short
    std::string iosVersion; // the phone's iOS version when the backup was made; may be empty

    bool operator==(const BackupDescription &) const = default;
};

// What a path the user gave turned out to be.
enum class SourceKind {
    Database, // a Messages database file, ready to be read
    Backup, // one backup with messages, ready to be read
    EncryptedBackup, // one backup with messages that needs its password first (unless unlocked)
    BackupFolder, // a folder holding several backups: the user picks one
    NotFound, // nothing at that path
    Unreadable, // there, but this user may not read it
    NotRegularFile, // a device, a pipe, a socket: nothing to read messages from
    DatabaseTooOld, // a Messages database made by iOS 5 or earlier, in a layout not read
    NotMessagesDatabase, // a file that holds no Messages history
    NoMessagesInFolder, // a folder that neither is a backup nor holds one, nor a Messages database
    BackupWithoutMessages, // a backup whose phone kept no messages in it
    BackupTooOld, // a backup in a format older than the oldest one read
    BackupIncomplete, // a backup that was cut short before it was finished
    BackupWithoutManifest, // an encrypted backup without the index that holds its files' keys
    BackupMessagesUnreadable, // a backup whose Messages database (sms.db) is no Messages database
};

struct SourceCheck {
    SourceKind kind = SourceKind::NotFound;
    // The source itself: a database file (for a folder holding one, that file), or the backup's
    // folder; for a problem, the path it names.
    std::filesystem::path path;
    std::vector<BackupDescription> backups; // for BackupFolder: the backups found, newest first
    bool unlocked = false; // for EncryptedBackup: its keys are at hand, so it reads without a password

    // True when loads and exports can read it now.
    [[nodiscard]] bool usable() const
    {
        return kind == SourceKind::Database || kind == SourceKind::Backup
            || (kind == SourceKind::EncryptedBackup && unlocked);
    }

    bool operator==(const SourceCheck &) const = default;
};

enum class UnlockOutcome {
    Unlocked,
    WrongPassword,
    Failed, // the backup could not be read or decrypted for another reason
    TooManyRounds, // refused before deriving: the key bag asks for far more rounds than a phone's
    Cancelled, // stopped by the caller before it was done
};

struct UnlockReport {
    UnlockOutcome outcome = UnlockOutcome::Failed;
    std::uint64_t rounds = 0; // for TooManyRounds: the round count the backup asks for

    bool operator==(const UnlockReport &) const = default;
};

// Where the messages come from: a Messages database file, or an iPhone backup, by path.
//
// The contract every implementation keeps (and the contract tests hold the fakes to):
// - check() decides what a path is and changes nothing, neither on disk nor here: an unlocked
//   backup stays unlocked whatever else is checked, opened or unlocked.
// - unlock() with the right password makes the encrypted backup usable; its keys are kept until
//   forget() names it or the object goes. A wrong password or a failure keeps nothing. Once its
//   `stop` is requested it ends soon (within milliseconds of a derivation, within SQLite's next
//   progress check of a read) with Cancelled, keeping nothing.
// - openStore() gives a fresh store on a usable source's messages, and fails for any other path
//   (an encrypted backup not unlocked among them).
// - contacts() gives the people of a usable source's own address book, always authorized; null
//   for a database file, a backup without one, or a source that is not usable. For an address
//   book that is there but cannot be read, its enumerate() delivers nothing and fails.
// Every call may be made on any thread and at the same time as others; a check of a large folder
// or the unlocking of a backup may take seconds, so the window makes them in the background.
class MessageSources
{
public:
    virtual ~MessageSources() = default;

    [[nodiscard]] virtual SourceCheck check(const std::filesystem::path &path) const = 0;

    // The password is only read, never kept; the caller wipes its own copy.
    [[nodiscard]] virtual UnlockReport
    unlock(const std::filesystem::path &backup, std::string_view password, const std::stop_token &stop) = 0;

    // Drops the keys of the backup at `backup`, wiping them; nothing for any other path.
    virtual void forget(const std::filesystem::path &backup) = 0;

    [[nodiscard]] virtual common::Result<store::MessagesStore, store::SQLiteDB::Failure>
    openStore(const std::filesystem::path &source) const = 0;

    [[nodiscard]] virtual std::shared_ptr<contacts::ContactsService>
    contacts(const std::filesystem::path &source) const = 0;

protected:
    MessageSources() = default;
    MessageSources(const MessageSources &) = default;
    MessageSources(MessageSources &&) = default;
    MessageSources &operator=(const MessageSources &) = default;
    MessageSources &operator=(MessageSources &&) = default;
};

} // namespace sources
