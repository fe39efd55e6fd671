// readVCards over arbitrary bytes, and the index built from what it reads: no crash, work linear
// in the input (libFuzzer's timeout catches the rest), every card with an identifier, every entry
// of the index named.
#include "contacts/contacts_index.h"
#include "contacts/vcard_reader.h"

#include "common/utf8.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto records = contacts::readVCards(fuzz::bytesOf(data, size));

    std::unordered_map<std::string, contacts::ContactsIndex::Entry> byKey;
    for (const auto &record : records) {
        FUZZ_CHECK(!record.identifier.empty());
        FUZZ_CHECK(common::isValidUtf8(record.identifier));
        FUZZ_CHECK(!record.formattedName || common::isValidUtf8(*record.formattedName));
        FUZZ_CHECK(common::isValidUtf8(record.nickname) && common::isValidUtf8(record.organization));
        for (const auto &phone : record.phones)
            FUZZ_CHECK(common::isValidUtf8(phone));
        for (const auto &email : record.emails)
            FUZZ_CHECK(common::isValidUtf8(email));
        contacts::addContact(record, byKey);
    }

    const contacts::ContactsIndex index{byKey};
    for (const auto &[key, entry] : index.byKey) {
        FUZZ_CHECK(!entry.name.empty());
        FUZZ_CHECK(index.lookup(key) != nullptr);
    }
    for (const auto &record : records) {
        for (const auto &phone : record.phones)
            (void)index.lookup(phone);
        for (const auto &email : record.emails)
            (void)index.lookup(email);
    }
    return 0;
}
