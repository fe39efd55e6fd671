#include "crypto/unlock.h"

#include "crypto/aes.h"

#include "crypto/pbkdf2.h"

namespace crypto
{

namespace
{

// Five times a phone's is the most a backup may ask for (under a minute here).
constexpr std::uint32_t mostRounds = 5 * phoneRounds;

std::string withSeparators(std::uint32_t number)
{
    // Built front to back: GCC 12 takes an insert into the middle for an overlapping copy.
    const std::string digits = std::to_string(number);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

Result<SecureBytes> derive(Pbkdf2Digest digest,
                           std::span<const std::uint8_t> secret,
                           std::string_view salt,
                           std::uint32_t rounds,
                           const std::stop_token &stop)
{
    return pbkdf2(digest, secret, salt, rounds, aesKeySize, stop);
}

} // namespace

Result<void> checkRoundCounts(const KeyBag &bag)
{
    for (const auto rounds : {std::optional(bag.iterations), bag.passwordIterations}) {
        if (rounds && *rounds > mostRounds)
            return common::failure(Failure{Failure::Kind::TooManyRounds,
                                           "this backup asks for " + withSeparators(*rounds)
                                               + " rounds; an iPhone uses " + withSeparators(phoneRounds),
                                           *rounds});
    }
    return {};
}

Result<SecureBytes> deriveKeyEncryptionKey(const KeyBag &bag, std::string_view password, const std::stop_token &stop)
{
    if (auto checked = checkRoundCounts(bag); !checked)
        return common::failure(std::move(checked.error()));
    if (!bag.passwordSalt || !bag.passwordIterations)
        return derive(Pbkdf2Digest::Sha1, bytesOf(password), bag.salt, bag.iterations, stop);
    auto first = derive(Pbkdf2Digest::Sha256, bytesOf(password), *bag.passwordSalt, *bag.passwordIterations, stop);
    if (!first)
        return first;
    return derive(Pbkdf2Digest::Sha1, first->span(), bag.salt, bag.iterations, stop);
}

Result<ClassKeys> unwrapClassKeys(const KeyBag &bag, const SecureBytes &keyEncryptionKey)
{
    ClassKeys keys;
    std::optional<std::uint32_t> failedClass; // the first class whose key does not unwrap
    bool protectedAny = false;
    for (const KeyBag::ClassKey &classKey : bag.classKeys) {
        if ((classKey.wrap & KeyBag::wrapKeyWithPassword) == 0)
            continue;
        protectedAny = true;
        const std::string which = "class " + std::to_string(classKey.protectionClass);
        if (classKey.wrappedKey.size() != aesKeySize + wrapOverhead)
            return damaged("the key bag's wrapped key for " + which + " is "
                           + std::to_string(classKey.wrappedKey.size()) + " bytes, not 40");
        auto key = unwrapKey(keyEncryptionKey.span(), bytesOf(classKey.wrappedKey));
        if (!key) {
            failedClass = failedClass.value_or(classKey.protectionClass);
            continue;
        }
        keys.insert(classKey.protectionClass, std::move(*key));
    }
    if (!protectedAny)
        return damaged("the key bag has no class key protected by the password");
    if (!failedClass)
        return keys;
    const std::string which = "class " + std::to_string(*failedClass);
    // The password is right when any class key unwraps with it: then a key that does not is damaged.
    if (keys.size() == 0)
        return common::failure(
            Failure{Failure::Kind::WrongPassword, "the password does not unwrap the key for " + which});
    return damaged("the password is right, but the key bag's key for " + which + " is damaged");
}

Result<ClassKeys> unlock(const KeyBag &bag, std::string_view password, const std::stop_token &stop)
{
    const auto keyEncryptionKey = deriveKeyEncryptionKey(bag, password, stop);
    RETURN_IF_FAILED(keyEncryptionKey);
    return unwrapClassKeys(bag, *keyEncryptionKey);
}

} // namespace crypto
