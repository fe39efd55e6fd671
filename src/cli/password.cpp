#include "cli/password.h"

#include "common/file_descriptor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace cli
{

namespace
{

common::Result<crypto::SecureBytes, PasswordProblem> unreadable(std::string detail)
{
    return common::failure(PasswordProblem{PasswordProblem::Kind::Unreadable, std::move(detail)});
}

// Reads up to the end of `fd` (or, with `oneLine`, up to the first line end) into wiped memory.
common::Result<crypto::SecureBytes, PasswordProblem> readSecret(int fd, bool oneLine, const std::string &what)
{
    crypto::SecureBytes buffer(maxPasswordBytes + 2); // room to see a line end after the longest password
    std::size_t length = 0;
    while (length < buffer.size()) {
        const ssize_t got = ::read(fd, buffer.data() + length, oneLine ? 1 : buffer.size() - length);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return unreadable("cannot read " + what + ": " + std::strerror(errno));
        if (got == 0)
            break;
        length += static_cast<std::size_t>(got);
        if (oneLine && buffer.data()[length - 1] == '\n')
            break;
    }
    if (length > 0 && buffer.data()[length - 1] == '\n')
        --length;
    if (length > 0 && buffer.data()[length - 1] == '\r')
        --length;
    if (length > maxPasswordBytes)
        return unreadable(what + " is longer than " + std::to_string(maxPasswordBytes)
                          + " bytes, too long for a password");
    return crypto::SecureBytes(buffer.span().first(length));
}

// Turns the terminal's echo off for as long as it lives.
class EchoOff
{
public:
    explicit EchoOff(int fd)
        : m_fd(fd)
    {
        if (::tcgetattr(fd, &m_saved) != 0)
            return;
        termios quiet = m_saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        m_changed = ::tcsetattr(fd, TCSANOW, &quiet) == 0;
    }
    ~EchoOff()
    {
        if (m_changed)
            ::tcsetattr(m_fd, TCSANOW, &m_saved);
    }
    EchoOff(const EchoOff &) = delete;
    EchoOff &operator=(const EchoOff &) = delete;

private:
    int m_fd;
    termios m_saved{};
    bool m_changed = false;
};

} // namespace

common::Result<crypto::SecureBytes, PasswordProblem>
readPassword(const std::optional<std::filesystem::path> &file, std::string_view prompt, std::ostream &err)
{
    if (file && file->native() == "-")
        return readSecret(STDIN_FILENO, false, "the password from standard input");
    if (file) {
        const common::FileDescriptor fd(::open(file->c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
        if (!fd.isOpen())
            return unreadable("cannot read the password file " + file->string() + ": " + std::strerror(errno));
        return readSecret(fd.get(), false, "the password file " + file->string());
    }
    if (::isatty(STDIN_FILENO) == 0)
        return common::failure(PasswordProblem{PasswordProblem::Kind::NotGiven, ""});
    err << prompt << std::flush;
    auto password = [&] {
        const EchoOff quiet(STDIN_FILENO);
        return readSecret(STDIN_FILENO, true, "the password");
    }();
    err << "\n";
    return password;
}

} // namespace cli
