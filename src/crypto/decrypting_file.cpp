#include "crypto/decrypting_file.h"

#include "common/system_error.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <openssl/crypto.h>
#include <sys/stat.h>
#include <unistd.h>

namespace crypto
{

namespace
{

// The most plain bytes one pread and one cipher pass cover; larger reads take several.
constexpr std::size_t chunkSize = std::size_t{256} * 1024;

common::Error invalid(std::string detail)
{
    return common::Error{common::Error::Kind::Invalid, std::move(detail)};
}

// Wipes a span of plain bytes when it goes, however the read ends.
class WipeOnExit
{
public:
    explicit WipeOnExit(std::span<std::uint8_t> bytes)
        : m_bytes(bytes)
    {
    }
    ~WipeOnExit() { OPENSSL_cleanse(m_bytes.data(), m_bytes.size()); }
    WipeOnExit(const WipeOnExit &) = delete;
    WipeOnExit &operator=(const WipeOnExit &) = delete;
    WipeOnExit(WipeOnExit &&) = delete;
    WipeOnExit &operator=(WipeOnExit &&) = delete;

private:
    std::span<std::uint8_t> m_bytes;
};

} // namespace

common::Result<DecryptingFile>
DecryptingFile::open(const std::filesystem::path &path, SecureBytes key, std::optional<std::uint64_t> expectedSize)
{
    auto decryptor = CbcDecryptor::create(key.span());
    key.wipe();
    RETURN_IF_FAILED(decryptor);
    // O_NONBLOCK so that a FIFO in the file's place is refused below instead of waiting for ever.
    common::FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.isOpen())
        return common::failure(common::errorFromErrno(errno, "cannot open " + path.string()));
    struct stat status = {};
    if (::fstat(file.get(), &status) != 0)
        return common::failure(common::errorFromErrno(errno, "cannot read the size of " + path.string()));
    if (!S_ISREG(status.st_mode))
        return common::failure(invalid(path.string() + " is not a file"));
    if (const int flags = ::fcntl(file.get(), F_GETFL);
        flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return common::failure(common::errorFromErrno(errno, "cannot read " + path.string()));
    const auto cipherSize = static_cast<std::uint64_t>(status.st_size);
    if (cipherSize % aesBlockSize != 0)
        return common::failure(invalid(path.string() + " is " + std::to_string(cipherSize)
                                       + " bytes, not whole cipher blocks: it is cut short or not encrypted"));

    DecryptingFile decrypting(std::move(file), std::move(*decryptor), 0);
    std::uint64_t plainSize = 0;
    if (cipherSize > 0) {
        // The last block, decrypted from itself and the one before, ends in its padding.
        std::array<std::uint8_t, aesBlockSize> last = {};
        const WipeOnExit wipeLast(last);
        if (auto read = decrypting.readChunk(cipherSize - aesBlockSize, last); !read)
            return common::failure(read.error());
        const std::uint8_t padding = last.back();
        if (padding == 0 || padding > aesBlockSize
            || std::any_of(last.end() - padding, last.end(), [&](std::uint8_t b) {
                   return b != padding;
               }))
            return common::failure(
                invalid(path.string() + " does not end in valid padding: the key is wrong or the file is damaged"));
        plainSize = cipherSize - padding;
    }
    if (expectedSize && *expectedSize > plainSize)
        return common::failure(invalid(path.string() + " holds " + std::to_string(plainSize) + " bytes, fewer than the "
                                       + std::to_string(*expectedSize) + " its record gives: it is cut short"));
    decrypting.m_plainSize = plainSize;
    return decrypting;
}

common::Result<std::size_t> DecryptingFile::readAt(std::uint64_t offset, std::span<std::byte> into) const
{
    if (offset >= m_plainSize || into.empty())
        return 0;
    const std::size_t total = static_cast<std::size_t>(std::min<std::uint64_t>(into.size(), m_plainSize - offset));
    auto *out = reinterpret_cast<std::uint8_t *>(into.data());
    for (std::size_t done = 0; done < total;) {
        const std::size_t length = std::min(chunkSize, total - done);
        if (auto read = readChunk(offset + done, {out + done, length}); !read)
            return common::failure(read.error());
        done += length;
    }
    return total;
}

common::Result<void> DecryptingFile::readCipher(std::uint64_t offset, std::span<std::uint8_t> into) const
{
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t got =
            ::pread(m_file.get(), into.data() + done, into.size() - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return common::failure(common::errorFromErrno(errno, "cannot read an encrypted file"));
        if (got == 0)
            return common::failure(
                common::Error{common::Error::Kind::Io, "an encrypted file became shorter while open"});
        done += static_cast<std::size_t>(got);
    }
    return {};
}

common::Result<void> DecryptingFile::readChunk(std::uint64_t offset, std::span<std::uint8_t> into) const
{
    const std::uint64_t firstBlock = offset / aesBlockSize;
    const std::uint64_t endBlock = (offset + into.size() + aesBlockSize - 1) / aesBlockSize;
    const std::size_t blocksBytes = static_cast<std::size_t>(endBlock - firstBlock) * aesBlockSize;
    const std::size_t ivBytes = firstBlock == 0 ? 0 : aesBlockSize;
    const bool aligned = offset % aesBlockSize == 0 && into.size() % aesBlockSize == 0;

    // One read of the blocks and the block before them; room behind them for partial plain blocks.
    const std::size_t needed = ivBytes + blocksBytes + (aligned ? 0 : blocksBytes);
    if (m_scratch.size() < needed)
        m_scratch = SecureBytes(std::max(needed, std::min<std::size_t>(2 * chunkSize + 2 * aesBlockSize, 2 * needed)));
    const std::span<std::uint8_t> scratch = m_scratch.span().first(needed);
    // Only partial blocks put plain text in the scratch buffer; ciphertext needs no wiping.
    const WipeOnExit wipe(scratch.subspan(ivBytes + blocksBytes));
    if (auto read = readCipher(firstBlock * aesBlockSize - ivBytes, scratch.first(ivBytes + blocksBytes)); !read)
        return read;

    std::array<std::uint8_t, aesBlockSize> iv = {};
    std::copy_n(scratch.begin(), ivBytes, iv.begin());
    const std::span<const std::uint8_t> cipher = scratch.subspan(ivBytes, blocksBytes);
    const std::span<std::uint8_t> plain = aligned ? into : scratch.subspan(ivBytes + blocksBytes, blocksBytes);
    if (!m_decryptor.decrypt(iv, cipher, plain))
        return common::failure(common::Error{common::Error::Kind::Io, "AES-256-CBC decryption failed"});
    if (!aligned)
        std::copy_n(plain.begin() + static_cast<std::ptrdiff_t>(offset % aesBlockSize), into.size(), into.begin());
    return {};
}

} // namespace crypto
