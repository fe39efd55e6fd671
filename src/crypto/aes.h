#pragma once

#include "common/result.h"
#include "crypto/secure_bytes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <openssl/evp.h>
#include <span>
#include <string>

namespace crypto
{

constexpr std::size_t aesKeySize = 32;
constexpr std::size_t aesBlockSize = 16;
// RFC 3394 adds one 8-byte integrity block to the key it wraps.
constexpr std::size_t wrapOverhead = 8;

enum class UnwrapFailure {
    BadLength, // not a wrapped key at all: wrong key size, or not whole 8-byte blocks
    IntegrityCheck, // the right shape, but the key-encryption key is not the one it was wrapped with
};

// RFC 3394 AES-256 key unwrap with the default initial value. `kek` must be 32 bytes (else
// BadLength); `wrapped` must be at least 24 bytes in whole 8-byte blocks.
[[nodiscard]] common::Result<SecureBytes, UnwrapFailure> unwrapKey(std::span<const std::uint8_t> kek,
                                                                   std::span<const std::uint8_t> wrapped);

// RFC 3394 AES-256 key wrap, the inverse of unwrapKey. Returns the empty string when `kek` is not
// 32 bytes or `key` is not at least 16 bytes in whole 8-byte blocks.
[[nodiscard]] std::string wrapKey(std::span<const std::uint8_t> kek, std::span<const std::uint8_t> key);

// AES-256-CBC encryption with a zero initial value and PKCS#7 padding, the form a backup keeps its
// files in. Returns the empty string when `key` is not 32 bytes.
[[nodiscard]] std::string encryptCbc(std::span<const std::uint8_t> key, std::span<const std::uint8_t> plain);

struct CipherContextDeleter {
    void operator()(EVP_CIPHER_CTX *context) const noexcept { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter>;

// AES-256-CBC decryption of whole blocks without padding, keeping the key schedule between calls
// so that each call costs one pass over its blocks.
class CbcDecryptor
{
public:
    // Fails (Invalid) when `key` is not 32 bytes.
    [[nodiscard]] static common::Result<CbcDecryptor> create(std::span<const std::uint8_t> key);

    // Decrypts `in` (whole blocks) into `out` (the same size; may be `in` itself), chained from
    // `iv`, the ciphertext block before `in` or zeros at the start of a file.
    [[nodiscard]] bool decrypt(std::span<const std::uint8_t, aesBlockSize> iv,
                               std::span<const std::uint8_t> in,
                               std::span<std::uint8_t> out) const;

private:
    explicit CbcDecryptor(CipherContext context)
        : m_context(std::move(context))
    {
    }

    CipherContext m_context; // holds the key schedule; freeing it cleanses it
};

} // namespace crypto
