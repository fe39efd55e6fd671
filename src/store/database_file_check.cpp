#include "store/database_file_check.h"

#include <sys/stat.h>

namespace store
{

const char *nonFileKind(mode_t mode)
{
    if (S_ISREG(mode))
        return nullptr;
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO (named pipe)";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISCHR(mode))
        return "a character device";
    if (S_ISBLK(mode))
        return "a block device";
    return "something other than a regular file";
}

common::Result<void> checkDatabaseFile(const std::filesystem::path &path)
{
    // stat follows links, so a link to a FIFO is caught as well. It never opens the file.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return {};
    const char *kind = nonFileKind(info.st_mode);
    if (kind == nullptr)
        return {};
    std::string detail = path.string();
    detail += " is ";
    detail += kind;
    detail += ", not a Messages database file";
    return common::failure(common::Error{common::Error::Kind::Invalid, std::move(detail)});
}

} // namespace store
