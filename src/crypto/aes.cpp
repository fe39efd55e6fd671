#include "crypto/aes.h"

#include <limits>
#include <openssl/crypto.h>

namespace crypto
{

namespace
{

constexpr std::size_t semiblock = 8;

bool isWrappable(std::size_t size)
{
    return size >= 2 * semiblock && size % semiblock == 0 && size <= std::numeric_limits<int>::max() - semiblock;
}

CipherContext wrapContext(std::span<const std::uint8_t> kek, bool encrypt)
{
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context)
        return {};
    // The wrap ciphers are refused unless a caller says it knows what they are.
    EVP_CIPHER_CTX_set_flags(context.get(), EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
    if (EVP_CipherInit_ex(context.get(), EVP_aes_256_wrap(), nullptr, kek.data(), nullptr, encrypt ? 1 : 0) != 1)
        return {};
    return context;
}

} // namespace

common::Result<SecureBytes, UnwrapFailure> unwrapKey(std::span<const std::uint8_t> kek,
                                                     std::span<const std::uint8_t> wrapped)
{
    if (kek.size() != aesKeySize || wrapped.size() < 3 * semiblock || !isWrappable(wrapped.size()))
        return common::failure(UnwrapFailure::BadLength);
    const CipherContext context = wrapContext(kek, false);
    if (!context)
        return common::failure(UnwrapFailure::BadLength);
    // The cipher may write a block beyond the key while it works; the spare stays in this buffer.
    SecureBytes key(wrapped.size());
    int written = 0;
    if (EVP_DecryptUpdate(context.get(), key.data(), &written, wrapped.data(), static_cast<int>(wrapped.size())) <= 0
        || static_cast<std::size_t>(written) != wrapped.size() - wrapOverhead)
        return common::failure(UnwrapFailure::IntegrityCheck);
    return SecureBytes(key.span().first(static_cast<std::size_t>(written)));
}

std::string wrapKey(std::span<const std::uint8_t> kek, std::span<const std::uint8_t> key)
{
    if (kek.size() != aesKeySize || !isWrappable(key.size()))
        return {};
    const CipherContext context = wrapContext(kek, true);
    if (!context)
        return {};
    std::string wrapped(key.size() + wrapOverhead, '\0');
    int written = 0;
    if (EVP_EncryptUpdate(context.get(), reinterpret_cast<std::uint8_t *>(wrapped.data()), &written, key.data(),
                          static_cast<int>(key.size()))
            <= 0
        || static_cast<std::size_t>(written) != wrapped.size())
        return {};
    return wrapped;
}

std::string encryptCbc(std::span<const std::uint8_t> key, std::span<const std::uint8_t> plain)
{
    if (key.size() != aesKeySize || plain.size() > std::numeric_limits<int>::max() - aesBlockSize)
        return {};
    const CipherContext context(EVP_CIPHER_CTX_new());
    const std::uint8_t zeroIv[aesBlockSize] = {};
    if (!context || EVP_EncryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, key.data(), zeroIv) != 1)
        return {};
    std::string cipher(plain.size() + aesBlockSize, '\0');
    auto *out = reinterpret_cast<std::uint8_t *>(cipher.data());
    int written = 0;
    int last = 0;
    if (EVP_EncryptUpdate(context.get(), out, &written, plain.data(), static_cast<int>(plain.size())) != 1
        || EVP_EncryptFinal_ex(context.get(), out + written, &last) != 1)
        return {};
    cipher.resize(static_cast<std::size_t>(written) + static_cast<std::size_t>(last));
    return cipher;
}

common::Result<CbcDecryptor> CbcDecryptor::create(std::span<const std::uint8_t> key)
{
    if (key.size() != aesKeySize)
        return common::failure(common::Error{common::Error::Kind::Invalid, "an AES-256 key is 32 bytes"});
    CipherContext context(EVP_CIPHER_CTX_new());
    const std::uint8_t zeroIv[aesBlockSize] = {};
    // Without padding, every whole block comes out of each update at once.
    if (!context || EVP_DecryptInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, key.data(), zeroIv) != 1
        || EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1)
        return common::failure(common::Error{common::Error::Kind::Io, "the AES-256-CBC cipher is not available"});
    return CbcDecryptor(std::move(context));
}

bool CbcDecryptor::decrypt(std::span<const std::uint8_t, aesBlockSize> iv,
                           std::span<const std::uint8_t> in,
                           std::span<std::uint8_t> out) const
{
    if (in.size() % aesBlockSize != 0 || out.size() != in.size() || in.size() > std::numeric_limits<int>::max())
        return false;
    // Re-initialising a context for each initial value costs more than decrypting a page, so the
    // chain is set by decrypting `iv` itself first: CBC chains each block from the ciphertext
    // before it. Its output depends on earlier plain text and is wiped.
    std::uint8_t discarded[aesBlockSize];
    int written = 0;
    const bool chained = EVP_DecryptUpdate(m_context.get(), discarded, &written, iv.data(), aesBlockSize) == 1
        && written == aesBlockSize;
    OPENSSL_cleanse(discarded, sizeof discarded);
    return chained
        && EVP_DecryptUpdate(m_context.get(), out.data(), &written, in.data(), static_cast<int>(in.size())) == 1
        && static_cast<std::size_t>(written) == in.size();
}

} // namespace crypto
