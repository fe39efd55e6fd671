#pragma once

#include "contact_record.h"
#include "contacts_service.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace contacts
{

// Maps phone keys and lowercased, composed e-mail addresses to the contact that owns them. Several keys
// may point at entries of one contact; a key belongs to the first contact that claimed it. An
// index with an empty map is what a program without contacts access works with.
struct ContactsIndex {
    struct Entry {
        std::string id;
        std::string name; // trimmed, never empty

        bool operator==(const Entry &) const = default;
    };

    std::unordered_map<std::string, Entry> byKey;

    // The entry for a message handle, or nullptr. The pointer stays valid as long as this index
    // is neither changed nor destroyed.
    [[nodiscard]] const Entry *lookup(std::string_view handle) const;

    // Reads every contact of `service` into a new index. Never fails: without authorisation the
    // index is empty, and when the enumeration breaks off the contacts read so far are kept.
    [[nodiscard]] static ContactsIndex build(ContactsService &service);

    bool operator==(const ContactsIndex &) const = default;
};

// The last nine ASCII digits of a phone number (all of them when there are six to nine), or
// nothing when fewer than six remain. Digits that are part of a larger character (a digit with
// a combining mark, a keycap) and non-ASCII digits do not count. Country codes and trunk
// prefixes are not interpreted, so "+49 151 ..." and "0151 ..." meet.
[[nodiscard]] std::optional<std::string> phoneKey(std::string_view text);

// The key a handle is looked up under: the lowercased, composed handle when it contains "@", so
// that canonically equivalent spellings of an address meet; otherwise
// its phone key; nothing when a handle without "@" has no phone key.
[[nodiscard]] std::optional<std::string> indexKey(std::string_view handle);

// Adds one contact's phone keys and e-mail addresses to `byKey`, leaving keys that are already
// taken to their first owner. A contact without a usable name adds nothing.
void addContact(const ContactRecord &record, std::unordered_map<std::string, ContactsIndex::Entry> &byKey);

} // namespace contacts
