#pragma once

#include "common/result.h"
#include "contacts/contacts_service.h"
#include "store/messages_store.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace app
{

// One iPhone backup found in a folder, as the backup picker lists it.
struct BackupDescription {
    std::filesystem::path path; // the backup's own folder
    std::string deviceName; // as the phone calls itself; may be empty
    std::optional<std::chrono::system_clock::time_point> date; // when it was made, if known
    bool encrypted = false;
    bool complete = true; // false for a backup that was cut short

    bool operator==(const BackupDescription &) const = default;
};

// What a path the user gave turned out to be.
enum class SourceKind {
    Database, // a Messages database file, ready to be read
    Backup, // one backup with messages, ready to be read
    EncryptedBackup, // one backup with messages that needs its password first
    BackupFolder, // a folder holding several backups: the user picks one
    NotFound, // nothing at that path
    Unreadable, // there, but this user may not read it
    NotRegularFile, // a device, a pipe, a socket: nothing to read messages from
    NotMessagesDatabase, // a file or folder that holds no Messages history
    BackupWithoutMessages, // a backup whose phone kept no messages in it
    BackupTooOld, // a backup in a format older than the oldest one read
    BackupIncomplete, // a backup that was cut short before it was finished
};

struct SourceCheck {
    SourceKind kind = SourceKind::NotFound;
    // The path that was looked at; for a folder holding a Messages database, that database file.
    std::filesystem::path path;
    std::vector<BackupDescription> backups; // for BackupFolder: the backups found, newest first

    bool operator==(const SourceCheck &) const = default;
};

// True for the kinds a load can start from once chosen (an encrypted backup after its password).
[[nodiscard]] inline bool isUsable(SourceKind kind)
{
    return kind == SourceKind::Database || kind == SourceKind::Backup || kind == SourceKind::EncryptedBackup;
}

enum class UnlockOutcome {
    Unlocked,
    WrongPassword,
    Failed, // the backup could not be read or decrypted for another reason
};

// Where the messages come from: a Messages database file, or an iPhone backup. Every call may be
// made on any thread and at the same time as others; a check of a large folder or the unlocking
// of a backup may take seconds, so the window makes them in the background.
class MessageSources
{
public:
    virtual ~MessageSources() = default;

    // Looks at `path` without changing anything there.
    [[nodiscard]] virtual SourceCheck check(const std::filesystem::path &path) const = 0;

    // Unlocks the encrypted backup at `backup` with `password`. Once unlocked, openStore() and
    // contacts() read it for as long as this object lives; the password itself is not kept.
    [[nodiscard]] virtual UnlockOutcome unlock(const std::filesystem::path &backup, const std::string &password) = 0;

    // A fresh store on the messages of the usable source at `source`, for one load or one export.
    [[nodiscard]] virtual common::Result<store::MessagesStore, store::SQLiteDB::Failure>
    openStore(const std::filesystem::path &source) const = 0;

    // The contacts of `source` when it carries an address book of its own (a backup), else null.
    [[nodiscard]] virtual std::shared_ptr<contacts::ContactsService>
    contacts(const std::filesystem::path &source) const = 0;

protected:
    MessageSources() = default;
    MessageSources(const MessageSources &) = default;
    MessageSources(MessageSources &&) = default;
    MessageSources &operator=(const MessageSources &) = default;
    MessageSources &operator=(MessageSources &&) = default;
};

} // namespace app
