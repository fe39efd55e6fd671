#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>

// Writes NeXT/Apple typedstream archives (little-endian "streamtyped", version 4), the format of
// `message.attributedBody`. Test and demo tool only: the application reads these archives, it
// never writes them.
namespace typedstream
{

// Head bytes with a meaning of their own; every other byte is a small integer or a reference.
namespace tag
{
inline constexpr std::uint8_t int16 = 0x81;
inline constexpr std::uint8_t int32 = 0x82;
inline constexpr std::uint8_t real = 0x83;
inline constexpr std::uint8_t newEntry = 0x84;
inline constexpr std::uint8_t nil = 0x85;
inline constexpr std::uint8_t end = 0x86;
inline constexpr std::uint8_t int64 = 0x87;
} // namespace tag

// One class of a class chain, subclass first: {"NSMutableString", 1}, {"NSString", 1}, ...
struct ClassInfo {
    std::string_view name;
    std::int64_t version = 0;
};

// The low-level builder. It keeps the writer's two tables (shared strings; objects, classes and
// C strings) so that a shared string, a class or a C string written a second time becomes a
// reference, as Apple's writer does. Integers take the shortest form Apple's writer uses: -110 to
// 127 as one byte, then 0x81 (16 bits), 0x82 (32 bits), 0x87 (64 bits). `raw` writes anything
// else a test wants, including malformed bytes; the tables do not see it.
class Writer
{
public:
    // Starts the archive with its 16-byte header: version 4, "streamtyped", the system version.
    explicit Writer(std::int64_t systemVersion = 1000);

    void raw(std::string_view bytes) { m_out.append(bytes); }
    void rawByte(std::uint8_t byte) { m_out.push_back(static_cast<char>(byte)); }

    void integer(std::int64_t value);
    // Unsigned values (lengths, 'I' run lengths) follow the same signed ranges: 145 is 81 91 00.
    void unsignedInteger(std::uint64_t value);
    void realFloat(float value);
    void realDouble(double value);

    // An unshared byte string (type '+'): length, then the bytes.
    void byteString(std::string_view bytes);
    // NEW (0x84 + byte string) the first time, a shared-string reference afterwards.
    void sharedString(std::string_view text);
    // The type encoding that opens a group, such as "@", "+", "iI".
    void typeEncoding(std::string_view codes) { sharedString(codes); }
    // A C string (type '*'): NEW with a shared string the first time (taking an object number),
    // an object reference afterwards.
    void cString(std::string_view text);
    void nil() { rawByte(tag::nil); }
    // A reference to entry `index` of the object table.
    void objectReference(std::size_t index);

    // A class chain, subclass first. Writing stops at the first class already in the table (a
    // reference to it); a chain written in full ends with nil.
    void classChain(std::span<const ClassInfo> chain);
    // A NEW object: 0x84, its object number (returned), its class chain. The caller writes the
    // body's groups and then calls endObject().
    std::size_t beginObject(std::span<const ClassInfo> chain);
    void endObject() { rawByte(tag::end); }

    // Number of entries in the object table so far; the next NEW object gets this number.
    std::size_t objectCount() const { return m_objectCount; }
    std::size_t sharedStringCount() const { return m_sharedStrings.size(); }

    const std::string &bytes() const { return m_out; }
    std::string take() { return std::move(m_out); }

private:
    void littleEndian(std::uint64_t value, int byteCount);
    void shortestInteger(std::int64_t value);

    std::string m_out;
    std::map<std::string, std::size_t, std::less<>> m_sharedStrings;
    std::map<std::string, std::size_t, std::less<>> m_classes;
    std::map<std::string, std::size_t, std::less<>> m_cStrings;
    std::size_t m_objectCount = 0;
};

// Bytes from hexadecimal digit pairs; spaces and line breaks between pairs are ignored. Meant for
// byte arrays written out in tests; any other character makes the result empty.
std::string fromHex(std::string_view digits);

} // namespace typedstream
