#pragma once

#include "common/read_only_file.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace common
{

// Bytes in memory read as a file, so that a reader of files also reads text it is given. The
// bytes must outlive it.
class BytesFile final : public ReadOnlyFile
{
public:
    explicit BytesFile(std::string_view bytes)
        : m_bytes(bytes)
    {
    }

    Result<std::uint64_t> size() const override { return m_bytes.size(); }

    Result<std::size_t> readAt(std::uint64_t offset, std::span<std::byte> into) const override
    {
        if (offset >= m_bytes.size())
            return std::size_t{0};
        const std::size_t count = std::min<std::size_t>(into.size(), m_bytes.size() - offset);
        std::memcpy(into.data(), m_bytes.data() + offset, count);
        return count;
    }

private:
    std::string_view m_bytes;
};

} // namespace common
