#include "sources/message_source.h"

#include "sources/address_book.h"
#include "sources/backup_layout.h"
#include "store/database_file_check.h"

#include "common/file_descriptor.h"
#include "common/file_kind.h"
#include "common/log.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <set>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sources
{

struct MessageSource::State {
    Kind kind = Kind::Database;
    std::filesystem::path path;
    std::optional<BackupInfo> backup;
    std::vector<contacts::ContactRecord> addressBook;
    bool hasAddressBook = false;
    std::optional<std::string> addressBookProblem;
    std::shared_ptr<const store::VfsRegistration> messages; // backups only
};

struct Opening {
    static MessageSource of(std::shared_ptr<const MessageSource::State> state)
    {
        return MessageSource(std::move(state));
    }
};

namespace
{

constexpr std::array<const char *, 5> messagesTables{"chat", "handle", "message", "chat_handle_join",
                                                     "chat_message_join"};

store::VfsDatabase filesOf(const BackupFileReader &reader,
                           const std::filesystem::path &database,
                           const std::optional<std::filesystem::path> &log)
{
    store::VfsDatabase files{reader(database), std::nullopt};
    if (log)
        files.log = reader(*log);
    return files;
}

// The people of the backup's address book; nothing when there is none, and why when it cannot be read.
common::Result<std::optional<std::vector<contacts::ContactRecord>>, std::string>
readBackupAddressBook(const BackupFileReader &reader, const BackupLayout &layout)
{
    if (!layout.addressBook)
        return std::nullopt;
    auto registration = store::VfsRegistration::add(filesOf(reader, *layout.addressBook, layout.addressBookLog));
    auto db = store::SQLiteDB::openThroughVfs(registration->name(), store::readOnlyVfs(), registration);
    if (!db)
        return common::failure(store::describe(db.error()));
    auto records = readAddressBook(*db);
    if (!records)
        return common::failure(store::describe(records.error()));
    return std::move(*records);
}

SourceProblem problemAt(const std::filesystem::path &path, int error)
{
    if (error == ENOENT || error == ENOTDIR)
        return problem::NotFound{path};
    return problem::Unreadable{path, std::generic_category().message(error)};
}

// The source's messages, in the file `where` (of the backup, if any), carry the Messages tables;
// else why not.
common::Result<MessageSource, SourceProblem> withMessagesTables(MessageSource source,
                                                                const std::filesystem::path &where,
                                                                const std::optional<BackupInfo> &backup = {})
{
    auto store = source.openStore();
    if (!store) {
        common::log(common::LogCategory::Sources,
                    "cannot open " + where.string() + ": " + store::describe(store.error()));
        return common::failure(
            SourceProblem{problem::NotMessagesDatabase{where, {}, std::move(store.error()), {}, backup}});
    }
    auto missing = missingMessagesTables(*store);
    if (!missing) {
        common::log(common::LogCategory::Sources,
                    "cannot read the schema of " + where.string() + ": " + store::describe(missing.error()));
        return common::failure(
            SourceProblem{problem::NotMessagesDatabase{where, {}, std::move(missing.error()), {}, backup}});
    }
    if (!missing->empty()) {
        if (store->hasOldestLayout())
            return common::failure(SourceProblem{problem::TooOldDatabase{where, backup}});
        return common::failure(
            SourceProblem{problem::NotMessagesDatabase{where, std::move(*missing), std::nullopt, {}, backup}});
    }
    if (auto columns = store->missingBaseColumns(); !columns.empty())
        return common::failure(
            SourceProblem{problem::NotMessagesDatabase{where, {}, std::nullopt, std::move(columns), backup}});
    return source;
}

common::Result<MessageSource, SourceProblem> openDatabaseFile(const std::filesystem::path &file)
{
    // No descriptor of the file is opened here beside the store's: closing one would drop the
    // locks of a connection this process may hold on a live database. Something that is not
    // SQLite at all fails the store's first read of the schema.
    if (::access(file.c_str(), R_OK) != 0)
        return common::failure(problemAt(file, errno));
    auto state = std::make_shared<MessageSource::State>();
    state->path = file;
    return withMessagesTables(Opening::of(std::move(state)), file);
}

} // namespace

MessageSource::Kind MessageSource::kind() const
{
    return m_state->kind;
}

const std::filesystem::path &MessageSource::path() const
{
    return m_state->path;
}

const std::optional<BackupInfo> &MessageSource::backup() const
{
    return m_state->backup;
}

const std::vector<contacts::ContactRecord> &MessageSource::addressBook() const
{
    return m_state->addressBook;
}

bool MessageSource::hasAddressBook() const
{
    return m_state->hasAddressBook;
}

const std::optional<std::string> &MessageSource::addressBookProblem() const
{
    return m_state->addressBookProblem;
}

common::Result<store::MessagesStore, store::SQLiteDB::Failure> MessageSource::openStore() const
{
    if (m_state->kind == Kind::Database) {
        // What is at the path is looked at again first: it may have been replaced since, and
        // SQLite would wait for ever on a FIFO there.
        if (auto checked = store::checkDatabaseFile(m_state->path); !checked)
            return common::failure(store::SQLiteDB::Failure::open(0, std::move(checked.error().detail)));
        return store::MessagesStore::open(m_state->path);
    }
    auto db = store::SQLiteDB::openThroughVfs(m_state->messages->name(), store::readOnlyVfs(), m_state);
    RETURN_IF_FAILED(db);
    return store::MessagesStore::over(std::move(*db));
}

common::Result<MessageSource, SourceProblem> openBackup(const BackupInfo &backup, const BackupFileReader &givenReader)
{
    if (isMbdxBackup(backup.folder))
        return common::failure(SourceProblem{problem::TooOldBackup{backup}});
    // A plain backup reads without its index (files are found by their fixed names); an encrypted
    // one cannot, and is not worth a password.
    if (backup.encrypted && !common::isFile(backup.folder / manifestDbName)
        && !common::isFile(backup.folder / mbdbManifestName))
        return common::failure(SourceProblem{problem::ManifestMissing{backup}});
    if (backup.encrypted && !givenReader)
        return common::failure(SourceProblem{problem::EncryptedBackup{backup}});
    if (!backup.complete)
        return common::failure(SourceProblem{problem::IncompleteBackup{backup}});
    const BackupFileReader reader = givenReader ? givenReader : plainBackupFiles();
    const BackupLayout layout = locateBackupFiles(backup.folder, reader);
    if (!layout.messages)
        return common::failure(SourceProblem{problem::NoMessagesInBackup{backup}});
    auto state = std::make_shared<MessageSource::State>();
    state->kind = MessageSource::Kind::Backup;
    state->path = backup.folder;
    state->backup = backup;
    state->messages = store::VfsRegistration::add(filesOf(reader, *layout.messages, layout.messagesLog));
    if (auto people = readBackupAddressBook(reader, layout); !people) {
        state->addressBookProblem = "the backup's address book cannot be read: " + people.error();
    } else if (*people) {
        state->addressBook = std::move(**people);
        state->hasAddressBook = true;
    }
    return withMessagesTables(MessageSource(std::move(state)), *layout.messages, backup);
}

common::Result<MessageSource, SourceProblem> openSource(const std::filesystem::path &path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return common::failure(problemAt(path, errno));
    if (S_ISREG(info.st_mode))
        return openDatabaseFile(path);
    if (!S_ISDIR(info.st_mode))
        return common::failure(SourceProblem{problem::NotRegularFile{path, store::nonFileKind(info.st_mode)}});

    auto backups = listBackups(path);
    if (!backups)
        return common::failure(SourceProblem{problem::Unreadable{path, backups.error().detail}});
    if (backups->size() > 1)
        return common::failure(SourceProblem{problem::SeveralBackups{path, std::move(*backups)}});
    if (backups->size() == 1)
        return openBackup(backups->front());
    // A copied Messages folder: the database in it.
    const std::filesystem::path inside = path / "chat.db";
    if (::stat(inside.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return common::failure(SourceProblem{problem::NoBackup{path}});
        return common::failure(problemAt(inside, errno));
    }
    if (!S_ISREG(info.st_mode))
        return common::failure(SourceProblem{problem::NotRegularFile{inside, store::nonFileKind(info.st_mode)}});
    return openDatabaseFile(inside);
}

common::Result<std::vector<std::string>, store::SQLiteDB::Failure> missingMessagesTables(store::MessagesStore &store)
{
    std::set<std::string, std::less<>> tables;
    auto read =
        store.db().execute("SELECT name FROM sqlite_master WHERE type = 'table'", {}, [&](const store::Statement &row) {
            tables.insert(row.text(0));
            return store::RowFlow::Continue;
        });
    RETURN_IF_FAILED(read);
    std::vector<std::string> missing;
    for (const char *table : messagesTables) {
        if (!tables.contains(std::string_view(table)))
            missing.emplace_back(table);
    }
    return missing;
}

contacts::ContactsIndex indexOf(const std::vector<contacts::ContactRecord> &records)
{
    contacts::ContactsIndex index;
    for (const auto &record : records)
        contacts::addContact(record, index.byKey);
    return index;
}

} // namespace sources
