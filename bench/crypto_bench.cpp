// The two costs of an encrypted backup: the one key derivation (printed with its round counts;
// an iPhone's DPIC is about ten million), and reading a file through DecryptingFile in 4 KiB
// pages, as SQLite does, against pread of the same bytes kept plain, in the same run.
//   crypto_bench [DPIC [ITER [MiB]]]     defaults 1000000, 10000, 64

#include "bench_support.h"
#include "crypto/aes.h"
#include "crypto/decrypting_file.h"
#include "crypto/key_bag.h"
#include "crypto/unlock.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <openssl/evp.h>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

constexpr std::size_t pageSize = 4096;

double secondsOf(const std::function<void()> &work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void writeBytes(const std::filesystem::path &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char **argv)
{
    const auto passwordRounds = static_cast<std::uint32_t>(argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1'000'000);
    const auto rounds = static_cast<std::uint32_t>(argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 10'000);
    const std::size_t mebibytes = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 64;

    crypto::KeyBag bag;
    bag.passwordSalt = std::string(20, 's');
    bag.passwordIterations = passwordRounds;
    bag.salt = std::string(20, 't');
    bag.iterations = rounds;
    bool derived = false;
    const double deriveSeconds = secondsOf([&] {
        derived = crypto::deriveKeyEncryptionKey(bag, "a backup password").has_value();
    });
    if (!derived) {
        std::fprintf(stderr, "key derivation failed\n");
        return 1;
    }
    std::printf("key derivation (PBKDF2-HMAC-SHA256 %u rounds, then PBKDF2-HMAC-SHA1 %u rounds): %.2f s\n",
                passwordRounds, rounds, deriveSeconds);
    // Our own loop, which can stop, against OpenSSL's PKCS5_PBKDF2_HMAC, which cannot.
    unsigned char first[32];
    unsigned char second[32];
    const double openSslSeconds = secondsOf([&] {
        const std::string password = "a backup password";
        PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                          reinterpret_cast<const unsigned char *>(bag.passwordSalt->data()),
                          static_cast<int>(bag.passwordSalt->size()), static_cast<int>(passwordRounds), EVP_sha256(),
                          32, first);
        PKCS5_PBKDF2_HMAC(reinterpret_cast<const char *>(first), 32,
                          reinterpret_cast<const unsigned char *>(bag.salt.data()), static_cast<int>(bag.salt.size()),
                          static_cast<int>(rounds), EVP_sha1(), 32, second);
    });
    std::printf("the same with OpenSSL's PKCS5_PBKDF2_HMAC: %.2f s (ours takes %.2fx)\n", openSslSeconds,
                deriveSeconds / openSslSeconds);

    // The same bytes kept plain and encrypted, made once per size.
    const auto dir = bench::dataDir();
    std::filesystem::create_directories(dir);
    const auto plainPath = dir / ("crypto-plain-" + std::to_string(mebibytes));
    const auto cipherPath = dir / ("crypto-encrypted-" + std::to_string(mebibytes));
    const std::string key(32, 'k');
    if (!std::filesystem::exists(cipherPath)) {
        std::string plain(mebibytes << 20, '\0');
        std::mt19937_64 random(42);
        for (std::size_t i = 0; i + 8 <= plain.size(); i += 8) {
            const std::uint64_t value = random();
            std::memcpy(plain.data() + i, &value, 8);
        }
        writeBytes(plainPath, plain);
        writeBytes(cipherPath, crypto::encryptCbc(crypto::bytesOf(key), crypto::bytesOf(plain)));
    }

    const auto file = crypto::DecryptingFile::open(cipherPath, crypto::SecureBytes(crypto::bytesOf(key)));
    const int plainFd = ::open(plainPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (!file || plainFd < 0) {
        std::fprintf(stderr, "cannot open the benchmark files\n");
        return 1;
    }
    const std::uint64_t size = *file->size();
    std::vector<std::byte> page(pageSize);
    std::uint64_t sink = 0;
    const auto decrypting = [&] {
        return secondsOf([&] {
            for (std::uint64_t offset = 0; offset < size; offset += pageSize)
                sink += *file->readAt(offset, page) + static_cast<std::uint8_t>(page[17]);
        });
    };
    const auto plainReads = [&] {
        return secondsOf([&] {
            for (std::uint64_t offset = 0; offset < size; offset += pageSize)
                sink += static_cast<std::uint64_t>(::pread(plainFd, page.data(), pageSize, static_cast<off_t>(offset)))
                    + static_cast<std::uint8_t>(page[17]);
        });
    };
    const auto [ours, floor] = bench::alternate(5, decrypting, plainReads);
    ::close(plainFd);

    std::printf("sequential 4 KiB reads of %zu MiB (%.0f MB/s decrypting, %.0f MB/s plain):\n", mebibytes,
                static_cast<double>(size) / ours / 1e6, static_cast<double>(size) / floor / 1e6);
    bench::printRatio("DecryptingFile::readAt", ours, "pread of the plain file", floor, 1.5);
    return sink == 0 ? 1 : 0;
}
