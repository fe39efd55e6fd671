#include "crypto/manifest_key.h"

namespace crypto
{

Result<SecureBytes> unwrapManifestKey(std::string_view manifestKey, const ClassKeys &keys)
{
    const auto wrapped = parseWrappedKey(manifestKey);
    if (!wrapped)
        return damaged("ManifestKey: " + wrapped.error().detail);
    auto key = keys.unwrap(*wrapped);
    if (!key)
        return common::failure(Failure{key.error().kind, "ManifestKey: " + key.error().detail});
    return key;
}

} // namespace crypto
