#pragma once

#include "crypto/class_keys.h"
#include "crypto/failure.h"
#include "crypto/secure_bytes.h"

#include <string_view>

namespace crypto
{

// The key Manifest.db is encrypted with, from Manifest.plist's ManifestKey (a class number and a
// wrapped key). Fails with MissingClassKey when the key bag has no key for its class, and Damaged
// when it is the wrong size or does not unwrap.
[[nodiscard]] Result<SecureBytes> unwrapManifestKey(std::string_view manifestKey, const ClassKeys &keys);

} // namespace crypto
