#include "common/program_path.h"

#include <sys/stat.h>
#include <unistd.h>

namespace common
{

bool isOnPath(std::string_view name, const std::optional<std::string> &searchPath)
{
    if (!searchPath || name.empty() || name.find('/') != std::string_view::npos)
        return false;
    std::string_view rest = *searchPath;
    while (true) {
        const std::size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        const std::string candidate =
            (folder.empty() ? std::string(".") : std::string(folder)) + "/" + std::string(name);
        struct stat about {};
        if (::stat(candidate.c_str(), &about) == 0 && S_ISREG(about.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return true;
        if (colon == std::string_view::npos)
            return false;
        rest.remove_prefix(colon + 1);
    }
}

} // namespace common
