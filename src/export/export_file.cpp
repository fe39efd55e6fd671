#include "export/export_file.h"

#include "common/file_descriptor.h"
#include "common/file_kind.h"
#include "common/system_error.h"
#include "export/downloads_folder.h"
#include "export/file_name.h"
#include "export/removed_on_signal.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace exporter
{

namespace
{

constexpr std::size_t systemNameMax = 255;
// Far beyond any real folder; it only keeps a file system that answers "taken" to every name from
// holding the export task forever.
constexpr unsigned maxCandidates = 10'000'000;

common::Error errnoError(int error, std::string_view action, const std::filesystem::path &path)
{
    std::string what(action);
    what += ' ';
    what += path.string();
    return common::errorFromErrno(error, what);
}

// mkdir -p with mode 0755 (less the umask). Accepts folders that exist, also through symbolic
// links; anything else in the way is an error.
common::Result<void> createFolders(const std::filesystem::path &folder)
{
    if (common::isFolder(folder))
        return {};
    std::filesystem::path current;
    for (const auto &part : folder) {
        if (part.empty())
            continue;
        current /= part;
        if (::mkdir(current.c_str(), 0755) == 0)
            continue;
        const int error = errno;
        if (common::isFolder(current))
            continue;
        struct stat info {};
        if (::lstat(current.c_str(), &info) == 0)
            return common::failure(common::Error{common::Error::Kind::Exists,
                                                 "Cannot create folder " + current.string()
                                                     + ": something that is not a folder is in the way"});
        return common::failure(errnoError(error, "Cannot create folder", current));
    }
    return {};
}

uint64_t mixBits(uint64_t value)
{
    value += 0x9E3779B97F4A7C15ULL;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

// A hidden name that no other writer is likely to pick; O_EXCL settles any clash anyway.
std::string temporaryName()
{
    static std::atomic<uint64_t> counter{0};
    const auto now = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    uint64_t bits = mixBits(now ^ (static_cast<uint64_t>(::getpid()) << 40) ^ mixBits(++counter));
    static constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string name = ".Tovik-";
    for (int i = 0; i < 6; ++i) {
        name += alphabet[bits % alphabet.size()];
        bits /= alphabet.size();
    }
    name += ".tmp";
    return name;
}

common::Result<void> writeAll(int fd, std::string_view bytes, const std::filesystem::path &path)
{
    constexpr std::size_t maxChunk = std::size_t{1} << 30;
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), std::min(bytes.size(), maxChunk));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return common::failure(errnoError(errno, "Cannot write", path));
        }
        if (written == 0)
            return common::failure(errnoError(EIO, "Cannot write", path));
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

// Removes the temporary file on every way out unless it was published by renaming.
class TemporaryFile
{
public:
    TemporaryFile(int folderFd, std::string name)
        : m_folderFd(folderFd)
        , m_name(std::move(name))
    {
    }
    ~TemporaryFile()
    {
        if (!m_name.empty())
            ::unlinkat(m_folderFd, m_name.c_str(), 0);
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    const std::string &name() const { return m_name; }
    void forget() { m_name.clear(); }

private:
    int m_folderFd;
    std::string m_name;
};

std::size_t nameMaxOf(int folderFd)
{
    const long limit = ::fpathconf(folderFd, _PC_NAME_MAX);
    if (limit <= 0 || static_cast<unsigned long>(limit) > systemNameMax)
        return systemNameMax;
    return static_cast<std::size_t>(limit);
}

} // namespace

common::Result<PublishOutcome>
publishWithoutReplacing(int folderFd, const std::string &tempName, const std::string &finalName, PublishMethod &method)
{
    const char *from = tempName.c_str();
    const char *to = finalName.c_str();
    for (;;) {
        switch (method) {
        case PublishMethod::RenameNoReplace:
            if (::renameat2(folderFd, from, folderFd, to, RENAME_NOREPLACE) == 0)
                return PublishOutcome::Published;
            if (errno == EEXIST)
                return PublishOutcome::NameTaken;
            if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
                method = PublishMethod::Link;
                continue;
            }
            return common::failure(errnoError(errno, "Cannot rename the export to", finalName));
        case PublishMethod::Link:
            if (::linkat(folderFd, from, folderFd, to, 0) == 0) {
                // The export is complete under its name; a leftover second name would only be clutter.
                ::unlinkat(folderFd, from, 0);
                return PublishOutcome::Published;
            }
            if (errno == EEXIST)
                return PublishOutcome::NameTaken;
            if (errno == EPERM || errno == ENOSYS || errno == EOPNOTSUPP || errno == EMLINK) {
                method = PublishMethod::Placeholder;
                continue;
            }
            return common::failure(errnoError(errno, "Cannot link the export to", finalName));
        case PublishMethod::Placeholder: {
            // Last resort for file systems with neither: the name is claimed exclusively while
            // empty, then the complete file replaces only this claim of ours.
            const int claim = ::openat(folderFd, to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            if (claim < 0) {
                if (errno == EEXIST)
                    return PublishOutcome::NameTaken;
                return common::failure(errnoError(errno, "Cannot create", finalName));
            }
            ::close(claim);
            if (::renameat(folderFd, from, folderFd, to) == 0)
                return PublishOutcome::Published;
            const int error = errno;
            ::unlinkat(folderFd, to, 0);
            return common::failure(errnoError(error, "Cannot rename the export to", finalName));
        }
        }
    }
}

common::Result<std::filesystem::path>
writeExport(std::string_view text, std::string_view title, std::optional<std::filesystem::path> folder)
{
    return writeExport(text, title, std::move(folder), PublishMethod::RenameNoReplace);
}

common::Result<std::filesystem::path> writeExport(std::string_view text,
                                                  std::string_view title,
                                                  std::optional<std::filesystem::path> folder,
                                                  PublishMethod firstMethod)
{
    const std::filesystem::path target = folder ? std::move(*folder) : downloadsFolder();
    if (target.empty())
        return common::failure(
            common::Error{common::Error::Kind::NotFound, "No folder for the export: the home folder is unknown"});
    if (auto created = createFolders(target); !created)
        return common::failure(std::move(created.error()));

    // Everything below works relative to this descriptor, so the folder cannot change under us.
    const common::FileDescriptor folderFd(::open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.get() < 0)
        return common::failure(errnoError(errno, "Cannot open folder", target));

    std::string tempName;
    common::FileDescriptor file;
    // Guarded before it exists, so that no signal finds it unguarded; a name someone else holds
    // is only guarded until O_EXCL says so.
    std::optional<RemovedOnSignal> removedOnSignal;
    for (int attempt = 0; file.get() < 0; ++attempt) {
        tempName = temporaryName();
        removedOnSignal.emplace(folderFd.get(), tempName);
        file.reset(::openat(folderFd.get(), tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (file.get() < 0) {
            const int error = errno;
            removedOnSignal.reset();
            if (error != EEXIST || attempt == 100)
                return common::failure(errnoError(error, "Cannot create", target / tempName));
        }
    }
    TemporaryFile temporary(folderFd.get(), tempName);
    const auto tempPath = target / tempName;
    if (auto written = writeAll(file.get(), text, tempPath); !written)
        return common::failure(std::move(written.error()));
    if (::fsync(file.get()) != 0)
        return common::failure(errnoError(errno, "Cannot sync", tempPath));
    if (file.close() != 0 && errno != EINTR)
        return common::failure(errnoError(errno, "Cannot close", tempPath));

    const std::string safeName = safeFileName(title);
    const std::size_t nameMax = nameMaxOf(folderFd.get());
    PublishMethod method = firstMethod;
    for (unsigned number = 1; number <= maxCandidates; ++number) {
        const std::string name = exportFileName(safeName, number, nameMax);
        struct stat info {};
        if (::fstatat(folderFd.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0)
            continue; // A file, folder or even a dangling link: taken.
        if (errno != ENOENT)
            return common::failure(errnoError(errno, "Cannot check", target / name));

        auto outcome = publishWithoutReplacing(folderFd.get(), tempName, name, method);
        if (!outcome) {
            outcome.error().detail += " in " + target.string();
            return common::failure(std::move(outcome.error()));
        }
        if (*outcome == PublishOutcome::NameTaken)
            continue; // Someone else took it since the check.
        removedOnSignal.reset(); // published: the file is the user's now
        temporary.forget();
        // The file is complete and visible; syncing the folder entry is for durability only, and
        // failing here would tell the user that a file they can see does not exist.
        ::fsync(folderFd.get());
        return target / name;
    }
    return common::failure(common::Error{common::Error::Kind::Exists, "No free export name in " + target.string()});
}

} // namespace exporter
