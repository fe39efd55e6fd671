#pragma once

#include <unistd.h>

#include <utility>

namespace common
{

// Owns a file descriptor: closes it when it goes, unless it was released or closed before.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(FileDescriptor &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {
    }
    FileDescriptor &operator=(FileDescriptor &&other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    [[nodiscard]] int get() const { return m_fd; }
    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }

    // Closes the descriptor held, if any, and takes `fd` instead.
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

    // Closes now and reports close()'s result, which for a file just written can carry a late I/O
    // error. Returns 0 when nothing was open.
    int close()
    {
        if (m_fd < 0)
            return 0;
        return ::close(std::exchange(m_fd, -1));
    }

private:
    int m_fd;
};

} // namespace common
