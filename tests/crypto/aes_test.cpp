#include "crypto/aes.h"
#include "crypto/key_bag.h"
#include "crypto/unlock.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

std::string hex(std::string_view text)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        bytes += static_cast<char>(std::stoi(std::string(text.substr(i, 2)), nullptr, 16));
    return bytes;
}

std::string str(std::span<const std::uint8_t> bytes)
{
    return {reinterpret_cast<const char *>(bytes.data()), bytes.size()};
}

// RFC 3394 section 4.6: a 256-bit key wrapped with a 256-bit key-encryption key.
const std::string rfcKek = hex("000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F");
const std::string rfcKey = hex("00112233445566778899AABBCCDDEEFF000102030405060708090A0B0C0D0E0F");
const std::string rfcWrapped = hex("28C9F404C4B810F4CBCCB35CFB87F8263F5786E2D80ED326CBC7F0E71A99F43BFB988B9B7A02DD21");

// NIST SP 800-38A F.2.5, CBC-AES256.
const std::string nistKey = hex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
const std::string nistIv = hex("000102030405060708090a0b0c0d0e0f");
const std::string nistPlain = hex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
                                  "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
const std::string nistCipher = hex("f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
                                   "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b");

} // namespace

TEST(KeyWrap, MatchesTheRfc3394Vector)
{
    auto unwrapped = crypto::unwrapKey(crypto::bytesOf(rfcKek), crypto::bytesOf(rfcWrapped));

    ASSERT_TRUE(unwrapped);
    EXPECT_EQ(str(unwrapped->span()), rfcKey);
    EXPECT_EQ(crypto::wrapKey(crypto::bytesOf(rfcKek), crypto::bytesOf(rfcKey)), rfcWrapped);
}

TEST(KeyWrap, TellsAWrongKeyFromAWrongLength)
{
    std::string flipped = rfcWrapped;
    flipped[20] = static_cast<char>(flipped[20] ^ 0x01);
    std::string otherKek = rfcKek;
    otherKek[0] = 'x';

    EXPECT_EQ(crypto::unwrapKey(crypto::bytesOf(rfcKek), crypto::bytesOf(flipped)).error(),
              crypto::UnwrapFailure::IntegrityCheck);
    EXPECT_EQ(crypto::unwrapKey(crypto::bytesOf(otherKek), crypto::bytesOf(rfcWrapped)).error(),
              crypto::UnwrapFailure::IntegrityCheck);
    for (const std::size_t size : {0, 8, 16, 39, 41}) {
        const std::string wrapped = (rfcWrapped + rfcWrapped).substr(0, size);
        EXPECT_EQ(crypto::unwrapKey(crypto::bytesOf(rfcKek), crypto::bytesOf(wrapped)).error(),
                  crypto::UnwrapFailure::BadLength)
            << size;
    }
    EXPECT_EQ(crypto::unwrapKey(crypto::bytesOf(rfcKek.substr(0, 31)), crypto::bytesOf(rfcWrapped)).error(),
              crypto::UnwrapFailure::BadLength);
}

TEST(CbcDecryptor, MatchesTheNistVectorFromAnyBlockOn)
{
    auto decryptor = crypto::CbcDecryptor::create(crypto::bytesOf(nistKey));
    ASSERT_TRUE(decryptor);
    std::string plain(nistCipher.size(), '\0');
    auto out = std::span(reinterpret_cast<std::uint8_t *>(plain.data()), plain.size());

    ASSERT_TRUE(decryptor->decrypt(crypto::bytesOf(nistIv).first<16>(), crypto::bytesOf(nistCipher), out));
    EXPECT_EQ(plain, nistPlain);

    // Blocks 3 and 4 alone, chained from block 2's ciphertext, in place.
    std::string tail = nistCipher.substr(32);
    auto inPlace = std::span(reinterpret_cast<std::uint8_t *>(tail.data()), tail.size());
    ASSERT_TRUE(decryptor->decrypt(crypto::bytesOf(nistCipher).subspan(16).first<16>(), inPlace, inPlace));
    EXPECT_EQ(tail, nistPlain.substr(32));

    EXPECT_FALSE(
        decryptor->decrypt(crypto::bytesOf(nistIv).first<16>(), crypto::bytesOf(nistCipher).first(20), out.first(20)));
    EXPECT_FALSE(crypto::CbcDecryptor::create(crypto::bytesOf(nistKey.substr(1))));
}

TEST(EncryptCbc, StartsFromZerosAndPadsEveryLength)
{
    // With a zero initial value, the first plain block XORed with NIST's initial value gives C1.
    std::string first = nistPlain.substr(0, 16);
    for (std::size_t i = 0; i < 16; ++i)
        first[i] = static_cast<char>(first[i] ^ nistIv[i]);

    const std::string cipher = crypto::encryptCbc(crypto::bytesOf(nistKey), crypto::bytesOf(first));

    ASSERT_EQ(cipher.size(), 32u);
    EXPECT_EQ(cipher.substr(0, 16), nistCipher.substr(0, 16));
    for (const std::size_t size : {0, 1, 15, 16, 17, 31, 32})
        EXPECT_EQ(crypto::encryptCbc(crypto::bytesOf(nistKey), crypto::bytesOf(std::string(size, 'a'))).size(),
                  (size / 16 + 1) * 16);
}

TEST(DeriveKeyEncryptionKey, MatchesPublishedPbkdf2Vectors)
{
    // RFC 6070 (PBKDF2-HMAC-SHA1, "password", "salt", 2 rounds): the first 20 of our 32 bytes.
    crypto::KeyBag older;
    older.salt = "salt";
    older.iterations = 2;
    const auto sha1 = crypto::deriveKeyEncryptionKey(older, "password");
    ASSERT_TRUE(sha1);
    EXPECT_EQ(str(sha1->span()).substr(0, 20), hex("ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"));

    // PBKDF2-HMAC-SHA256 ("password", "salt", 1 round) is 120fb6cf...; the SHA-1 step over that
    // key with "NaCl" and 2 rounds was computed with Python's hashlib.
    crypto::KeyBag recent;
    recent.passwordSalt = "salt";
    recent.passwordIterations = 1;
    recent.salt = "NaCl";
    recent.iterations = 2;
    const auto twoStep = crypto::deriveKeyEncryptionKey(recent, "password");
    ASSERT_TRUE(twoStep);
    EXPECT_EQ(str(twoStep->span()), hex("30b1ce2c5ed44180c8b0afdbf040caaf5ed10e6cdb381e0f1c82585147e9cd12"));

    recent.iterations = 0x80000000u;
    EXPECT_FALSE(crypto::deriveKeyEncryptionKey(recent, "password"));
}
