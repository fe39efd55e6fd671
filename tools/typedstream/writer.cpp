#include "typedstream/writer.h"

#include <bit>
#include <limits>

namespace typedstream
{

namespace
{

// References are written as signed integers offset by the 110 values below the first tag.
constexpr std::int64_t referenceBias = 110;

} // namespace

Writer::Writer(std::int64_t systemVersion)
{
    rawByte(4);
    rawByte(11);
    raw("streamtyped");
    integer(systemVersion);
}

void Writer::littleEndian(std::uint64_t value, int byteCount)
{
    for (int k = 0; k < byteCount; ++k)
        rawByte(static_cast<std::uint8_t>(value >> (8 * k)));
}

void Writer::shortestInteger(std::int64_t value)
{
    if (value >= -110 && value <= 127) {
        rawByte(static_cast<std::uint8_t>(value));
    } else if (value >= std::numeric_limits<std::int16_t>::min() && value <= std::numeric_limits<std::int16_t>::max()) {
        rawByte(tag::int16);
        littleEndian(static_cast<std::uint64_t>(value), 2);
    } else if (value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max()) {
        rawByte(tag::int32);
        littleEndian(static_cast<std::uint64_t>(value), 4);
    } else {
        rawByte(tag::int64);
        littleEndian(static_cast<std::uint64_t>(value), 8);
    }
}

void Writer::integer(std::int64_t value)
{
    shortestInteger(value);
}

void Writer::unsignedInteger(std::uint64_t value)
{
    if (value <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        shortestInteger(static_cast<std::int64_t>(value));
        return;
    }
    rawByte(tag::int64);
    littleEndian(value, 8);
}

void Writer::realFloat(float value)
{
    rawByte(tag::real);
    littleEndian(std::bit_cast<std::uint32_t>(value), 4);
}

void Writer::realDouble(double value)
{
    rawByte(tag::real);
    littleEndian(std::bit_cast<std::uint64_t>(value), 8);
}

void Writer::byteString(std::string_view bytes)
{
    unsignedInteger(bytes.size());
    raw(bytes);
}

void Writer::sharedString(std::string_view text)
{
    if (const auto known = m_sharedStrings.find(text); known != m_sharedStrings.end()) {
        integer(static_cast<std::int64_t>(known->second) - referenceBias);
        return;
    }
    rawByte(tag::newEntry);
    byteString(text);
    m_sharedStrings.emplace(std::string(text), m_sharedStrings.size());
}

void Writer::cString(std::string_view text)
{
    if (const auto known = m_cStrings.find(text); known != m_cStrings.end()) {
        objectReference(known->second);
        return;
    }
    rawByte(tag::newEntry);
    sharedString(text);
    m_cStrings.emplace(std::string(text), m_objectCount++);
}

void Writer::objectReference(std::size_t index)
{
    integer(static_cast<std::int64_t>(index) - referenceBias);
}

void Writer::classChain(std::span<const ClassInfo> chain)
{
    for (const ClassInfo &cls : chain) {
        if (const auto known = m_classes.find(cls.name); known != m_classes.end()) {
            objectReference(known->second);
            return;
        }
        rawByte(tag::newEntry);
        sharedString(cls.name);
        integer(cls.version);
        m_classes.emplace(std::string(cls.name), m_objectCount++);
    }
    nil();
}

std::size_t Writer::beginObject(std::span<const ClassInfo> chain)
{
    rawByte(tag::newEntry);
    const std::size_t number = m_objectCount++;
    classChain(chain);
    return number;
}

std::string fromHex(std::string_view digits)
{
    const auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    int high = -1;
    for (const char c : digits) {
        if (c == ' ' || c == '\n' || c == '\t') {
            if (high >= 0)
                return {};
            continue;
        }
        const int value = nibble(c);
        if (value < 0)
            return {};
        if (high < 0) {
            high = value;
        } else {
            out.push_back(static_cast<char>(high * 16 + value));
            high = -1;
        }
    }
    return high < 0 ? out : std::string();
}

} // namespace typedstream
