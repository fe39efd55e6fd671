#pragma once

#include "crypto/class_keys.h"
#include "crypto/failure.h"
#include "crypto/key_bag.h"
#include "crypto/secure_bytes.h"

#include <cstdint>
#include <stop_token>
#include <string_view>

namespace crypto
{

// An iPhone asks for 10,000,000 rounds of the first derivation, and 1 (10,000 before iOS 10.2) of
// the second.
inline constexpr std::uint32_t phoneRounds = 10'000'000;

// Derives the key that unwraps the key bag's class keys from the backup password:
// PBKDF2-HMAC-SHA256 over the password with DPSL and DPIC when the key bag has them, then
// PBKDF2-HMAC-SHA1 with SALT and ITER. This is the slow step (DPIC is about ten million rounds),
// made once per backup and suited to a background thread; the password is not kept.
// Fails with TooManyRounds at once (checkRoundCounts), with Cancelled soon after `stop` is
// requested, and with Damaged when a round count is 0.
[[nodiscard]] Result<SecureBytes>
deriveKeyEncryptionKey(const KeyBag &bag, std::string_view password, const std::stop_token &stop = {});

// Fails with TooManyRounds, saying "this backup asks for N rounds; an iPhone uses 10,000,000",
// when a round count of the key bag is far above what a phone writes (five times).
[[nodiscard]] Result<void> checkRoundCounts(const KeyBag &bag);

// Unwraps every class key the password protects. Fails with WrongPassword when none of them
// unwraps, and Damaged when a wrapped key has the wrong size, when one does not unwrap although
// another does (the password is right), or when none is protected.
[[nodiscard]] Result<ClassKeys> unwrapClassKeys(const KeyBag &bag, const SecureBytes &keyEncryptionKey);

// deriveKeyEncryptionKey, then unwrapClassKeys.
[[nodiscard]] Result<ClassKeys> unlock(const KeyBag &bag, std::string_view password, const std::stop_token &stop = {});

} // namespace crypto
