#include "sources/message_source.h"

#include "sources/address_book.h"
#include "sources/backup_layout.h"
#include "store/database_file_check.h"

#include <algorithm>
#include <array>
#include <set>
#include <sys/stat.h>

namespace sources
{

struct MessageSource::State {
    Kind kind = Kind::Database;
    std::filesystem::path path;
    std::optional<BackupInfo> backup;
    std::vector<contacts::ContactRecord> addressBook;
    bool hasAddressBook = false;
    std::optional<std::string> addressBookProblem;
    std::shared_ptr<const VfsRegistration> messages; // backups only
};

namespace
{

constexpr std::array<const char *, 5> messagesTables{"chat", "handle", "message", "chat_handle_join",
                                                     "chat_message_join"};

VfsDatabase filesOf(const BackupFileReader &reader,
                    const std::filesystem::path &database,
                    const std::optional<std::filesystem::path> &log)
{
    VfsDatabase files{reader(database), std::nullopt};
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
    auto registration = VfsRegistration::add(filesOf(reader, *layout.addressBook, layout.addressBookLog));
    auto db = store::SQLiteDB::openThroughVfs(registration->name(), readOnlyVfs(), registration);
    if (!db)
        return common::failure(store::describe(db.error()));
    auto records = readAddressBook(*db);
    if (!records)
        return common::failure(store::describe(records.error()));
    return std::move(*records);
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
    if (m_state->kind == Kind::Database)
        return store::MessagesStore::open(m_state->path);
    auto db = store::SQLiteDB::openThroughVfs(m_state->messages->name(), readOnlyVfs(), m_state);
    if (!db)
        return common::failure(std::move(db.error()));
    return store::MessagesStore::over(std::move(*db));
}

common::Result<MessageSource, SourceProblem> openBackup(const BackupInfo &backup, const BackupFileReader &givenReader)
{
    if (backup.encrypted && !givenReader)
        return common::failure(SourceProblem{problem::EncryptedBackup{backup}});
    if (!backup.complete)
        return common::failure(SourceProblem{problem::IncompleteBackup{backup}});
    const BackupFileReader reader = givenReader ? givenReader : plainBackupFiles();
    const BackupLayout layout = locateBackupFiles(backup.folder, reader);
    if (!layout.messages) {
        if (hasOnlyOldManifest(backup.folder))
            return common::failure(SourceProblem{problem::TooOldBackup{backup}});
        return common::failure(SourceProblem{problem::NoMessagesInBackup{backup}});
    }
    auto state = std::make_shared<MessageSource::State>();
    state->kind = MessageSource::Kind::Backup;
    state->path = backup.folder;
    state->backup = backup;
    state->messages = VfsRegistration::add(filesOf(reader, *layout.messages, layout.messagesLog));
    if (auto people = readBackupAddressBook(reader, layout); !people) {
        state->addressBookProblem = "the backup's address book cannot be read: " + people.error();
    } else if (*people) {
        state->addressBook = std::move(**people);
        state->hasAddressBook = true;
    }
    return MessageSource(std::move(state));
}

common::Result<MessageSource, SourceProblem> openSource(const std::filesystem::path &path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return common::failure(SourceProblem{problem::NotFound{path}});
        return common::failure(SourceProblem{problem::Unreadable{path, std::generic_category().message(errno)}});
    }
    if (S_ISREG(info.st_mode)) {
        auto state = std::make_shared<MessageSource::State>();
        state->path = path;
        return MessageSource(std::move(state));
    }
    if (!S_ISDIR(info.st_mode))
        return common::failure(SourceProblem{problem::NotRegularFile{path, store::nonFileKind(info.st_mode)}});

    auto backups = listBackups(path);
    if (!backups)
        return common::failure(SourceProblem{problem::Unreadable{path, backups.error().detail}});
    if (backups->empty())
        return common::failure(SourceProblem{problem::NoBackup{path}});
    if (backups->size() > 1)
        return common::failure(SourceProblem{problem::SeveralBackups{path, std::move(*backups)}});
    return openBackup(backups->front());
}

common::Result<std::vector<std::string>, store::SQLiteDB::Failure> missingMessagesTables(store::MessagesStore &store)
{
    std::set<std::string, std::less<>> tables;
    auto read =
        store.db().execute("SELECT name FROM sqlite_master WHERE type = 'table'", {}, [&](const store::Statement &row) {
            tables.insert(row.text(0));
            return store::RowFlow::Continue;
        });
    if (!read)
        return common::failure(std::move(read.error()));
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
