#include "vcard_physical_lines.h"

#include <algorithm>
#include <cstring>

namespace contacts::vcard
{

namespace
{

constexpr std::size_t chunkBytes = std::size_t{256} * 1024;

// The first CR or LF of `text` from `from` on, or npos; a plain loop, several times faster
// than find_first_of with its per-byte search of the set.
std::size_t lineEndIn(std::string_view text, std::size_t from) noexcept
{
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n')
            return i;
    }
    return std::string_view::npos;
}

} // namespace

PhysicalLines::PhysicalLines(const common::ReadOnlyFile &file, std::uint64_t begin, std::uint64_t end)
    : m_file(file)
    , m_end(std::max(begin, end))
    , m_position(begin)
    , m_bufferStart(begin)
{
}

std::size_t PhysicalLines::readAt(std::uint64_t offset, std::span<std::byte> into)
{
    if (offset >= m_end)
        return 0;
    into = into.first(static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), m_end - offset)));
    const auto read = m_file.readAt(offset, into);
    if (!read) {
        m_error = read.error();
        m_end = offset; // the lines end where the file could not be read
        return 0;
    }
    if (*read < into.size())
        m_end = offset + *read; // the file shrank while read
    return *read;
}

// Appends the next chunk to the buffer, first dropping the bytes before the current position.
bool PhysicalLines::fill()
{
    const std::uint64_t drop = std::min<std::uint64_t>(m_position - m_bufferStart, m_buffer.size());
    m_buffer.erase(0, static_cast<std::size_t>(drop));
    m_bufferStart += drop;
    const std::uint64_t at = m_bufferStart + m_buffer.size();
    const std::size_t before = m_buffer.size();
    m_buffer.resize(before + chunkBytes);
    const std::size_t got = readAt(at, std::as_writable_bytes(std::span(m_buffer.data() + before, chunkBytes)));
    m_buffer.resize(before + got);
    return got > 0;
}

std::string_view PhysicalLines::peek()
{
    if (m_peekedAt == m_position)
        return m_peeked;
    m_peekedAt = m_position;
    m_peekedBase64.reset();
    m_peeked = {};
    m_peekedLength = 0;
    m_peekedLast = '\0';
    m_afterPeeked = m_position;
    if (m_position >= m_bufferStart + m_buffer.size()) { // after a long line
        m_buffer.clear();
        m_bufferStart = m_position;
    }
    if (atEnd())
        return m_peeked;

    std::uint64_t scanned = m_position; // the file offset up to which no line end was seen
    for (;;) {
        const std::size_t from = static_cast<std::size_t>(scanned - m_bufferStart);
        const std::size_t found = lineEndIn(m_buffer, from);
        if (found != std::string::npos) {
            // A CR at the end of the buffer may be the first half of a CR LF.
            if (m_buffer[found] == '\r' && found + 1 == m_buffer.size() && m_bufferStart + m_buffer.size() < m_end) {
                fill();
                continue;
            }
            const std::size_t start = static_cast<std::size_t>(m_position - m_bufferStart);
            const std::size_t end = found;
            if (end - start > maxKeptBytes) {
                scanLongLine(m_position);
                return m_peeked;
            }
            m_peeked = std::string_view(m_buffer).substr(start, end - start);
            m_peekedLength = m_peeked.size();
            m_peekedLast = m_peeked.empty() ? '\0' : m_peeked.back();
            const bool crlf = m_buffer[end] == '\r' && end + 1 < m_buffer.size() && m_buffer[end + 1] == '\n';
            m_afterPeeked = m_bufferStart + end + (crlf ? 2 : 1);
            return m_peeked;
        }
        scanned = m_bufferStart + m_buffer.size();
        if (scanned - m_position > maxKeptBytes) {
            scanLongLine(m_position);
            return m_peeked;
        }
        if (!fill()) { // the last line, without a line end
            const std::size_t start = static_cast<std::size_t>(m_position - m_bufferStart);
            m_peeked = std::string_view(m_buffer).substr(start);
            m_peekedLength = m_peeked.size();
            m_peekedLast = m_peeked.empty() ? '\0' : m_peeked.back();
            m_afterPeeked = m_bufferStart + m_buffer.size();
            return m_peeked;
        }
    }
}

// Passes over a line longer than maxKeptBytes from the file, keeping only its facts; the view
// shows its beginning, which the buffer holds.
void PhysicalLines::scanLongLine(std::uint64_t start)
{
    m_scratch.resize(chunkBytes);
    bool base64 = true;
    std::uint64_t at = start;
    for (;;) {
        const std::size_t got = readAt(at, m_scratch);
        const auto *bytes = reinterpret_cast<const char *>(m_scratch.data());
        const std::string_view piece(bytes, got);
        const std::size_t found = lineEndIn(piece, 0);
        const std::string_view inLine = piece.substr(0, std::min(found, piece.size()));
        base64 = base64 && std::all_of(inLine.begin(), inLine.end(), isBase64LineByte);
        if (!inLine.empty())
            m_peekedLast = inLine.back();
        if (found != std::string_view::npos || got == 0) {
            m_peekedLength = at + inLine.size() - start;
            m_afterPeeked = at + inLine.size();
            if (found != std::string_view::npos) {
                std::byte next{};
                const bool crlf = piece[found] == '\r'
                    && (found + 1 < got
                            ? piece[found + 1] == '\n'
                            : readAt(m_afterPeeked + 1, std::span(&next, 1)) == 1 && next == std::byte{'\n'});
                m_afterPeeked += crlf ? 2 : 1;
            }
            break;
        }
        at += got;
    }
    m_peekedBase64 = base64;
    const std::size_t begin = static_cast<std::size_t>(start - m_bufferStart);
    m_peeked = std::string_view(m_buffer).substr(begin, std::min<std::size_t>(maxKeptBytes, m_buffer.size() - begin));
}

bool PhysicalLines::peekedIsBase64()
{
    if (!m_peekedBase64)
        m_peekedBase64 = std::all_of(m_peeked.begin(), m_peeked.end(), isBase64LineByte);
    return *m_peekedBase64;
}

void PhysicalLines::addPeekedTo(Fnv1a &hash, std::size_t from)
{
    if (peekedWhole()) {
        hash.add(m_peeked.substr(std::min(from, m_peeked.size())));
        return;
    }
    m_scratch.resize(chunkBytes);
    const std::uint64_t lineStart = *m_peekedAt;
    for (std::uint64_t at = lineStart + from; at < lineStart + m_peekedLength;) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(chunkBytes, lineStart + m_peekedLength - at));
        const std::size_t got = readAt(at, std::span(m_scratch).first(want));
        if (got == 0)
            break;
        hash.add(std::string_view(reinterpret_cast<const char *>(m_scratch.data()), got));
        at += got;
    }
}

void PhysicalLines::skip()
{
    peek();
    m_position = m_afterPeeked;
}

} // namespace contacts::vcard
