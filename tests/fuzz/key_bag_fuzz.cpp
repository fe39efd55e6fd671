// parseKeyBag over arbitrary bytes, then the class keys unwrapped with a fixed key-encryption key
// (the derivation itself is left out: its round counts come from the input). No crash, work
// linear in the input, and every key bag read keeps the promises its callers rely on.
#include "crypto/key_bag.h"
#include "crypto/unlock.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <set>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto bag = crypto::parseKeyBag(fuzz::bytesOf(data, size));
    if (!bag) {
        FUZZ_CHECK(bag.error().kind == crypto::Failure::Kind::Damaged && !bag.error().detail.empty());
        return 0;
    }
    FUZZ_CHECK(!bag->salt.empty() && bag->iterations > 0);
    FUZZ_CHECK(bag->passwordSalt.has_value() == bag->passwordIterations.has_value());
    FUZZ_CHECK(!bag->classKeys.empty());
    std::set<std::uint32_t> classes;
    for (const auto &key : bag->classKeys) {
        FUZZ_CHECK(key.protectionClass != 0);
        FUZZ_CHECK(classes.insert(key.protectionClass).second);
    }

    const crypto::SecureBytes kek(crypto::bytesOf("0123456789abcdef0123456789abcdef"));
    const auto keys = crypto::unwrapClassKeys(*bag, kek);
    if (keys) {
        FUZZ_CHECK(keys->size() > 0);
        for (const auto &key : bag->classKeys)
            FUZZ_CHECK(keys->contains(key.protectionClass) == ((key.wrap & crypto::KeyBag::wrapKeyWithPassword) != 0));
    } else {
        FUZZ_CHECK(keys.error().kind != crypto::Failure::Kind::MissingClassKey);
    }
    return 0;
}
