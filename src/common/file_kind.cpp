#include "common/file_kind.h"

#include <sys/stat.h>

namespace common
{

bool isFile(const std::filesystem::path &path) noexcept
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool isFolder(const std::filesystem::path &path) noexcept
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace common
