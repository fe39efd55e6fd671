#include "export/downloads_folder.h"

#include "common/home.h"

#include <fstream>

namespace exporter
{

std::optional<std::filesystem::path> parseDownloadDir(std::string_view userDirsText, const std::filesystem::path &home)
{
    constexpr std::string_view key = "XDG_DOWNLOAD_DIR";
    constexpr std::string_view homeVariable = "$HOME";
    std::optional<std::filesystem::path> found;

    while (!userDirsText.empty()) {
        const std::size_t lineEnd = userDirsText.find('\n');
        std::string_view line = userDirsText.substr(0, lineEnd);
        userDirsText.remove_prefix(lineEnd == std::string_view::npos ? userDirsText.size() : lineEnd + 1);

        const auto skipBlanks = [&line] {
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
                line.remove_prefix(1);
        };
        skipBlanks();
        if (!line.starts_with(key))
            continue;
        line.remove_prefix(key.size());
        skipBlanks();
        if (line.empty() || line.front() != '=')
            continue;
        line.remove_prefix(1);
        skipBlanks();
        if (line.empty() || line.front() != '"')
            continue;
        line.remove_prefix(1);

        bool relativeToHome = false;
        if (line.starts_with(homeVariable)) {
            line.remove_prefix(homeVariable.size());
            if (line.empty() || (line.front() != '/' && line.front() != '"'))
                continue;
            relativeToHome = true;
        } else if (line.empty() || line.front() != '/') {
            continue;
        }

        std::string value;
        bool closed = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '"') {
                closed = true;
                break;
            }
            if (line[i] == '\\' && i + 1 < line.size())
                ++i;
            value += line[i];
        }
        if (!closed)
            continue;
        if (relativeToHome) {
            if (home.empty())
                continue;
            value.insert(0, home.string());
        }
        while (value.size() > 1 && value.back() == '/')
            value.pop_back();
        found = std::filesystem::path(value);
    }
    return found;
}

std::filesystem::path userDirsFile(const std::filesystem::path &home, std::optional<std::string_view> xdgConfigHome)
{
    if (xdgConfigHome && !xdgConfigHome->empty() && xdgConfigHome->front() == '/')
        return std::filesystem::path(*xdgConfigHome) / "user-dirs.dirs";
    return home / ".config" / "user-dirs.dirs";
}

std::filesystem::path downloadsFolderFrom(const std::filesystem::path &home,
                                          std::optional<std::string_view> userDirsText)
{
    if (userDirsText) {
        if (auto configured = parseDownloadDir(*userDirsText, home))
            return std::move(*configured);
    }
    if (home.empty())
        return {};
    return home / "Downloads";
}

std::filesystem::path downloadsFolder()
{
    const std::filesystem::path home = common::homeFolder();
    const auto xdgConfigHome = common::environmentValue("XDG_CONFIG_HOME");
    const auto file = userDirsFile(home, xdgConfigHome);

    std::optional<std::string> text;
    if (!file.empty() && file.is_absolute()) {
        std::ifstream stream(file, std::ios::binary);
        if (stream) {
            // The file is a few lines; a huge one is not a user-dirs file.
            constexpr std::size_t maxBytes = 1 << 16;
            std::string bytes(maxBytes, '\0');
            stream.read(bytes.data(), static_cast<std::streamsize>(maxBytes));
            bytes.resize(static_cast<std::size_t>(stream.gcount()));
            text = std::move(bytes);
        }
    }
    return downloadsFolderFrom(home, text);
}

} // namespace exporter
