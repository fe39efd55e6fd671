#include "crypto/unlock.h"

#include "crypto/aes.h"

#include <limits>
#include <openssl/evp.h>

namespace crypto
{

namespace
{

Result<SecureBytes>
pbkdf2(std::span<const std::uint8_t> secret, std::string_view salt, std::uint32_t rounds, const EVP_MD *digest)
{
    if (rounds == 0 || rounds > static_cast<std::uint32_t>(std::numeric_limits<int>::max())
        || secret.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())
        || salt.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return damaged("a key bag round count or salt is out of range");
    SecureBytes key(aesKeySize);
    if (PKCS5_PBKDF2_HMAC(reinterpret_cast<const char *>(secret.data()), static_cast<int>(secret.size()),
                          reinterpret_cast<const unsigned char *>(salt.data()), static_cast<int>(salt.size()),
                          static_cast<int>(rounds), digest, static_cast<int>(key.size()), key.data())
        != 1)
        return damaged("PBKDF2 failed");
    return key;
}

} // namespace

Result<SecureBytes> deriveKeyEncryptionKey(const KeyBag &bag, std::string_view password)
{
    if (!bag.passwordSalt || !bag.passwordIterations)
        return pbkdf2(bytesOf(password), bag.salt, bag.iterations, EVP_sha1());
    auto first = pbkdf2(bytesOf(password), *bag.passwordSalt, *bag.passwordIterations, EVP_sha256());
    if (!first)
        return first;
    return pbkdf2(first->span(), bag.salt, bag.iterations, EVP_sha1());
}

Result<ClassKeys> unwrapClassKeys(const KeyBag &bag, const SecureBytes &keyEncryptionKey)
{
    ClassKeys keys;
    for (const KeyBag::ClassKey &classKey : bag.classKeys) {
        if ((classKey.wrap & KeyBag::wrapKeyWithPassword) == 0)
            continue;
        const std::string which = "class " + std::to_string(classKey.protectionClass);
        if (classKey.wrappedKey.size() != aesKeySize + wrapOverhead)
            return damaged("the key bag's wrapped key for " + which + " is "
                           + std::to_string(classKey.wrappedKey.size()) + " bytes, not 40");
        auto key = unwrapKey(keyEncryptionKey.span(), bytesOf(classKey.wrappedKey));
        if (!key && key.error() == UnwrapFailure::IntegrityCheck && keys.size() == 0)
            return common::failure(
                Failure{Failure::Kind::WrongPassword, "the password does not unwrap the key for " + which});
        if (!key)
            return damaged("the key bag's key for " + which + " does not unwrap although others do");
        keys.insert(classKey.protectionClass, std::move(*key));
    }
    if (keys.size() == 0)
        return damaged("the key bag has no class key protected by the password");
    return keys;
}

Result<ClassKeys> unlock(const KeyBag &bag, std::string_view password)
{
    const auto keyEncryptionKey = deriveKeyEncryptionKey(bag, password);
    if (!keyEncryptionKey)
        return common::failure(keyEncryptionKey.error());
    return unwrapClassKeys(bag, *keyEncryptionKey);
}

} // namespace crypto
