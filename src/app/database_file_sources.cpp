#include "database_file_sources.h"

#include "store/database_file_check.h"

#include "common/file_descriptor.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace app
{

namespace
{

namespace fs = std::filesystem;

constexpr std::string_view sqliteHeader{"SQLite format 3\0", 16};

// The tables every Messages database has, each with one column the catalogue reads.
constexpr std::array<std::pair<std::string_view, std::string_view>, 5> messagesTables = {{
    {"message", "text"},
    {"chat", "chat_identifier"},
    {"handle", "id"},
    {"chat_message_join", "message_id"},
    {"chat_handle_join", "handle_id"},
}};

SourceKind kindForStatError(int error)
{
    return error == EACCES || error == EPERM ? SourceKind::Unreadable : SourceKind::NotFound;
}

// Reads the first bytes of a regular file without waiting on anything; classifies what it finds.
SourceKind checkFileStart(const fs::path &file)
{
    const common::FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.isOpen())
        return SourceKind::Unreadable;
    std::array<char, sqliteHeader.size()> start{};
    std::size_t total = 0;
    while (total < start.size()) {
        const ssize_t n = ::read(fd.get(), start.data() + total, start.size() - total);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return SourceKind::Unreadable;
        if (n == 0)
            break;
        total += static_cast<std::size_t>(n);
    }
    if (std::string_view(start.data(), total) != sqliteHeader)
        return SourceKind::NotMessagesDatabase;
    return SourceKind::Database;
}

SourceKind checkDatabase(const fs::path &file)
{
    auto store = store::MessagesStore::open(file);
    if (!store)
        return SourceKind::NotMessagesDatabase;
    for (const auto &[table, column] : messagesTables) {
        if (!store->hasColumn(table, column))
            return SourceKind::NotMessagesDatabase;
    }
    return SourceKind::Database;
}

} // namespace

SourceCheck DatabaseFileSources::check(const fs::path &path) const
{
    SourceCheck result{SourceKind::NotFound, path, {}};
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        result.kind = kindForStatError(errno);
        return result;
    }
    if (S_ISDIR(info.st_mode)) {
        // A copied Messages folder: the database inside it.
        result.path = path / "chat.db";
        if (::stat(result.path.c_str(), &info) != 0) {
            const int error = errno;
            result.path = path;
            result.kind = error == ENOENT ? SourceKind::NotMessagesDatabase : kindForStatError(error);
            return result;
        }
    }
    if (!S_ISREG(info.st_mode)) {
        result.kind = SourceKind::NotRegularFile;
        return result;
    }
    result.kind = checkFileStart(result.path);
    if (result.kind == SourceKind::Database)
        result.kind = checkDatabase(result.path);
    return result;
}

UnlockOutcome DatabaseFileSources::unlock(const fs::path &, const std::string &)
{
    return UnlockOutcome::Failed;
}

common::Result<store::MessagesStore, store::SQLiteDB::Failure>
DatabaseFileSources::openStore(const fs::path &source) const
{
    // What is at the path is checked first: SQLite would wait for ever on a FIFO there, holding a
    // pool thread.
    if (auto checked = store::checkDatabaseFile(source); !checked)
        return common::failure(store::SQLiteDB::Failure::open(0, std::move(checked.error().detail)));
    return store::MessagesStore::open(source);
}

std::shared_ptr<contacts::ContactsService> DatabaseFileSources::contacts(const fs::path &) const
{
    return nullptr;
}

} // namespace app
