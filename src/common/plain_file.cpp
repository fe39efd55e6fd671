#include "common/plain_file.h"

#include "common/system_error.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace common
{

Result<std::unique_ptr<PlainFile>> PlainFile::open(const std::filesystem::path &path)
{
    // O_NONBLOCK so that opening a FIFO returns at once; it is refused just below.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.isOpen())
        return failure(errorFromErrno(errno, "cannot open " + path.string()));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return failure(errorFromErrno(errno, "cannot read " + path.string()));
    if (!S_ISREG(info.st_mode))
        return failure(Error{Error::Kind::Invalid, path.string() + " is not a regular file"});
    // Reads of a regular file wait as they should.
    if (const int flags = ::fcntl(fd.get(), F_GETFL); flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return failure(errorFromErrno(errno, "cannot read " + path.string()));
    return std::unique_ptr<PlainFile>(new PlainFile(std::move(fd)));
}

Result<std::uint64_t> PlainFile::size() const
{
    struct stat info {};
    if (::fstat(m_fd.get(), &info) != 0)
        return failure(errorFromErrno(errno, "cannot read the file's size"));
    return static_cast<std::uint64_t>(info.st_size);
}

Result<std::size_t> PlainFile::readAt(std::uint64_t offset, std::span<std::byte> into) const
{
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t got =
            ::pread(m_fd.get(), into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return failure(errorFromErrno(errno, "cannot read the file"));
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

} // namespace common
