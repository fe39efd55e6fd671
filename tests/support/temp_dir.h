#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport
{

// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes away. Tests that take away permissions inside it must give them back first.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    const std::filesystem::path &path() const { return m_path; }
    std::filesystem::path operator/(const std::string &name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Reads a whole file as bytes; an unreadable file gives the empty string.
std::string readFile(const std::filesystem::path &path);

// The names in a folder, sorted; empty when it cannot be listed.
std::vector<std::string> folderEntries(const std::filesystem::path &dir);

// Writes bytes to a file, replacing it.
void writeFile(const std::filesystem::path &path, const std::string &bytes);

} // namespace testsupport
