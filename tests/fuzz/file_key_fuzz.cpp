// readFileKey over arbitrary bytes (libplist's binary reader and our walk of the keyed archive),
// then the key unwrapped with a class key: no crash, and a record read always holds a
// wrapped 32-byte key.
#include "crypto/file_key.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto record = crypto::readFileKey(fuzz::bytesOf(data, size));
    if (!record) {
        FUZZ_CHECK(record.error().kind == crypto::Failure::Kind::Damaged && !record.error().detail.empty());
        return 0;
    }
    FUZZ_CHECK(record->key.wrapped.size() == 40);
    FUZZ_CHECK(!record->size || *record->size <= static_cast<std::uint64_t>(INT64_MAX));

    crypto::ClassKeys keys;
    keys.insert(3, crypto::SecureBytes(crypto::bytesOf("0123456789abcdef0123456789abcdef")));
    const auto key = keys.unwrap(record->key);
    FUZZ_CHECK(!key || key->size() == 32);
    FUZZ_CHECK(key || record->key.protectionClass != 3 || key.error().kind == crypto::Failure::Kind::Damaged);
    return 0;
}
