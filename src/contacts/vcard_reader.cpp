#include "vcard_reader.h"

#include "common/system_error.h"
#include "common/unicode_string.h"
#include "common/utf8.h"

#include <unicode/ucnv.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include <sys/stat.h>

namespace contacts
{

namespace
{

// ---------------------------------------------------------------------------------------------
// Small byte helpers. Property names, parameters and the line structure are ASCII; values are
// bytes in some charset until decodeValue turns them into UTF-8.

char upperAscii(char c) noexcept
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperAscii(std::string_view text)
{
    std::string upper(text);
    for (char &c : upper)
        c = upperAscii(c);
    return upper;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upperAscii(a[i]) != upperAscii(b[i]))
            return false;
    }
    return true;
}

bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) noexcept
{
    return text.size() >= prefix.size() && equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool isBlank(char c) noexcept
{
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text) noexcept
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view unquote(std::string_view text) noexcept
{
    text = trimBlanks(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

int hexValue(char c) noexcept
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

int base64Value(char c) noexcept
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// A line of a 2.1 base64 block that was written without folding white space.
bool isBase64Line(std::string_view line) noexcept
{
    for (const char c : line) {
        if (base64Value(c) < 0 && c != '=' && !isBlank(c))
            return false;
    }
    return true;
}

// 64-bit FNV-1a: simple, and the same on every platform and every run.
class Fnv1a
{
public:
    void reset() noexcept { m_hash = offsetBasis; }
    void add(std::string_view bytes) noexcept
    {
        for (const char c : bytes) {
            m_hash ^= static_cast<unsigned char>(c);
            m_hash *= prime;
        }
    }
    std::uint64_t value() const noexcept { return m_hash; }

private:
    static constexpr std::uint64_t offsetBasis = 0xcbf29ce484222325ULL;
    static constexpr std::uint64_t prime = 0x100000001b3ULL;
    std::uint64_t m_hash = offsetBasis;
};

// ---------------------------------------------------------------------------------------------
// Physical lines: CR LF, LF and a lone CR all end a line.

class PhysicalLines
{
public:
    explicit PhysicalLines(std::string_view bytes)
        : m_bytes(bytes)
    {
    }

    bool atEnd() const noexcept { return m_position >= m_bytes.size(); }

    // The next line without its line end; the empty view at the end of the input.
    std::string_view peek() noexcept
    {
        if (m_peekedAt != m_position) {
            const std::size_t end = std::min(m_bytes.find_first_of("\r\n", m_position), m_bytes.size());
            m_peeked = m_bytes.substr(m_position, end - m_position);
            m_afterPeeked = end;
            if (end < m_bytes.size())
                m_afterPeeked += (m_bytes[end] == '\r' && end + 1 < m_bytes.size() && m_bytes[end + 1] == '\n') ? 2 : 1;
            m_peekedAt = m_position;
        }
        return m_peeked;
    }

    void skip() noexcept
    {
        peek();
        m_position = m_afterPeeked;
    }

private:
    std::string_view m_bytes;
    std::size_t m_position = 0;
    std::size_t m_peekedAt = std::string_view::npos;
    std::string_view m_peeked;
    std::size_t m_afterPeeked = 0;
};

// ---------------------------------------------------------------------------------------------
// Content lines.

enum class Property {
    Begin,
    End,
    Agent,
    Uid,
    AbUid,
    FormattedName,
    Name,
    Nickname,
    Organization,
    Telephone,
    Email,
    AbShowAs,
    Other, // a property this reader has no use for; its value is not kept
    Invalid, // a line without a colon
};

Property propertyNamed(std::string_view upperName) noexcept
{
    struct Known {
        std::string_view name;
        Property property;
    };
    static constexpr std::array<Known, 12> known{{
        {"BEGIN", Property::Begin},
        {"END", Property::End},
        {"AGENT", Property::Agent},
        {"UID", Property::Uid},
        {"X-ABUID", Property::AbUid},
        {"FN", Property::FormattedName},
        {"N", Property::Name},
        {"NICKNAME", Property::Nickname},
        {"ORG", Property::Organization},
        {"TEL", Property::Telephone},
        {"EMAIL", Property::Email},
        {"X-ABSHOWAS", Property::AbShowAs},
    }};
    for (const Known &k : known) {
        if (k.name == upperName)
            return k.property;
    }
    return Property::Other;
}

enum class TransferEncoding {
    None,
    QuotedPrintable,
    Base64,
};

struct ContentLine {
    Property property = Property::Invalid;
    std::string value; // raw bytes of the value; filled for known properties only
    TransferEncoding encoding = TransferEncoding::None;
    std::string charset; // upper case, empty when not given
};

struct Head {
    Property property = Property::Other;
    TransferEncoding encoding = TransferEncoding::None;
    std::string charset;
};

TransferEncoding encodingNamed(std::string_view value) noexcept
{
    if (equalsIgnoringAsciiCase(value, "QUOTED-PRINTABLE"))
        return TransferEncoding::QuotedPrintable;
    if (equalsIgnoringAsciiCase(value, "BASE64") || equalsIgnoringAsciiCase(value, "B"))
        return TransferEncoding::Base64;
    return TransferEncoding::None;
}

// Splits "item1.TEL;type=CELL;CHARSET=UTF-8;QUOTED-PRINTABLE" into what the reader needs: the
// property (group dropped), the transfer encoding (2.1 also names it as a bare parameter) and the
// charset. Parameter values may be quoted and then hold ';'.
Head parseHead(std::string_view head)
{
    Head parsed;
    std::size_t at = 0;
    bool first = true;
    while (at <= head.size()) {
        std::size_t end = at;
        bool quoted = false;
        while (end < head.size() && (quoted || head[end] != ';')) {
            if (head[end] == '"')
                quoted = !quoted;
            ++end;
        }
        const std::string_view piece = head.substr(at, end - at);
        if (first) {
            std::string_view name = trimBlanks(piece);
            const std::size_t dot = name.rfind('.');
            if (dot != std::string_view::npos)
                name.remove_prefix(dot + 1);
            parsed.property = propertyNamed(upperAscii(name));
            first = false;
        } else {
            const std::size_t equals = piece.find('=');
            if (equals == std::string_view::npos) {
                const TransferEncoding bare = encodingNamed(trimBlanks(piece));
                if (bare != TransferEncoding::None)
                    parsed.encoding = bare;
            } else {
                const std::string_view name = trimBlanks(piece.substr(0, equals));
                const std::string_view value = unquote(piece.substr(equals + 1));
                if (equalsIgnoringAsciiCase(name, "ENCODING"))
                    parsed.encoding = encodingNamed(value);
                else if (equalsIgnoringAsciiCase(name, "CHARSET"))
                    parsed.charset = upperAscii(value);
            }
        }
        at = end + 1;
    }
    return parsed;
}

// Finds the colon that ends a content line's head, skipping colons inside quoted parameter
// values. Resumes where it stopped when the head turns out to be folded.
class ColonScan
{
public:
    std::size_t next(std::string_view text) noexcept
    {
        for (; m_scanned < text.size(); ++m_scanned) {
            if (text[m_scanned] == '"')
                m_quoted = !m_quoted;
            else if (text[m_scanned] == ':' && !m_quoted)
                return m_scanned;
        }
        return std::string_view::npos;
    }

private:
    std::size_t m_scanned = 0;
    bool m_quoted = false;
};

// Reads content lines: unfolds folded lines (a line end followed by a space or a tab), joins
// quoted-printable soft line breaks ("=" at the end of a line) and takes in the unfolded lines of
// 2.1 base64 blocks, which end with an empty line. Keeps the value only where it is needed, so a
// photo costs no memory. Every byte is visited a bounded number of times.
class ContentLines
{
public:
    explicit ContentLines(std::string_view bytes)
        : m_lines(bytes)
    {
    }

    // The next content line, or false at the end of the input. Empty lines are passed over.
    bool next(ContentLine &line)
    {
        while (!m_lines.atEnd() && m_lines.peek().empty())
            m_lines.skip();
        if (m_lines.atEnd())
            return false;

        m_hash.add("\n");
        // Most lines are not folded before their colon; they are read in place.
        std::string_view text = take(m_lines.peek());
        std::string unfolded;
        ColonScan scan;
        std::size_t colon = scan.next(text);
        while (colon == std::string_view::npos && continuesByFolding()) {
            if (unfolded.empty())
                unfolded.assign(text);
            unfolded.append(take(m_lines.peek().substr(1)));
            text = unfolded;
            colon = scan.next(text);
        }
        if (colon == std::string_view::npos)
            colon = text.find(':'); // an unbalanced quote in the head
        line = ContentLine{};
        if (colon == std::string_view::npos) {
            line.property = Property::Invalid;
            return true;
        }

        Head head = parseHead(text.substr(0, colon));
        line.property = head.property;
        line.encoding = head.encoding;
        line.charset = std::move(head.charset);
        const bool keep = head.property != Property::Other;
        if (keep)
            line.value.assign(text.substr(colon + 1));
        char last = text.size() > colon + 1 ? text.back() : '\0';
        unfolded = std::string();

        // A value is continued by a soft line break first: its next line may begin with a space
        // that belongs to the text.
        while (!m_lines.atEnd()) {
            const std::string_view following = m_lines.peek();
            std::string_view addition;
            bool softBreak = false;
            if (line.encoding == TransferEncoding::QuotedPrintable && last == '=' && !isCardBoundary(following)) {
                addition = following;
                softBreak = true;
            } else if (!following.empty() && isBlank(following.front())) {
                addition = following.substr(1);
            } else if (line.encoding == TransferEncoding::Base64 && !following.empty() && isBase64Line(following)) {
                addition = following;
            } else {
                break;
            }
            m_hash.add(addition);
            if (keep) {
                if (softBreak && !line.value.empty())
                    line.value.pop_back();
                line.value.append(addition);
            }
            if (!addition.empty())
                last = addition.back();
            else if (softBreak)
                last = '\0';
            m_lines.skip();
        }
        return true;
    }

    // The hash of the unfolded lines read since the last reset.
    Fnv1a &hash() noexcept { return m_hash; }

private:
    std::string_view take(std::string_view piece)
    {
        m_hash.add(piece);
        m_lines.skip();
        return piece;
    }

    bool continuesByFolding()
    {
        if (m_lines.atEnd())
            return false;
        const std::string_view following = m_lines.peek();
        return !following.empty() && isBlank(following.front());
    }

    static bool isCardBoundary(std::string_view line) noexcept
    {
        const std::string_view trimmed = trimBlanks(line);
        return equalsIgnoringAsciiCase(trimmed, "END:VCARD") || equalsIgnoringAsciiCase(trimmed, "BEGIN:VCARD");
    }

    PhysicalLines m_lines;
    Fnv1a m_hash;
};

// ---------------------------------------------------------------------------------------------
// Values.

std::string decodeQuotedPrintable(std::string_view text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                bytes.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        if (text[i] == '=' && i + 1 == text.size())
            break; // a soft line break at the very end of the input
        bytes.push_back(text[i]);
    }
    return bytes;
}

std::string decodeBase64(std::string_view text)
{
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3 + 3);
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        if (c == '=')
            break;
        const int v = base64Value(c);
        if (v < 0)
            continue;
        bits = (bits << 6) | static_cast<std::uint32_t>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return bytes;
}

struct ConverterCloser {
    void operator()(UConverter *converter) const noexcept { ucnv_close(converter); }
};
using ConverterHandle = std::unique_ptr<UConverter, ConverterCloser>;

// Turns value bytes into UTF-8. Holds the converter of the last charset used: files name one or
// two charsets, and opening a converter per value would dominate the reading time.
class Charsets
{
public:
    std::string toUtf8(std::string bytes, const std::string &charset)
    {
        const bool utf8Named = charset == "UTF-8" || charset == "UTF8";
        if (charset.empty() || utf8Named) {
            if (common::isValidUtf8(bytes))
                return bytes;
            // Unlabelled bytes that are not UTF-8 come from Windows-era exporters.
            if (!utf8Named)
                return convert(bytes, "WINDOWS-1252");
            return common::repairUtf8(bytes);
        }
        // ISO-8859-1 labels are read as Windows-1252, its superset in practice (as browsers do);
        // exporters often write the one and mean the other.
        if (charset == "ISO-8859-1" || charset == "LATIN1" || charset == "US-ASCII" || charset == "ASCII")
            return convert(bytes, "WINDOWS-1252");
        return convert(bytes, charset);
    }

private:
    std::string convert(const std::string &bytes, const std::string &charset)
    {
        UConverter *converter = converterFor(charset);
        if (converter == nullptr || bytes.size() > static_cast<std::size_t>(INT32_MAX))
            return common::repairUtf8(bytes);
        UErrorCode status = U_ZERO_ERROR;
        ucnv_reset(converter);
        const icu::UnicodeString text(bytes.data(), static_cast<int32_t>(bytes.size()), converter, status);
        if (U_FAILURE(status))
            return common::repairUtf8(bytes);
        return common::utf8From(text);
    }

    UConverter *converterFor(const std::string &charset)
    {
        if (m_openedFor && *m_openedFor == charset)
            return m_converter.get();
        m_converter.reset();
        m_openedFor = charset;
        // Only names in ICU's alias table are opened, so that a name taken from the file never
        // makes ICU look for a data file of that name.
        UErrorCode status = U_ZERO_ERROR;
        if (charset.size() > 64 || ucnv_countAliases(charset.c_str(), &status) == 0 || U_FAILURE(status))
            return nullptr;
        status = U_ZERO_ERROR;
        ConverterHandle opened(ucnv_open(charset.c_str(), &status));
        if (U_FAILURE(status))
            return nullptr;
        m_converter = std::move(opened);
        return m_converter.get();
    }

    std::optional<std::string> m_openedFor;
    ConverterHandle m_converter;
};

// Undoes the text escapes of 3.0 and 4.0 (\n \N \, \; \\, and \: as Apple writes it). An unknown
// escape keeps its backslash.
std::string unescape(std::string_view text)
{
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            plain.push_back(text[i]);
            continue;
        }
        const char escaped = text[++i];
        switch (escaped) {
        case 'n':
        case 'N':
            plain.push_back('\n');
            break;
        case ',':
        case ';':
        case ':':
        case '\\':
            plain.push_back(escaped);
            break;
        default:
            plain.push_back('\\');
            plain.push_back(escaped);
            break;
        }
    }
    return plain;
}

// The pieces of `text` between unescaped `separator`s, at most `limit` of them (the last piece
// then runs to the end). The pieces are still escaped.
std::vector<std::string_view> splitUnescaped(std::string_view text, char separator, std::size_t limit)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size() && pieces.size() + 1 < limit; ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == separator) {
            pieces.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

std::string trimmedCopy(std::string_view text)
{
    return std::string(trimBlanks(text));
}

// A structured name (family;given;additional;prefix;suffix, each a comma list) in the order a
// Western full name is read: prefix, given, additional, family, suffix.
std::optional<std::string> nameFromComponents(std::string_view value)
{
    const std::vector<std::string_view> components = splitUnescaped(value, ';', 5);
    static constexpr std::array<std::size_t, 5> readingOrder{3, 1, 2, 0, 4};
    std::string name;
    for (const std::size_t index : readingOrder) {
        if (index >= components.size())
            continue;
        for (const std::string_view part : splitUnescaped(components[index], ',', SIZE_MAX)) {
            const std::string word = trimmedCopy(unescape(part));
            if (word.empty())
                continue;
            if (!name.empty())
                name.push_back(' ');
            name.append(word);
        }
    }
    if (name.empty())
        return std::nullopt;
    return name;
}

// A TEL value as a phone number: a "tel:" URI (4.0) loses its scheme, its parameters (such as
// ";ext=") and its percent escapes; text values are unescaped.
std::string phoneFrom(std::string_view value)
{
    const std::string_view trimmed = trimBlanks(value);
    if (!startsWithIgnoringAsciiCase(trimmed, "tel:"))
        return trimmedCopy(unescape(trimmed));
    std::string_view number = trimmed.substr(4);
    number = number.substr(0, number.find(';'));
    std::string plain;
    for (std::size_t i = 0; i < number.size(); ++i) {
        if (number[i] == '%' && i + 2 < number.size()) {
            const int high = hexValue(number[i + 1]);
            const int low = hexValue(number[i + 2]);
            if (high >= 0 && low >= 0) {
                plain.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        plain.push_back(number[i]);
    }
    return trimmedCopy(common::repairUtf8(plain));
}

// ---------------------------------------------------------------------------------------------
// Cards.

class CardBuilder
{
public:
    void add(ContentLine &line, Charsets &charsets)
    {
        if (line.property == Property::Invalid || line.property == Property::Other)
            return;
        std::string decoded = std::move(line.value);
        if (line.encoding == TransferEncoding::QuotedPrintable)
            decoded = decodeQuotedPrintable(decoded);
        else if (line.encoding == TransferEncoding::Base64)
            decoded = decodeBase64(decoded);
        decoded = charsets.toUtf8(std::move(decoded), line.charset);

        switch (line.property) {
        case Property::Uid:
            if (!m_uid)
                m_uid = trimmedCopy(unescape(decoded));
            break;
        case Property::AbUid:
            if (!m_abUid)
                m_abUid = trimmedCopy(unescape(decoded));
            break;
        case Property::FormattedName:
            if (!m_formattedName)
                m_formattedName = unescape(decoded);
            break;
        case Property::Name:
            if (!m_nameComponents)
                m_nameComponents = std::move(decoded);
            break;
        case Property::Nickname:
            if (!m_nickname) {
                for (const std::string_view piece : splitUnescaped(decoded, ',', SIZE_MAX)) {
                    std::string nickname = trimmedCopy(unescape(piece));
                    if (!nickname.empty()) {
                        m_nickname = std::move(nickname);
                        break;
                    }
                }
            }
            break;
        case Property::Organization:
            if (!m_organization)
                m_organization = trimmedCopy(unescape(splitUnescaped(decoded, ';', 2).front()));
            break;
        case Property::Telephone:
            if (std::string phone = phoneFrom(decoded); !phone.empty())
                m_record.phones.push_back(std::move(phone));
            break;
        case Property::Email:
            if (std::string email = trimmedCopy(unescape(decoded)); !email.empty())
                m_record.emails.push_back(std::move(email));
            break;
        case Property::AbShowAs:
            m_showAsCompany = m_showAsCompany || equalsIgnoringAsciiCase(trimBlanks(decoded), "COMPANY");
            break;
        default:
            break;
        }
    }

    // The record; its identifier stays empty when the card names none of its own.
    ContactRecord finish()
    {
        ContactRecord record = std::move(m_record);
        if (m_uid && !m_uid->empty())
            record.identifier = std::move(*m_uid);
        else if (m_abUid && !m_abUid->empty())
            record.identifier = std::move(*m_abUid);
        record.nickname = m_nickname.value_or(std::string());
        record.organization = m_organization.value_or(std::string());
        if (m_showAsCompany && !record.organization.empty())
            record.formattedName = record.organization;
        else if (m_formattedName && !m_formattedName->empty())
            record.formattedName = std::move(*m_formattedName);
        else if (m_nameComponents)
            record.formattedName = nameFromComponents(*m_nameComponents);
        *this = CardBuilder();
        return record;
    }

    bool hasOwnIdentifier() const { return (m_uid && !m_uid->empty()) || (m_abUid && !m_abUid->empty()); }

private:
    ContactRecord m_record;
    std::optional<std::string> m_uid;
    std::optional<std::string> m_abUid;
    std::optional<std::string> m_formattedName;
    std::optional<std::string> m_nameComponents;
    std::optional<std::string> m_nickname;
    std::optional<std::string> m_organization;
    bool m_showAsCompany = false;
};

bool namesVCard(std::string_view value) noexcept
{
    return equalsIgnoringAsciiCase(trimBlanks(value), "VCARD");
}

std::string hexOf(std::uint64_t value)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex(16, '0');
    for (int i = 15; i >= 0; --i) {
        hex[static_cast<std::size_t>(i)] = digits[value & 0xF];
        value >>= 4;
    }
    return hex;
}

struct FileCloser {
    void operator()(std::FILE *file) const noexcept { std::fclose(file); }
};

} // namespace

std::vector<ContactRecord> readVCards(std::string_view fileBytes)
{
    if (fileBytes.substr(0, 3) == "\xEF\xBB\xBF")
        fileBytes.remove_prefix(3);

    std::vector<ContactRecord> records;
    ContentLines lines(fileBytes);
    Charsets charsets;
    CardBuilder card;
    // Cards without an identifier of their own, by the hash of their text; named at the end.
    std::vector<std::pair<std::uint64_t, std::size_t>> unnamed;
    bool inCard = false;
    std::size_t nesting = 0; // depth of AGENT cards inside the current card
    bool agentOpened = false;

    const auto startCard = [&] {
        card = CardBuilder();
        inCard = true;
        nesting = 0;
        agentOpened = false;
        lines.hash().reset();
    };

    ContentLine line;
    while (lines.next(line)) {
        if (!inCard) {
            if (line.property == Property::Begin && namesVCard(line.value))
                startCard();
            continue;
        }
        if (line.property == Property::Begin && namesVCard(line.value)) {
            if (agentOpened) {
                ++nesting;
                agentOpened = false;
            } else {
                startCard(); // the card before was never closed: it is dropped
            }
            continue;
        }
        if (line.property == Property::End && namesVCard(line.value)) {
            agentOpened = false;
            if (nesting > 0) {
                --nesting;
                continue;
            }
            if (!card.hasOwnIdentifier())
                unnamed.emplace_back(lines.hash().value(), records.size());
            records.push_back(card.finish());
            inCard = false;
            continue;
        }
        if (line.property == Property::Agent) {
            // 2.1 writes the agent's card on the lines after an empty AGENT value; some writers
            // put its BEGIN:VCARD on the AGENT line itself.
            const std::string_view value = trimBlanks(line.value);
            agentOpened = value.empty();
            if (equalsIgnoringAsciiCase(value, "BEGIN:VCARD"))
                ++nesting;
            continue;
        }
        agentOpened = false;
        if (nesting == 0)
            card.add(line, charsets);
    }

    // Cards of identical text share a hash; in file order they get no suffix, "-2", "-3", ...
    std::sort(unnamed.begin(), unnamed.end());
    std::size_t uses = 0;
    for (std::size_t i = 0; i < unnamed.size(); ++i) {
        uses = i > 0 && unnamed[i - 1].first == unnamed[i].first ? uses + 1 : 1;
        std::string id = "vcard-" + hexOf(unnamed[i].first);
        if (uses > 1)
            id += "-" + std::to_string(uses);
        records[unnamed[i].second].identifier = std::move(id);
    }
    return records;
}

common::Result<std::vector<ContactRecord>> readVCardFile(const std::filesystem::path &path)
{
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec)
        return common::failure(common::errorFromErrno(ec.value(), "cannot read " + path.string()));
    if (!std::filesystem::is_regular_file(status))
        return common::failure(common::Error{common::Error::Kind::Invalid, path.string() + " is not a regular file"});

    errno = 0;
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return common::failure(common::errorFromErrno(errno, "cannot open " + path.string()));
    // The size of what was opened, not of what the path named a moment before.
    struct stat opened {};
    if (::fstat(::fileno(file.get()), &opened) != 0 || !S_ISREG(opened.st_mode))
        return common::failure(common::Error{common::Error::Kind::Invalid, path.string() + " is not a regular file"});
    if (static_cast<std::uint64_t>(opened.st_size) > maxVCardFileBytes)
        return common::failure(common::Error{common::Error::Kind::Invalid,
                                             path.string() + " is " + std::to_string(opened.st_size >> 20)
                                                 + " MiB, larger than any address book (at most 2048 MiB are read)"});
    std::string bytes;
    std::array<char, std::size_t{64} * 1024> buffer{};
    for (;;) {
        const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), file.get());
        bytes.append(buffer.data(), read);
        if (bytes.size() > maxVCardFileBytes) // grown since it was opened
            return common::failure(
                common::Error{common::Error::Kind::Invalid, path.string() + " grew past 2048 MiB while read"});
        if (read < buffer.size())
            break;
    }
    if (std::ferror(file.get()) != 0)
        return common::failure(common::Error{common::Error::Kind::Io, "cannot read " + path.string()});
    return readVCards(bytes);
}

} // namespace contacts
