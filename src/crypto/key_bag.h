#pragma once

#include "crypto/failure.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace crypto
{

// The backup key bag of an encrypted backup (Manifest.plist's BackupKeyBag): how to derive the
// key-encryption key from the backup password, and the class keys wrapped with it. Holds no
// secret: every key in it is wrapped.
struct KeyBag {
    struct ClassKey {
        std::uint32_t protectionClass = 0;
        std::uint32_t wrap = 0; // wrapKeyWithPassword set: wrappedKey unwraps with the password's key
        std::optional<std::uint32_t> keyType;
        std::string wrappedKey; // empty when the record has none
    };
    static constexpr std::uint32_t wrapKeyWithPassword = 0x2;

    std::optional<std::uint32_t> version;
    std::optional<std::uint32_t> type;
    std::string uuid;
    // The second (or, before iOS 10.2, only) derivation: PBKDF2-HMAC-SHA1.
    std::string salt;
    std::uint32_t iterations = 0;
    // The first derivation, PBKDF2-HMAC-SHA256 over the password; absent in older backups.
    std::optional<std::string> passwordSalt;
    std::optional<std::uint32_t> passwordIterations;
    std::vector<ClassKey> classKeys;
};

// Reads a key bag: a run of records, each a 4-byte tag, a 4-byte big-endian length and the value.
// The header comes first; each UUID after the header's own starts a class key. Unknown tags are
// skipped. Fails (Damaged) on a record cut short, a header without salt or iteration count, a
// field given twice, an integer field that is not 4 bytes, a class key without its class, its wrap or
// (when the password wraps it) its wrapped key, or two keys for one class. Work is linear in the size of `bytes`.
[[nodiscard]] Result<KeyBag> parseKeyBag(std::string_view bytes);

} // namespace crypto
