#pragma once

#include "common/read_only_file.h"
#include "common/result.h"
#include "vcard_syntax.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace contacts::vcard
{

// The physical lines of a file's bytes (CR LF, LF and a lone CR all end a line), read in
// bounded chunks: memory stays below maxKeptBytes plus one chunk whatever the lines' lengths.
// A line longer than maxKeptBytes is shown by its beginning, and what a reader needs of all of
// it (its length, last byte, hash, whether it is a base64 line) is taken from the file.
class PhysicalLines
{
public:
    // The lines of `file`'s bytes from `begin` up to `end`. The file must outlive this.
    PhysicalLines(const common::ReadOnlyFile &file, std::uint64_t begin, std::uint64_t end);

    [[nodiscard]] bool atEnd() const noexcept { return m_position >= m_end; }

    // The next line without its line end (its first maxKeptBytes bytes when longer); the empty
    // view at the end of the input. The view stays valid until the next call of peek.
    std::string_view peek();
    // Of the line peek shows: whether the view is all of it, its length, its last byte ('\0'
    // when empty) and whether it is all base64, '=' and blanks.
    [[nodiscard]] bool peekedWhole() const noexcept { return m_peekedLength == m_peeked.size(); }
    [[nodiscard]] std::uint64_t peekedLength() const noexcept { return m_peekedLength; }
    [[nodiscard]] char peekedLast() const noexcept { return m_peekedLast; }
    [[nodiscard]] bool peekedIsBase64();
    // Adds the peeked line's bytes from `from` on to `hash`.
    void addPeekedTo(Fnv1a &hash, std::size_t from);
    void skip();

    // The first read failure; the lines then end where it happened.
    [[nodiscard]] const std::optional<common::Error> &error() const noexcept { return m_error; }

private:
    bool fill();
    void scanLongLine(std::uint64_t start);
    std::size_t readAt(std::uint64_t offset, std::span<std::byte> into);

    const common::ReadOnlyFile &m_file;
    std::uint64_t m_end;
    std::uint64_t m_position;
    std::string m_buffer; // the file's bytes from m_bufferStart on
    std::uint64_t m_bufferStart;
    std::vector<std::byte> m_scratch; // for passing over long lines

    std::optional<std::uint64_t> m_peekedAt;
    std::string_view m_peeked;
    std::uint64_t m_peekedLength = 0;
    char m_peekedLast = '\0';
    std::optional<bool> m_peekedBase64;
    std::uint64_t m_afterPeeked = 0;
    std::optional<common::Error> m_error;
};

} // namespace contacts::vcard
