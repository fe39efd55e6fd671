#pragma once

#include "crypto/failure.h"
#include "crypto/secure_bytes.h"

#include <cstdint>
#include <span>
#include <stop_token>
#include <string_view>

namespace crypto
{

enum class Pbkdf2Digest {
    Sha1,
    Sha256,
};

// PBKDF2 (RFC 8018) over OpenSSL's HMAC, in a loop of our own so that it can stop: `stop` is
// looked at every few thousand rounds (well under a millisecond apart), and a stop fails with
// Cancelled, the partial result wiped. Fails with Damaged when a round count is 0 or OpenSSL fails.
[[nodiscard]] Result<SecureBytes> pbkdf2(Pbkdf2Digest digest,
                                         std::span<const std::uint8_t> secret,
                                         std::string_view salt,
                                         std::uint32_t rounds,
                                         std::size_t length,
                                         const std::stop_token &stop = {});

} // namespace crypto
