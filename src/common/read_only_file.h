#pragma once

#include "common/result.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace common
{

// The bytes of one file as a reader sees them, whatever stores them: a plain file, or a file kept
// encrypted whose plain bytes are made on demand. Reads never change anything. An implementation
// may be used from one thread at a time.
class ReadOnlyFile
{
public:
    virtual ~ReadOnlyFile() = default;

    // The number of bytes a reader sees.
    [[nodiscard]] virtual Result<std::uint64_t> size() const = 0;

    // Copies the bytes from `offset` on into `into`, as many as there are up to its size, and
    // returns how many were copied: fewer than asked only at the end of the file (none past it).
    [[nodiscard]] virtual Result<std::size_t> readAt(std::uint64_t offset, std::span<std::byte> into) const = 0;
};

} // namespace common
