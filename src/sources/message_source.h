#pragma once

#include "common/result.h"
#include "contacts/contact_record.h"
#include "contacts/contacts_index.h"
#include "crypto/failure.h"
#include "sources/backup_info.h"
#include "sources/backup_layout.h"
#include "store/messages_store.h"
#include "store/read_only_vfs.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace sources
{

// Why a path gives no messages to read, with what a text about it needs.
namespace problem
{
struct NotFound {
    std::filesystem::path path;
};
struct NotRegularFile {
    std::filesystem::path path;
    std::string kind; // "a FIFO (named pipe)", "a socket", "a character device", ...
};
struct Unreadable {
    std::filesystem::path path;
    std::string detail; // English, for diagnostics
};
struct NoBackup { // a folder that neither is a backup nor holds one, nor a Messages database
    std::filesystem::path folder;
};
// A file that is no Messages database: not SQLite at all, a database without the Messages tables
// or without columns every Messages database has, or one whose schema cannot be read.
struct NotMessagesDatabase {
    std::filesystem::path path; // the file itself, also in a backup
    std::vector<std::string> missingTables; // the Messages tables it lacks, in a fixed order
    std::optional<store::SQLiteDB::Failure> unreadable; // why its schema could not be read
    std::vector<std::string> missingColumns; // with every table: the "table.column"s it lacks
    std::optional<BackupInfo> backup; // the backup whose sms.db it is
};
// A Messages database in the layout of iOS 5 and earlier (MessagesStore::hasOldestLayout).
struct TooOldDatabase {
    std::filesystem::path path; // the file itself, also in a backup
    std::optional<BackupInfo> backup; // the backup whose sms.db it is
};
struct SeveralBackups {
    std::filesystem::path folder;
    std::vector<BackupInfo> backups;
};
struct EncryptedBackup { // opens with its password (unlockBackup)
    BackupInfo backup;
};
struct WrongPassword {
    BackupInfo backup;
};
// An encrypted backup whose keys cannot be had although the password was not found wrong: a
// damaged key bag, ManifestKey or file record, or a key of a protection class the key bag lacks.
struct UnreadableEncryption {
    BackupInfo backup;
    crypto::Failure failure;
};
// An encrypted backup without its index (Manifest.db, or Manifest.mbdb before iOS 10), which
// holds the keys of its files.
struct ManifestMissing {
    BackupInfo backup;
};
struct IncompleteBackup {
    BackupInfo backup;
};
struct TooOldBackup { // in the layout of iOS 3 and 4 (Manifest.mbdx)
    BackupInfo backup;
};
struct NoMessagesInBackup {
    BackupInfo backup;
};
} // namespace problem

using SourceProblem = std::variant<problem::NotFound,
                                   problem::NotRegularFile,
                                   problem::Unreadable,
                                   problem::NoBackup,
                                   problem::NotMessagesDatabase,
                                   problem::TooOldDatabase,
                                   problem::SeveralBackups,
                                   problem::EncryptedBackup,
                                   problem::WrongPassword,
                                   problem::UnreadableEncryption,
                                   problem::ManifestMissing,
                                   problem::IncompleteBackup,
                                   problem::TooOldBackup,
                                   problem::NoMessagesInBackup>;

// Where messages are read from: a Messages database file, or an iPhone backup. Immutable once
// opened and cheap to copy; copies share everything, and any thread may open stores from it.
// Nothing is ever written to the database or into the backup folder.
class MessageSource
{
public:
    enum class Kind {
        Database,
        Backup,
    };

    [[nodiscard]] Kind kind() const;
    // The database file, or the backup folder.
    [[nodiscard]] const std::filesystem::path &path() const;
    // The backup's own description; nothing for a database file.
    [[nodiscard]] const std::optional<BackupInfo> &backup() const;
    // The people of the backup's address book, in its order; empty for a database file and for a
    // backup without a readable address book.
    [[nodiscard]] const std::vector<contacts::ContactRecord> &addressBook() const;
    [[nodiscard]] bool hasAddressBook() const;
    // Why a backup's address book was not read although it has one (English, for a note that
    // names are left out); nothing when it was read or there is none.
    [[nodiscard]] const std::optional<std::string> &addressBookProblem() const;

    // A fresh store with its own connection, for one load or one export. For a backup the
    // connection keeps this source's files reachable for as long as it is open.
    [[nodiscard]] common::Result<store::MessagesStore, store::SQLiteDB::Failure> openStore() const;

    struct State;

private:
    explicit MessageSource(std::shared_ptr<const State> state)
        : m_state(std::move(state))
    {
    }
    friend struct Opening;
    friend common::Result<MessageSource, SourceProblem> openBackup(const BackupInfo &backup,
                                                                   const BackupFileReader &reader);

    std::shared_ptr<const State> m_state;
};

// Decides what `path` is; the one rule of what a source is, for the window and the command line
// alike. Its kind is looked at before SQLite sees it: a regular file is a Messages database when
// it is an SQLite file with the Messages tables and their base columns (one of iOS 5 and earlier
// is TooOldDatabase); a folder is a backup, holds exactly one backup, or (a copied Messages
// folder) holds a Messages database named chat.db. Anything else, a folder holding none or
// several, and a backup that cannot be read give the problem. A path that cannot
// be looked at is NotFound only when it is not there (ENOENT, ENOTDIR), else Unreadable.
[[nodiscard]] common::Result<MessageSource, SourceProblem> openSource(const std::filesystem::path &path);

// Opens one backup, reading Manifest.db and the stored files through `reader`; without one, as
// they are on disk, and an encrypted backup is refused. A backup in the layout of iOS 3 and 4 is
// TooOldBackup, and an encrypted one without its index ManifestMissing, before anything else.
[[nodiscard]] common::Result<MessageSource, SourceProblem> openBackup(const BackupInfo &backup,
                                                                      const BackupFileReader &reader = {});

// The tables a Messages database needs that the store's database lacks, in a fixed order; empty
// for a Messages database. A schema that cannot be read fails.
[[nodiscard]] common::Result<std::vector<std::string>, store::SQLiteDB::Failure>
missingMessagesTables(store::MessagesStore &store);

// A contacts index of records, built by the same rules as any other.
[[nodiscard]] contacts::ContactsIndex indexOf(const std::vector<contacts::ContactRecord> &records);

} // namespace sources
