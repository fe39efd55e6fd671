#include "crypto/class_keys.h"

#include "crypto/aes.h"

namespace crypto
{

namespace
{

constexpr std::size_t classPrefixSize = 4;
constexpr std::size_t wrappedKeySize = aesKeySize + wrapOverhead;

} // namespace

Result<WrappedKey> parseWrappedKey(std::string_view bytes)
{
    if (bytes.size() != classPrefixSize + wrappedKeySize)
        return damaged("a wrapped key is " + std::to_string(bytes.size()) + " bytes, not "
                       + std::to_string(classPrefixSize + wrappedKeySize));
    WrappedKey key;
    for (std::size_t i = classPrefixSize; i-- > 0;)
        key.protectionClass = (key.protectionClass << 8) | static_cast<std::uint8_t>(bytes[i]);
    key.wrapped = std::string(bytes.substr(classPrefixSize));
    return key;
}

Result<SecureBytes> ClassKeys::unwrap(const WrappedKey &key) const
{
    const auto found = m_keys.find(key.protectionClass);
    if (found == m_keys.end())
        return common::failure(Failure{Failure::Kind::MissingClassKey,
                                       "the key bag has no key for class " + std::to_string(key.protectionClass)});
    if (key.wrapped.size() != wrappedKeySize)
        return damaged("a wrapped key is " + std::to_string(key.wrapped.size()) + " bytes, not "
                       + std::to_string(wrappedKeySize));
    auto unwrapped = unwrapKey(found->second.span(), bytesOf(key.wrapped));
    if (!unwrapped)
        return damaged("a key wrapped with class " + std::to_string(key.protectionClass) + " does not unwrap");
    return std::move(*unwrapped);
}

} // namespace crypto
