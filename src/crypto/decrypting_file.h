#pragma once

#include "common/file_descriptor.h"
#include "common/read_only_file.h"
#include "crypto/aes.h"
#include "crypto/secure_bytes.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace crypto
{

// The plain bytes of a file a backup keeps encrypted (AES-256-CBC, zero initial value, PKCS#7
// padding), made on demand: a read decrypts only the blocks it covers, each from itself and the
// ciphertext block before it, straight into the caller's buffer or through a small buffer that is
// wiped at once. No plain byte is ever written anywhere else. Used from one thread at a time.
class DecryptingFile final : public common::ReadOnlyFile
{
public:
    // Opens `path` read-only with the file's 32-byte key and finds the plain size from the padding
    // in the last block. Fails (Invalid) when the ciphertext is not whole 16-byte blocks, the
    // padding is not 1 to 16 equal bytes (a wrong key, or a damaged file), or the file holds fewer
    // bytes than `expectedSize`, the size its record gives. A record giving fewer bytes than the
    // file holds is not an error: every byte the padding vouches for stays readable.
    // An empty file is an empty plain file.
    [[nodiscard]] static common::Result<DecryptingFile>
    open(const std::filesystem::path &path, SecureBytes key, std::optional<std::uint64_t> expectedSize = std::nullopt);

    [[nodiscard]] common::Result<std::uint64_t> size() const override { return m_plainSize; }
    [[nodiscard]] common::Result<std::size_t> readAt(std::uint64_t offset, std::span<std::byte> into) const override;

private:
    DecryptingFile(common::FileDescriptor file, CbcDecryptor decryptor, std::uint64_t plainSize)
        : m_file(std::move(file))
        , m_decryptor(std::move(decryptor))
        , m_plainSize(plainSize)
    {
    }

    // Reads ciphertext bytes [offset, offset + into.size()) completely.
    [[nodiscard]] common::Result<void> readCipher(std::uint64_t offset, std::span<std::uint8_t> into) const;
    // Decrypts the plain bytes [offset, offset + into.size()), all within one chunk.
    [[nodiscard]] common::Result<void> readChunk(std::uint64_t offset, std::span<std::uint8_t> into) const;

    common::FileDescriptor m_file;
    CbcDecryptor m_decryptor;
    std::uint64_t m_plainSize = 0;
    mutable SecureBytes m_scratch; // ciphertext read, then plain bytes of partial blocks; wiped after use
};

} // namespace crypto
