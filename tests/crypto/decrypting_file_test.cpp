#include "backup/encryption_writer.h"
#include "crypto/decrypting_file.h"
#include "crypto/file_key.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/stat.h>

namespace
{

using common::Error;

const std::string key = backup::testKey(7);

crypto::SecureBytes keyBytes(std::string_view bytes = key)
{
    return crypto::SecureBytes(crypto::bytesOf(bytes));
}

std::string plainText(std::size_t size)
{
    std::string text(size, '\0');
    std::mt19937 random(static_cast<unsigned>(size));
    for (char &c : text)
        c = static_cast<char>(random());
    return text;
}

std::string readAll(const crypto::DecryptingFile &file, std::uint64_t offset, std::size_t length)
{
    std::string out(length, '\0');
    const auto read = file.readAt(offset, std::as_writable_bytes(std::span(out)));
    EXPECT_TRUE(read);
    out.resize(read ? *read : 0);
    return out;
}

class DecryptingFileTest : public ::testing::Test
{
protected:
    std::filesystem::path write(const std::string &bytes)
    {
        const auto path = dir / ("file-" + std::to_string(++count));
        testsupport::writeFile(path, bytes);
        return path;
    }

    common::Result<crypto::DecryptingFile> open(const std::string &cipher,
                                                std::optional<std::uint64_t> size = std::nullopt)
    {
        return crypto::DecryptingFile::open(write(cipher), keyBytes(), size);
    }

    testsupport::TempDir dir;
    int count = 0;
};

} // namespace

TEST_F(DecryptingFileTest, EveryRangeReadsAsThePlainText)
{
    for (const std::size_t size : {0, 1, 15, 16, 17, 33, 64, 100}) {
        const std::string plain = plainText(size);
        const auto file = open(backup::encryptFile(key, plain), size);
        ASSERT_TRUE(file) << file.error().detail;
        EXPECT_EQ(file->size(), size);

        for (std::size_t offset = 0; offset <= size + 2; ++offset)
            for (std::size_t length = 0; length <= size - std::min(offset, size) + 2; ++length)
                ASSERT_EQ(readAll(*file, offset, length), plain.substr(std::min(offset, size), length))
                    << size << " " << offset << " " << length;
    }
}

TEST_F(DecryptingFileTest, LargeFilesReadInPagesAndAtRandom)
{
    const std::string plain = plainText(700'001);
    const auto file = open(backup::encryptFile(key, plain), plain.size());
    ASSERT_TRUE(file) << file.error().detail;

    std::string pages;
    for (std::uint64_t offset = 0; offset < plain.size(); offset += 4096)
        pages += readAll(*file, offset, 4096);
    EXPECT_EQ(pages, plain);
    EXPECT_EQ(readAll(*file, 3, plain.size()), plain.substr(3)); // several chunks in one read

    std::mt19937 random(15);
    for (int i = 0; i < 500; ++i) {
        const std::size_t offset = random() % plain.size();
        const std::size_t length = random() % 70'000;
        ASSERT_EQ(readAll(*file, offset, length), plain.substr(offset, length)) << offset << " " << length;
    }
}

TEST_F(DecryptingFileTest, RecordedSizeLargerIsAnErrorAndSmallerKeepsTheContent)
{
    const std::string plain = plainText(5000);
    const std::string cipher = backup::encryptFile(key, plain);

    const auto larger = open(cipher, 5001);
    const auto smaller = open(cipher, 4000);

    ASSERT_FALSE(larger);
    EXPECT_EQ(larger.error().kind, Error::Kind::Invalid);
    ASSERT_TRUE(smaller);
    EXPECT_EQ(smaller->size(), 5000u);
    EXPECT_EQ(readAll(*smaller, 0, 6000), plain);
    EXPECT_EQ(open("", 1).error().kind, Error::Kind::Invalid);
}

TEST_F(DecryptingFileTest, BrokenCiphertextAndPaddingAreRefused)
{
    const std::string plain = plainText(200);
    const std::string cipher = backup::encryptFile(key, plain);
    // Ciphertext whose last block decrypts to chosen final bytes: encrypted with padding, then
    // stripped of the padding block.
    const auto endingIn = [](const std::string &tail) {
        const std::string body = plainText(48 - tail.size()) + tail;
        return backup::encryptFile(key, body).substr(0, 48);
    };

    EXPECT_EQ(open(cipher.substr(0, cipher.size() - 1)).error().kind, Error::Kind::Invalid);
    EXPECT_EQ(open(cipher + "x").error().kind, Error::Kind::Invalid);
    EXPECT_EQ(crypto::DecryptingFile::open(write(cipher), keyBytes(backup::testKey(8))).error().kind,
              Error::Kind::Invalid);
    EXPECT_EQ(open(endingIn(std::string(1, '\0'))).error().kind, Error::Kind::Invalid);
    EXPECT_EQ(open(endingIn(std::string(1, '\x11'))).error().kind, Error::Kind::Invalid);
    EXPECT_EQ(open(endingIn("\x02\x03\x03")).error().kind, Error::Kind::Invalid);
    const auto valid = open(endingIn("\x03\x03\x03"));
    ASSERT_TRUE(valid);
    EXPECT_EQ(valid->size(), 45u);

    EXPECT_EQ(crypto::DecryptingFile::open(dir / "missing", keyBytes()).error().kind, Error::Kind::NotFound);
    EXPECT_EQ(crypto::DecryptingFile::open(dir.path(), keyBytes()).error().kind, Error::Kind::Invalid);
    EXPECT_EQ(crypto::DecryptingFile::open(write(cipher), keyBytes(key.substr(0, 16))).error().kind,
              Error::Kind::Invalid);
}

TEST_F(DecryptingFileTest, ABackupFileOpensFromItsRecord)
{
    // The way a backup's files are reached: class key, record, file key, file.
    const std::string classKey = backup::testKey(3);
    const std::string fileKey = backup::testKey(8);
    const std::string plain = plainText(9000);
    const std::string record = backup::fileRecord(backup::wrapWithClass(3, classKey, fileKey), 3, plain.size());
    crypto::ClassKeys keys;
    keys.insert(3, keyBytes(classKey));

    const auto fileRecord = crypto::readFileKey(record);
    ASSERT_TRUE(fileRecord);
    auto unwrapped = keys.unwrap(fileRecord->key);
    ASSERT_TRUE(unwrapped);
    const auto file = crypto::DecryptingFile::open(write(backup::encryptFile(fileKey, plain)), std::move(*unwrapped),
                                                   fileRecord->size);

    ASSERT_TRUE(file) << file.error().detail;
    EXPECT_EQ(readAll(*file, 0, plain.size()), plain);
}

TEST(DecryptingFile, AFifoInAFilesPlaceIsRefusedWithoutWaiting)
{
    // Opened without O_NONBLOCK, a FIFO nobody writes to would block the unlock for ever.
    testsupport::TempDir dir;
    const auto fifo = dir / "Manifest.db";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto opened = crypto::DecryptingFile::open(fifo, crypto::SecureBytes(std::vector<std::uint8_t>(32, 1)));
    ASSERT_FALSE(opened.has_value());
    EXPECT_EQ(opened.error().kind, Error::Kind::Invalid);
}
