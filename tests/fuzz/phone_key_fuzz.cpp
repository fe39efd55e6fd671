// phoneKey and indexKey over arbitrary texts: a key is six to nine ASCII digits; for plain ASCII
// it is exactly the last nine of the text's digits; a handle with "@" is its own lowercase.
#include "contacts/contacts_index.h"

#include "fuzz_check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text = fuzz::bytesOf(data, size);

    const auto key = contacts::phoneKey(text);
    if (key) {
        FUZZ_CHECK(key->size() >= 6 && key->size() <= 9);
        FUZZ_CHECK(std::all_of(key->begin(), key->end(), [](char c) {
            return c >= '0' && c <= '9';
        }));
    }

    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80;
    });
    if (ascii) {
        std::string digits;
        for (const char c : text) {
            if (c >= '0' && c <= '9')
                digits += c;
        }
        if (digits.size() < 6)
            FUZZ_CHECK(!key);
        else
            FUZZ_CHECK(key == digits.substr(digits.size() > 9 ? digits.size() - 9 : 0));

        const auto index = contacts::indexKey(text);
        if (text.find('@') != std::string_view::npos) {
            std::string lower(text);
            std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
                return c >= 'A' && c <= 'Z' ? c + 32 : c;
            });
            FUZZ_CHECK(index == lower);
        } else {
            FUZZ_CHECK(index == key);
        }
    }
    return 0;
}
