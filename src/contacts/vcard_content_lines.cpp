#include "vcard_content_lines.h"

#include <array>

namespace contacts::vcard
{

namespace
{

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

std::string_view unquote(std::string_view text) noexcept
{
    text = trimBlanks(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
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

bool isCardBoundary(std::string_view line) noexcept
{
    const std::string_view trimmed = trimBlanks(line);
    return equalsIgnoringAsciiCase(trimmed, "END:VCARD") || equalsIgnoringAsciiCase(trimmed, "BEGIN:VCARD");
}

} // namespace

bool ContentLines::next(ContentLine &line)
{
    while (!m_lines.atEnd() && m_lines.peek().empty())
        m_lines.skip();
    if (m_lines.atEnd())
        return false;

    m_hash.add("\n");
    // Most lines are not folded before their colon; they are read in place. `cut` says that only
    // the beginning of the text is at hand; `textLast` is the last byte of all of it.
    std::string_view text = m_lines.peek();
    bool cut = !m_lines.peekedWhole();
    char textLast = m_lines.peekedLast();
    take(0);
    std::string unfolded;
    ColonScan scan;
    std::size_t colon = scan.next(text);
    if (colon == std::string_view::npos && !cut) {
        unfolded.assign(text); // before the next line is read over it
        text = unfolded;
    }
    while (colon == std::string_view::npos && !cut && continuesByFolding()) {
        const std::string_view fold = m_lines.peek().substr(1);
        cut = !m_lines.peekedWhole() || unfolded.size() + fold.size() > maxKeptBytes;
        if (!cut) {
            unfolded.append(fold);
            textLast = unfolded.back();
        }
        take(1);
        text = unfolded;
        if (!cut)
            colon = scan.next(text);
    }
    if (colon == std::string_view::npos && !cut)
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
    bool keep = head.property != Property::Other;
    if (keep && cut) { // a value longer than any name, number or address
        keep = false;
        line.property = Property::Other;
    }
    if (keep)
        line.value.assign(text.substr(colon + 1));
    char last = cut || text.size() > colon + 1 ? textLast : '\0';
    unfolded = std::string();

    // A value is continued by a soft line break first: its next line may begin with a space
    // that belongs to the text.
    while (!m_lines.atEnd()) {
        const std::string_view following = m_lines.peek();
        std::size_t from = 0;
        bool softBreak = false;
        if (line.encoding == TransferEncoding::QuotedPrintable && last == '='
            && !(m_lines.peekedWhole() && isCardBoundary(following))) {
            softBreak = true;
        } else if (!following.empty() && isBlank(following.front())) {
            from = 1;
        } else if (line.encoding != TransferEncoding::Base64 || following.empty() || !m_lines.peekedIsBase64()) {
            break;
        }
        const std::string_view addition = following.substr(from);
        if (keep && (!m_lines.peekedWhole() || line.value.size() + addition.size() > maxKeptBytes)) {
            keep = false;
            line.property = Property::Other;
            line.value = std::string();
        }
        if (keep) {
            if (softBreak && !line.value.empty())
                line.value.pop_back();
            line.value.append(addition);
        }
        if (m_lines.peekedLength() > from)
            last = m_lines.peekedLast();
        else if (softBreak)
            last = '\0';
        take(from);
    }
    return true;
}

// Adds the peeked line from `from` on to the hash and moves past it.
void ContentLines::take(std::size_t from)
{
    m_lines.addPeekedTo(m_hash, from);
    m_lines.skip();
}

bool ContentLines::continuesByFolding()
{
    if (m_lines.atEnd())
        return false;
    const std::string_view following = m_lines.peek();
    return !following.empty() && isBlank(following.front());
}

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

} // namespace contacts::vcard
