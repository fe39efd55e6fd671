#include "common/system_error.h"

#include <cerrno>
#include <string>
#include <system_error>

namespace common
{

Error::Kind errorKindOf(int error) noexcept
{
    switch (error) {
    case ENOENT:
    case ENOTDIR: // a part of the path is a file: nothing is at the path as asked
        return Error::Kind::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return Error::Kind::NoPermission;
    case EEXIST:
        return Error::Kind::Exists;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Error::Kind::NoSpace;
    case ENAMETOOLONG:
    case EINVAL:
        return Error::Kind::Invalid;
    default:
        return Error::Kind::Io;
    }
}

Error errorFromErrno(int error, std::string_view what)
{
    std::string detail(what);
    detail += ": ";
    detail += std::generic_category().message(error);
    return {errorKindOf(error), std::move(detail)};
}

} // namespace common
