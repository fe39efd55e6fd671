#pragma once

#include "common/file_descriptor.h"
#include "common/read_only_file.h"
#include "common/result.h"

#include <filesystem>
#include <memory>

namespace common
{

// A file on disk read as it is: positioned reads on a descriptor opened read-only. Creates and
// changes nothing.
class PlainFile final : public ReadOnlyFile
{
public:
    // Fails with NotFound, NoPermission or Io; a path that is not a regular file fails with
    // Invalid (a FIFO would otherwise block here).
    [[nodiscard]] static Result<std::unique_ptr<PlainFile>> open(const std::filesystem::path &path);

    [[nodiscard]] Result<std::uint64_t> size() const override;
    [[nodiscard]] Result<std::size_t> readAt(std::uint64_t offset, std::span<std::byte> into) const override;

private:
    explicit PlainFile(FileDescriptor fd)
        : m_fd(std::move(fd))
    {
    }

    FileDescriptor m_fd;
};

} // namespace common
