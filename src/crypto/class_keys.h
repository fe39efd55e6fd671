#pragma once

#include "crypto/failure.h"
#include "crypto/secure_bytes.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace crypto
{

// A key wrapped with one protection class's key, as ManifestKey and each file's key archive hold
// it: a 4-byte little-endian class number, then the RFC 3394 wrapped key.
struct WrappedKey {
    std::uint32_t protectionClass = 0;
    std::string wrapped;
};

// Splits the class number off `bytes`. Fails (Damaged) when there is less than the number and a
// wrapped 32-byte key, or more.
[[nodiscard]] Result<WrappedKey> parseWrappedKey(std::string_view bytes);

// The unwrapped class keys of one backup, by protection class. They are what the password buys:
// kept while the backup is open so that no file open derives them again, and wiped when this goes.
class ClassKeys
{
public:
    ClassKeys() = default;
    ClassKeys(ClassKeys &&) noexcept = default;
    ClassKeys &operator=(ClassKeys &&) noexcept = default;
    ClassKeys(const ClassKeys &) = delete;
    ClassKeys &operator=(const ClassKeys &) = delete;
    ~ClassKeys() = default;

    void insert(std::uint32_t protectionClass, SecureBytes key) { m_keys[protectionClass] = std::move(key); }
    [[nodiscard]] bool contains(std::uint32_t protectionClass) const { return m_keys.contains(protectionClass); }
    [[nodiscard]] std::size_t size() const { return m_keys.size(); }

    // The 32-byte key `key` was wrapped to hide. Fails with MissingClassKey when there is no key for
    // its class, and Damaged when it is not a wrapped 32-byte key or does not unwrap with its
    // class's key (the password was right, since the class keys unwrapped).
    [[nodiscard]] Result<SecureBytes> unwrap(const WrappedKey &key) const;

    // Wipes every key now.
    void clear() { m_keys.clear(); }

private:
    std::map<std::uint32_t, SecureBytes> m_keys;
};

} // namespace crypto
