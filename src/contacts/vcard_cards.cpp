#include "vcard_cards.h"

#include "common/utf8.h"
#include "person_name.h"
#include "vcard_charsets.h"
#include "vcard_syntax.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace contacts::vcard
{

namespace
{

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
// A structured name (family;given;additional;prefix;suffix, each a comma list) as a full name.
std::optional<std::string> nameFromComponents(std::string_view value)
{
    const std::vector<std::string_view> components = splitUnescaped(value, ';', 5);
    const auto words = [&](std::size_t index) {
        std::vector<std::string> list;
        if (index < components.size()) {
            for (const std::string_view part : splitUnescaped(components[index], ',', SIZE_MAX))
                list.push_back(trimmedCopy(unescape(part)));
        }
        return list;
    };
    std::string name = nameFromParts({words(3), words(1), words(2), words(0), words(4)});
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
        // At most what this value keeps, whichever field it ends in.
        m_kept += sizeof(std::string) + decoded.size();

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

    // The bytes the card's values hold so far, or more; the record finish() gives holds no more.
    std::uint64_t kept() const { return sizeof(ContactRecord) + m_kept; }

private:
    ContactRecord m_record;
    std::optional<std::string> m_uid;
    std::optional<std::string> m_abUid;
    std::optional<std::string> m_formattedName;
    std::optional<std::string> m_nameComponents;
    std::optional<std::string> m_nickname;
    std::optional<std::string> m_organization;
    bool m_showAsCompany = false;
    std::uint64_t m_kept = 0;
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

} // namespace

Cards readCards(ContentLines &lines, std::uint64_t keptLimit)
{
    Cards read;
    std::vector<ContactRecord> &records = read.records;
    std::uint64_t kept = 0; // by the records finished
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
            kept += card.kept() + sizeof(std::string) + sizeof(unnamed.front()); // and its identifier
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
        if (nesting == 0) {
            card.add(line, charsets);
            if (kept + card.kept() > keptLimit) {
                read.overLimit = true;
                break;
            }
        }
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
    return read;
}

} // namespace contacts::vcard
