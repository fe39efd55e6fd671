#include "export/typedstream_decoder.h"

#include "common/utf8.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace exporter
{

namespace
{

// Head bytes 0x80 to 0x91 are reserved; these are the ones the format uses.
constexpr std::uint8_t tagInt16 = 0x81;
constexpr std::uint8_t tagInt32 = 0x82;
constexpr std::uint8_t tagReal = 0x83;
constexpr std::uint8_t tagNew = 0x84;
constexpr std::uint8_t tagNil = 0x85;
constexpr std::uint8_t tagEnd = 0x86;
constexpr std::uint8_t tagInt64 = 0x87;

constexpr bool isReservedTag(std::uint8_t byte)
{
    return byte >= 0x80 && byte <= 0x91;
}

constexpr std::string_view signature = "streamtyped";
constexpr std::uint8_t streamerVersion = 4;
// A reference is written as a signed integer: table index minus 110.
constexpr std::int64_t referenceBias = 110;
// Objects and bracketed type codes nest at most this deep; message bodies use three levels.
constexpr std::size_t maxDepth = 64;
constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
// An array count above this cannot be a real archive's.
constexpr std::uint64_t maxArrayCount = std::numeric_limits<std::uint32_t>::max();

// UTF-16 code units of well-formed UTF-8: one per scalar, two for those above U+FFFF.
std::uint64_t utf16Units(std::string_view utf8)
{
    std::uint64_t units = 0;
    for (const char c : utf8) {
        const auto byte = static_cast<std::uint8_t>(c);
        units += (byte & 0xC0) != 0x80 ? 1 : 0;
        units += byte >= 0xF0 ? 1 : 0;
    }
    return units;
}

// One entry of the object table: an object (numbered when its NEW tag is read), a class of a
// class chain, or a C string.
struct Entry {
    enum class Kind : std::uint8_t {
        Object,
        Class,
        CString
    };
    enum class FirstGroup : std::uint8_t {
        None,
        Bytes,
        Other
    };

    Kind kind = Kind::Object;
    FirstGroup firstGroup = FirstGroup::None;
    bool complete = false;
    std::size_t groupCount = 0;
    // Class: its superclass. Object: its class. `none` when there is none.
    std::size_t link = none;
    // Class: its name. C string: its text. Object whose first group is "+": its bytes.
    std::string_view text;
};

// The values of one group that the root's layout is checked against.
struct GroupValues {
    std::size_t object = none; // "@"
    std::optional<std::string_view> bytes; // "+"
    std::int64_t dictionaryNumber = 0; // "iI"
    std::uint64_t runLength = 0; // "iI"
};

// A single-pass reader over the whole archive. Every read is bounds-checked; every function
// returns false on malformed input and then the reader's state is no longer used. Shared strings,
// names and texts are views into the input, so nothing is copied until the result.
class Reader
{
public:
    explicit Reader(std::string_view bytes)
        : m_bytes(bytes)
        , m_budget(16 * bytes.size() + 1024)
    {
        m_strings.reserve(32);
        m_objects.reserve(32);
    }

    std::optional<std::string> rootText();

private:
    enum class RootState {
        ExpectString,
        ExpectRun,
        ExpectDictionary
    };

    bool next(std::uint8_t &out);
    bool take(std::uint64_t count, std::string_view &out);
    bool littleEndian(std::size_t byteCount, std::uint64_t &out);

    bool signedAfter(std::uint8_t head, std::int64_t &out);
    bool unsignedAfter(std::uint8_t head, std::uint64_t &out);
    bool signedInteger(std::int64_t &out);
    bool unsignedInteger(std::uint64_t &out);
    bool referenceAfter(std::uint8_t head, std::size_t tableSize, std::size_t &index);

    bool byteString(std::optional<std::string_view> &out);
    bool sharedStringAfter(std::uint8_t head, std::optional<std::string_view> &out);
    bool sharedString(std::optional<std::string_view> &out);
    bool cString();
    bool classChain(std::size_t &classIndex);
    bool object(std::size_t depth, std::size_t &index);

    bool group(std::string_view type, std::size_t depth, GroupValues &values);
    bool value(std::string_view type, std::size_t &pos, std::size_t depth);
    bool skipType(std::string_view type, std::size_t &pos, std::size_t depth);
    bool structName(std::string_view type, std::size_t &pos);
    bool arrayCount(std::string_view type, std::size_t &pos, std::uint64_t &count);
    bool spend(std::size_t units);

    bool chainNames(std::size_t classIndex, std::string_view a, std::string_view b) const;
    bool stringText(std::size_t objectIndex, std::string_view &out) const;
    bool acceptRootGroup(std::string_view type, const GroupValues &values);
    bool finishRoot() const;

    std::string_view m_bytes;
    std::size_t m_pos = 0;
    // Work left: one unit per value read and per type-encoding character examined. A type
    // encoding is stored once and may be used again by a one-byte reference, and an array count
    // repeats values that may take no bytes ('!'); the budget keeps all of it linear in the input.
    std::size_t m_budget;
    std::vector<std::string_view> m_strings;
    std::vector<Entry> m_objects;

    RootState m_rootState = RootState::ExpectString;
    std::string_view m_text;
    std::uint64_t m_textUnits = 0;
    std::uint64_t m_covered = 0;
    std::int64_t m_nextDictionary = 1;
};

bool Reader::next(std::uint8_t &out)
{
    if (m_pos >= m_bytes.size())
        return false;
    out = static_cast<std::uint8_t>(m_bytes[m_pos++]);
    return true;
}

bool Reader::take(std::uint64_t count, std::string_view &out)
{
    // Checked before anything is made of the count, so a huge declared length costs nothing.
    if (count > m_bytes.size() - m_pos)
        return false;
    out = m_bytes.substr(m_pos, static_cast<std::size_t>(count));
    m_pos += static_cast<std::size_t>(count);
    return true;
}

bool Reader::littleEndian(std::size_t byteCount, std::uint64_t &out)
{
    std::string_view raw;
    if (!take(byteCount, raw))
        return false;
    out = 0;
    for (std::size_t k = 0; k < byteCount; ++k)
        out |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(raw[k])) << (8 * k);
    return true;
}

bool Reader::signedAfter(std::uint8_t head, std::int64_t &out)
{
    std::uint64_t raw = 0;
    switch (head) {
    case tagInt16:
        if (!littleEndian(2, raw))
            return false;
        out = static_cast<std::int16_t>(raw);
        return true;
    case tagInt32:
        if (!littleEndian(4, raw))
            return false;
        out = static_cast<std::int32_t>(raw);
        return true;
    case tagInt64:
        if (!littleEndian(8, raw))
            return false;
        out = static_cast<std::int64_t>(raw);
        return true;
    default:
        if (isReservedTag(head))
            return false;
        // Any other byte is the number itself, a signed byte.
        out = static_cast<std::int8_t>(head); // NOLINT(bugprone-signed-char-misuse): the sign is meant
        return true;
    }
}

bool Reader::unsignedAfter(std::uint8_t head, std::uint64_t &out)
{
    switch (head) {
    case tagInt16:
        return littleEndian(2, out);
    case tagInt32:
        return littleEndian(4, out);
    case tagInt64:
        return littleEndian(8, out);
    default:
        // 0x92 to 0xFF read as 146 to 255 here, never as negative numbers.
        if (isReservedTag(head))
            return false;
        out = head;
        return true;
    }
}

bool Reader::signedInteger(std::int64_t &out)
{
    std::uint8_t head = 0;
    return next(head) && signedAfter(head, out);
}

bool Reader::unsignedInteger(std::uint64_t &out)
{
    std::uint8_t head = 0;
    return next(head) && unsignedAfter(head, out);
}

bool Reader::referenceAfter(std::uint8_t head, std::size_t tableSize, std::size_t &index)
{
    std::int64_t value = 0;
    if (!signedAfter(head, value) || value < -referenceBias)
        return false;
    const std::uint64_t position = static_cast<std::uint64_t>(value + referenceBias);
    if (position >= tableSize)
        return false;
    index = static_cast<std::size_t>(position);
    return true;
}

bool Reader::byteString(std::optional<std::string_view> &out)
{
    std::uint8_t head = 0;
    if (!next(head))
        return false;
    if (head == tagNil) {
        out.reset();
        return true;
    }
    std::uint64_t length = 0;
    std::string_view bytes;
    if (!unsignedAfter(head, length) || !take(length, bytes))
        return false;
    out = bytes;
    return true;
}

bool Reader::sharedStringAfter(std::uint8_t head, std::optional<std::string_view> &out)
{
    if (head == tagNil) {
        out.reset();
        return true;
    }
    if (head == tagNew) {
        std::optional<std::string_view> text;
        if (!byteString(text) || !text)
            return false;
        m_strings.push_back(*text);
        out = text;
        return true;
    }
    std::size_t index = 0;
    if (!referenceAfter(head, m_strings.size(), index))
        return false;
    out = m_strings[index];
    return true;
}

bool Reader::sharedString(std::optional<std::string_view> &out)
{
    std::uint8_t head = 0;
    return next(head) && sharedStringAfter(head, out);
}

bool Reader::cString()
{
    std::uint8_t head = 0;
    if (!next(head))
        return false;
    if (head == tagNil)
        return true;
    if (head == tagNew) {
        std::optional<std::string_view> text;
        if (!sharedString(text) || !text)
            return false;
        m_objects.push_back(Entry{.kind = Entry::Kind::CString, .text = *text});
        return true;
    }
    std::size_t index = 0;
    return referenceAfter(head, m_objects.size(), index) && m_objects[index].kind == Entry::Kind::CString;
}

bool Reader::classChain(std::size_t &classIndex)
{
    std::uint8_t head = 0;
    if (!next(head))
        return false;
    if (head == tagNil) {
        classIndex = none;
        return true;
    }
    if (head != tagNew) {
        return referenceAfter(head, m_objects.size(), classIndex) && m_objects[classIndex].kind == Entry::Kind::Class;
    }
    const std::size_t chainStart = m_objects.size();
    std::size_t previous = none;
    while (head == tagNew) {
        std::optional<std::string_view> name;
        std::int64_t version = 0;
        if (!sharedString(name) || !name || name->empty() || !signedInteger(version))
            return false;
        const std::size_t index = m_objects.size();
        m_objects.push_back(Entry{.kind = Entry::Kind::Class, .text = *name});
        if (previous == none)
            classIndex = index;
        else
            m_objects[previous].link = index;
        previous = index;
        if (!next(head))
            return false;
    }
    if (head == tagNil)
        return true;
    // The superclass must come from an earlier chain: pointing back into this one would make
    // the chain a cycle.
    std::size_t superclass = none;
    if (!referenceAfter(head, chainStart, superclass) || m_objects[superclass].kind != Entry::Kind::Class)
        return false;
    m_objects[previous].link = superclass;
    return true;
}

bool Reader::object(std::size_t depth, std::size_t &index)
{
    std::uint8_t head = 0;
    if (!next(head))
        return false;
    if (head == tagNil) {
        index = none;
        return true;
    }
    if (head != tagNew)
        return referenceAfter(head, m_objects.size(), index) && m_objects[index].kind == Entry::Kind::Object;
    if (depth > maxDepth)
        return false;

    // The object's number is taken before its class is read.
    index = m_objects.size();
    m_objects.push_back(Entry{});
    std::size_t classIndex = none;
    if (!classChain(classIndex) || classIndex == none)
        return false;
    m_objects[index].link = classIndex;
    const bool isRoot = depth == 0;
    if (isRoot && !chainNames(classIndex, "NSAttributedString", "NSMutableAttributedString"))
        return false;

    for (;;) {
        if (!next(head))
            return false;
        if (head == tagEnd)
            break;
        std::optional<std::string_view> type;
        if (!sharedStringAfter(head, type) || !type || type->empty())
            return false;
        GroupValues values;
        if (!group(*type, depth, values))
            return false;
        // Looked up again: reading the group may have grown the table.
        Entry &entry = m_objects[index];
        if (entry.groupCount == 0) {
            if (*type == "+" && values.bytes) {
                entry.firstGroup = Entry::FirstGroup::Bytes;
                entry.text = *values.bytes;
            } else {
                entry.firstGroup = Entry::FirstGroup::Other;
            }
        }
        ++entry.groupCount;
        if (isRoot && !acceptRootGroup(*type, values))
            return false;
    }
    m_objects[index].complete = true;
    return !isRoot || finishRoot();
}

bool Reader::group(std::string_view type, std::size_t depth, GroupValues &values)
{
    // The groups of strings and attributed strings, read directly; anything else is walked.
    if (type == "@")
        return object(depth + 1, values.object);
    if (type == "+")
        return byteString(values.bytes);
    if (type == "iI")
        return signedInteger(values.dictionaryNumber) && unsignedInteger(values.runLength);
    std::size_t pos = 0;
    while (pos < type.size()) {
        if (!value(type, pos, depth))
            return false;
    }
    return true;
}

bool Reader::value(std::string_view type, std::size_t &pos, std::size_t depth)
{
    if (depth > maxDepth || pos >= type.size() || !spend(1))
        return false;
    const char code = type[pos++];
    switch (code) {
    case 'c':
    case 'C':
    case 'B': {
        std::string_view skipped;
        return take(1, skipped);
    }
    case 's':
    case 'i':
    case 'l':
    case 'q': {
        std::int64_t ignored = 0;
        return signedInteger(ignored);
    }
    case 'S':
    case 'I':
    case 'L':
    case 'Q': {
        std::uint64_t ignored = 0;
        return unsignedInteger(ignored);
    }
    case 'f':
    case 'd': {
        // A real is 0x83 and its IEEE bytes, or was written as an integer.
        std::uint8_t head = 0;
        if (!next(head))
            return false;
        std::string_view skipped;
        std::int64_t ignored = 0;
        return head == tagReal ? take(code == 'f' ? 4 : 8, skipped) : signedAfter(head, ignored);
    }
    case '+': {
        std::optional<std::string_view> ignored;
        return byteString(ignored);
    }
    case '*':
        return cString();
    case '%':
    case ':': {
        std::optional<std::string_view> ignored;
        return sharedString(ignored);
    }
    case '#': {
        std::size_t ignored = none;
        return classChain(ignored);
    }
    case '@': {
        std::size_t ignored = none;
        return object(depth + 1, ignored);
    }
    case '!':
        return true;
    case '[': {
        std::uint64_t count = 0;
        if (!arrayCount(type, pos, count))
            return false;
        const std::size_t elementStart = pos;
        if (!skipType(type, pos, depth + 1) || pos >= type.size() || type[pos] != ']')
            return false;
        const std::size_t elementEnd = pos++;
        if (elementEnd - elementStart == 1 && (type[elementStart] == 'c' || type[elementStart] == 'C')) {
            std::string_view skipped;
            return take(count, skipped);
        }
        for (std::uint64_t k = 0; k < count; ++k) {
            std::size_t elementPos = elementStart;
            if (!value(type, elementPos, depth + 1))
                return false;
        }
        return true;
    }
    case '{': {
        if (!structName(type, pos))
            return false;
        while (pos < type.size() && type[pos] != '}') {
            if (!value(type, pos, depth + 1))
                return false;
        }
        if (pos >= type.size())
            return false;
        ++pos;
        return true;
    }
    default:
        return false;
    }
}

bool Reader::skipType(std::string_view type, std::size_t &pos, std::size_t depth)
{
    if (depth > maxDepth || pos >= type.size() || !spend(1))
        return false;
    const char code = type[pos++];
    switch (code) {
    case '[': {
        std::uint64_t count = 0;
        if (!arrayCount(type, pos, count) || !skipType(type, pos, depth + 1) || pos >= type.size() || type[pos] != ']')
            return false;
        ++pos;
        return true;
    }
    case '{':
        if (!structName(type, pos))
            return false;
        while (pos < type.size() && type[pos] != '}') {
            if (!skipType(type, pos, depth + 1))
                return false;
        }
        if (pos >= type.size())
            return false;
        ++pos;
        return true;
    default:
        return std::string_view("cCBsilqSILQfd+*%:#@!").find(code) != std::string_view::npos;
    }
}

// Skips "name=" after a '{'. A struct without '=' gives no field types and cannot be read.
bool Reader::structName(std::string_view type, std::size_t &pos)
{
    while (pos < type.size() && type[pos] != '=') {
        const char c = type[pos++];
        if (c == '{' || c == '}' || c == '[' || c == ']' || !spend(1))
            return false;
    }
    if (pos >= type.size())
        return false;
    ++pos;
    return true;
}

bool Reader::spend(std::size_t units)
{
    if (m_budget < units)
        return false;
    m_budget -= units;
    return true;
}

bool Reader::arrayCount(std::string_view type, std::size_t &pos, std::uint64_t &count)
{
    const std::size_t start = pos;
    count = 0;
    while (pos < type.size() && type[pos] >= '0' && type[pos] <= '9') {
        count = count * 10 + static_cast<std::uint64_t>(type[pos] - '0');
        if (count > maxArrayCount || !spend(1))
            return false;
        ++pos;
    }
    return pos > start;
}

bool Reader::chainNames(std::size_t classIndex, std::string_view a, std::string_view b) const
{
    // Chains are acyclic by construction; the step bound is a second guard.
    for (std::size_t i = classIndex, steps = 0; i != none && steps <= m_objects.size();
         i = m_objects[i].link, ++steps) {
        if (m_objects[i].text == a || m_objects[i].text == b)
            return true;
    }
    return false;
}

bool Reader::stringText(std::size_t objectIndex, std::string_view &out) const
{
    if (objectIndex == none)
        return false;
    const Entry &string = m_objects[objectIndex];
    // An object still being read (the root itself, referenced from inside) has no text yet.
    if (!string.complete || string.groupCount != 1 || string.firstGroup != Entry::FirstGroup::Bytes)
        return false;
    if (!chainNames(string.link, "NSString", "NSMutableString") || !common::isValidUtf8(string.text))
        return false;
    out = string.text;
    return true;
}

// The root's body must be an attributed string's: its string, then runs "iI" (dictionary
// number, length in UTF-16 units), each first use of a number followed by its dictionary, until
// the runs cover the string exactly.
bool Reader::acceptRootGroup(std::string_view type, const GroupValues &values)
{
    switch (m_rootState) {
    case RootState::ExpectString:
        if (type != "@" || !stringText(values.object, m_text))
            return false;
        m_textUnits = utf16Units(m_text);
        m_rootState = RootState::ExpectRun;
        return true;
    case RootState::ExpectRun:
        if (type != "iI" || values.runLength > m_textUnits - m_covered || m_covered == m_textUnits)
            return false;
        m_covered += values.runLength;
        if (values.dictionaryNumber == m_nextDictionary) {
            ++m_nextDictionary;
            m_rootState = RootState::ExpectDictionary;
            return true;
        }
        return values.dictionaryNumber >= 1 && values.dictionaryNumber < m_nextDictionary;
    case RootState::ExpectDictionary:
        if (type != "@" || values.object == none)
            return false;
        m_rootState = RootState::ExpectRun;
        return true;
    }
    return false;
}

bool Reader::finishRoot() const
{
    return m_rootState == RootState::ExpectRun && m_covered == m_textUnits;
}

std::optional<std::string> Reader::rootText()
{
    std::uint8_t version = 0;
    std::uint8_t signatureLength = 0;
    std::string_view signatureBytes;
    std::int64_t systemVersion = 0;
    if (!next(version) || version != streamerVersion || !next(signatureLength) || signatureLength != signature.size()
        || !take(signatureLength, signatureBytes) || signatureBytes != signature || !signedInteger(systemVersion))
        return std::nullopt;

    std::optional<std::string_view> type;
    if (!sharedString(type) || type != "@")
        return std::nullopt;
    std::size_t root = none;
    if (!object(0, root) || root == none)
        return std::nullopt;
    return std::string(m_text);
}

} // namespace

std::optional<std::string> decodeAttributedString(std::string_view bytes)
{
    Reader reader(bytes);
    return reader.rootText();
}

} // namespace exporter
