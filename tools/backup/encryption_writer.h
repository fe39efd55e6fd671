#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <plist/plist.h>
#include <string>
#include <string_view>

// The encrypting half of an iPhone backup, for building encrypted backups (tests, benchmarks): key bags,
// wrapped keys, encrypted files and file records. Bytes in, bytes out (std::string holds bytes).
namespace backup
{

// One record of a key bag: tag, 4-byte big-endian length, value.
std::string keyBagRecord(std::string_view tag, std::string_view value);
std::string keyBagRecord(std::string_view tag, std::uint32_t value);

struct KeyBagOptions {
    std::string password = "correct horse";
    std::string salt = std::string(20, '\x5a');
    std::uint32_t iterations = 3;
    // PBKDF2-HMAC-SHA256 before the SHA-1 step, as since iOS 10.2; nullopt for the older form.
    std::optional<std::uint32_t> passwordIterations = 2;
    std::string passwordSalt = std::string(20, '\xa5');
    // Class number and its 32-byte key, each written wrapped with the password's key (WRAP 2).
    std::map<std::uint32_t, std::string> classKeys;
    std::optional<std::uint32_t> garbledClass = std::nullopt; // that class's wrapped key is written garbled
};

// The key-encryption key the options' password gives.
std::string keyEncryptionKey(const KeyBagOptions &options);

// The header records of a key bag (VERS, TYPE, UUID, WRAP, SALT, ITER and DPWT, DPIC, DPSL).
std::string keyBagHeader(const KeyBagOptions &options);

// The records of one class key: UUID, CLAS, WRAP, KTYP, WPKY.
std::string classKeyRecords(std::uint32_t protectionClass, std::uint32_t wrap, std::string_view wrappedKey);

// A whole key bag: the header, then each class key wrapped with the key-encryption key.
std::string makeKeyBag(const KeyBagOptions &options);

// A 32-byte key wrapped with `classKey`, after its 4-byte little-endian class number, as
// ManifestKey and a file record's NS.data hold it.
std::string wrapWithClass(std::uint32_t protectionClass, std::string_view classKey, std::string_view key);

// `plain` encrypted with AES-256-CBC, zero initial value, PKCS#7 padding.
std::string encryptFile(std::string_view key, std::string_view plain);

// A file record (Files.file): a binary keyed archive with the root object's EncryptionKey,
// ProtectionClass and Size. `wrappedKey` is what wrapWithClass gives.
std::string fileRecord(std::string_view wrappedKey, std::uint32_t protectionClass, std::uint64_t size);

// `root` written as a binary property list; frees `root`.
std::string binaryPlist(plist_t root);

// A key of `size` bytes, different for each seed.
std::string testKey(std::uint8_t seed, std::size_t size = 32);

} // namespace backup
