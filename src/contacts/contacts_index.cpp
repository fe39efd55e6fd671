#include "contacts_index.h"

#include "common/text.h"
#include "common/utf8.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <vector>

namespace contacts
{

namespace
{

constexpr std::size_t minimumPhoneDigits = 6;
constexpr std::size_t phoneKeyDigits = 9;

bool isAsciiDigit(UChar32 c) noexcept
{
    return c >= '0' && c <= '9';
}

int graphemeBreak(UChar32 c) noexcept
{
    return u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK);
}

// The scalars of `text`, each ill-formed sequence read as U+FFFD.
std::vector<UChar32> scalarsOf(std::string_view text)
{
    const std::string wellFormed = common::repairUtf8(text);
    std::vector<UChar32> scalars;
    scalars.reserve(wellFormed.size());
    std::size_t at = 0;
    while (at < wellFormed.size()) {
        const auto lead = static_cast<unsigned char>(wellFormed[at++]);
        if (lead < 0x80) {
            scalars.push_back(lead);
            continue;
        }
        const int trail = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
        UChar32 c = lead & (0x3F >> trail);
        for (int k = 0; k < trail && at < wellFormed.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(wellFormed[at++]) & 0x3F);
        scalars.push_back(c);
    }
    return scalars;
}

// The ASCII digits of text that holds non-ASCII characters. A digit counts only when it is a
// user-perceived character on its own: a preceding prepend mark, or a following combining mark,
// joiner or spacing mark, makes it part of a non-ASCII character (a keycap "1️⃣", a "1" with an
// accent), and such characters are not ASCII.
std::string standaloneAsciiDigits(std::string_view text)
{
    const std::vector<UChar32> scalars = scalarsOf(text);
    std::string digits;
    for (std::size_t i = 0; i < scalars.size(); ++i) {
        if (!isAsciiDigit(scalars[i]))
            continue;
        if (i > 0 && graphemeBreak(scalars[i - 1]) == U_GCB_PREPEND)
            continue;
        if (i + 1 < scalars.size()) {
            const int after = graphemeBreak(scalars[i + 1]);
            if (after == U_GCB_EXTEND || after == U_GCB_ZWJ || after == U_GCB_SPACING_MARK)
                continue;
        }
        digits.push_back(static_cast<char>(scalars[i]));
    }
    return digits;
}

} // namespace

std::optional<std::string> phoneKey(std::string_view text)
{
    std::string digits;
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80;
    });
    if (ascii) {
        for (const char c : text) {
            if (c >= '0' && c <= '9')
                digits.push_back(c);
        }
    } else {
        digits = standaloneAsciiDigits(text);
    }
    if (digits.size() < minimumPhoneDigits)
        return std::nullopt;
    if (digits.size() > phoneKeyDigits)
        digits.erase(0, digits.size() - phoneKeyDigits);
    return digits;
}

std::optional<std::string> indexKey(std::string_view handle)
{
    if (handle.find('@') != std::string_view::npos)
        return common::lowercasedComposed(handle);
    return phoneKey(handle);
}

void addContact(const ContactRecord &record, std::unordered_map<std::string, ContactsIndex::Entry> &byKey)
{
    // The fallbacks look at the untrimmed texts: a name of spaces only is not empty, wins, and
    // then trims to nothing, which drops the contact.
    std::string_view chosen = record.organization;
    if (record.formattedName && !record.formattedName->empty())
        chosen = *record.formattedName;
    else if (!record.nickname.empty())
        chosen = record.nickname;
    std::string name = common::trimWhiteSpaceAndNewlines(chosen);
    if (name.empty())
        return;
    const ContactsIndex::Entry entry{record.identifier, std::move(name)};

    for (const std::string &phone : record.phones) {
        if (auto key = phoneKey(phone))
            byKey.try_emplace(std::move(*key), entry);
    }
    for (const std::string &email : record.emails) {
        // A value without "@" is not an address, and could only ever be reached as a phone key:
        // an e-mail field holding "555123456" must not name the owner of that number.
        if (email.find('@') == std::string::npos)
            continue;
        byKey.try_emplace(common::lowercasedComposed(email), entry);
    }
}

const ContactsIndex::Entry *ContactsIndex::lookup(std::string_view handle) const
{
    if (byKey.empty())
        return nullptr;
    const std::optional<std::string> key = indexKey(handle);
    if (!key)
        return nullptr;
    const auto found = byKey.find(*key);
    return found == byKey.end() ? nullptr : &found->second;
}

ContactsIndex ContactsIndex::build(ContactsService &service)
{
    ContactsIndex index;
    if (service.authorizationStatus() != AuthorizationStatus::Authorized)
        return index;
    // A failed enumeration is not reported: the contacts read before it still name handles.
    static_cast<void>(service.enumerate([&index](const ContactRecord &record) {
        addContact(record, index.byKey);
    }));
    return index;
}

} // namespace contacts
