#include "sources/manifest_mbdb.h"

#include "common/plain_file.h"

#include <algorithm>
#include <string_view>

namespace sources
{

namespace
{

constexpr std::string_view mbdbMagic{"mbdb\x05\x00", 6};
// A phone of those years kept some hundred thousand files; ten times that is no backup's.
constexpr std::uint64_t largestMbdb = std::uint64_t{1} << 30;
constexpr std::uint64_t mostRecords = 4'000'000;
constexpr std::size_t readChunk = std::size_t{256} * 1024;
constexpr std::uint16_t noString = 0xFFFF;
// mode, inode, user, group, three times, size, protection class, property count
constexpr std::size_t fixedFieldsSize = 2 + 8 + 4 + 4 + 3 * 4 + 8 + 1 + 1;

std::uint64_t bigEndian(std::string_view bytes)
{
    std::uint64_t value = 0;
    for (const char c : bytes)
        value = (value << 8) | static_cast<std::uint8_t>(c);
    return value;
}

// Reads the file front to back through one buffer.
class Cursor
{
public:
    Cursor(const common::ReadOnlyFile &file, std::uint64_t size)
        : m_file(file)
        , m_size(size)
    {
    }

    [[nodiscard]] std::uint64_t at() const { return m_at; }
    [[nodiscard]] bool atEnd() const { return m_at >= m_size; }

    // The next `count` bytes, valid until the next call; nothing when the file ends before them.
    common::Result<std::optional<std::string_view>> take(std::size_t count)
    {
        if (count > m_size - m_at)
            return std::nullopt;
        if (m_at < m_bufferAt || m_at + count > m_bufferAt + m_buffer.size()) {
            const auto length =
                static_cast<std::size_t>(std::min<std::uint64_t>(std::max(count, readChunk), m_size - m_at));
            m_buffer.resize(length);
            auto got = m_file.readAt(m_at, std::as_writable_bytes(std::span(m_buffer)));
            RETURN_IF_FAILED(got);
            m_buffer.resize(*got);
            m_bufferAt = m_at;
            if (*got < count) // the file shrank while it was read
                return std::nullopt;
        }
        const std::string_view bytes(m_buffer.data() + (m_at - m_bufferAt), count);
        m_at += count;
        return bytes;
    }

private:
    const common::ReadOnlyFile &m_file;
    std::uint64_t m_size;
    std::uint64_t m_at = 0;
    std::string m_buffer;
    std::uint64_t m_bufferAt = 0; // the file offset of m_buffer's first byte
};

class RecordReader
{
public:
    RecordReader(Cursor &cursor, std::uint64_t number)
        : m_cursor(cursor)
        , m_number(number)
        , m_start(cursor.at())
    {
    }

    common::Result<std::string_view> bytes(std::size_t count, const char *field)
    {
        auto taken = m_cursor.take(count);
        RETURN_IF_FAILED(taken);
        if (!*taken)
            return damaged(std::string("ends inside its ") + field);
        return **taken;
    }

    // A string field; nothing for the length 0xFFFF.
    common::Result<std::optional<std::string_view>> string(const char *field)
    {
        auto length = bytes(2, field);
        RETURN_IF_FAILED(length);
        const auto count = static_cast<std::uint16_t>(bigEndian(*length));
        if (count == noString)
            return std::nullopt;
        auto value = bytes(count, field);
        RETURN_IF_FAILED(value);
        return *value;
    }

    common::Result<MbdbRecord> read()
    {
        MbdbRecord record;
        auto domain = string("domain");
        RETURN_IF_FAILED(domain);
        record.domain = std::string(domain->value_or(""));
        auto path = string("path");
        RETURN_IF_FAILED(path);
        record.relativePath = std::string(path->value_or(""));
        for (const char *field : {"link target", "data hash"}) {
            auto skipped = string(field);
            RETURN_IF_FAILED(skipped);
        }
        auto key = string("encryption key");
        RETURN_IF_FAILED(key);
        if (*key)
            record.encryptionKey = std::string(**key);
        auto fixed = bytes(fixedFieldsSize, "mode, owner, times and size");
        RETURN_IF_FAILED(fixed);
        record.mode = static_cast<std::uint16_t>(bigEndian(fixed->substr(0, 2)));
        record.size = bigEndian(fixed->substr(2 + 8 + 4 + 4 + 3 * 4, 8));
        record.protectionClass = static_cast<std::uint8_t>((*fixed)[fixedFieldsSize - 2]);
        const auto properties = static_cast<std::uint8_t>((*fixed)[fixedFieldsSize - 1]);
        for (int i = 0; i < properties; ++i) {
            for (const char *field : {"property name", "property value"}) {
                auto skipped = string(field);
                RETURN_IF_FAILED(skipped);
            }
        }
        return record;
    }

private:
    tl::unexpected<common::Error> damaged(const std::string &what) const
    {
        return common::failure(common::Error{common::Error::Kind::Invalid,
                                             "Manifest.mbdb: record " + std::to_string(m_number) + " (at byte "
                                                 + std::to_string(m_start) + ") " + what});
    }

    Cursor &m_cursor;
    std::uint64_t m_number;
    std::uint64_t m_start;
};

common::Error invalid(std::string detail)
{
    return common::Error{common::Error::Kind::Invalid, "Manifest.mbdb " + std::move(detail)};
}

} // namespace

common::Result<void> readMbdb(const common::ReadOnlyFile &file, const std::function<bool(const MbdbRecord &)> &onRecord)
{
    auto size = file.size();
    RETURN_IF_FAILED(size);
    if (*size > largestMbdb)
        return common::failure(invalid("is " + std::to_string(*size) + " bytes, more than any backup's"));
    Cursor cursor(file, *size);
    auto magic = cursor.take(mbdbMagic.size());
    RETURN_IF_FAILED(magic);
    if (!*magic || **magic != mbdbMagic)
        return common::failure(invalid("does not start with \"mbdb\" and version 5.0"));
    for (std::uint64_t number = 1; !cursor.atEnd(); ++number) {
        if (number > mostRecords)
            return common::failure(invalid("holds more than " + std::to_string(mostRecords) + " records"));
        auto record = RecordReader(cursor, number).read();
        RETURN_IF_FAILED(record);
        if (!onRecord(*record))
            break;
    }
    return {};
}

common::Result<void> readMbdb(const std::filesystem::path &path,
                              const std::function<bool(const MbdbRecord &)> &onRecord)
{
    auto file = common::PlainFile::open(path);
    RETURN_IF_FAILED(file);
    return readMbdb(**file, onRecord);
}

} // namespace sources
