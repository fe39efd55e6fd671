#include "crypto/pbkdf2.h"

#include "backup/encryption_writer.h"
#include "crypto/key_bag.h"
#include "crypto/unlock.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <string>

using crypto::Failure;
using crypto::Pbkdf2Digest;

namespace
{

std::string hexOf(const crypto::SecureBytes &bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (const auto byte : bytes.span()) {
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0F];
    }
    return hex;
}

std::string
derived(Pbkdf2Digest digest, std::string_view password, std::string_view salt, std::uint32_t rounds, std::size_t length)
{
    const auto key = crypto::pbkdf2(digest, crypto::bytesOf(password), salt, rounds, length);
    return key ? hexOf(*key) : "failed: " + key.error().detail;
}

std::string
openSsl(Pbkdf2Digest digest, std::string_view password, std::string_view salt, std::uint32_t rounds, std::size_t length)
{
    crypto::SecureBytes key(length);
    PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                      reinterpret_cast<const unsigned char *>(salt.data()), static_cast<int>(salt.size()),
                      static_cast<int>(rounds), digest == Pbkdf2Digest::Sha1 ? EVP_sha1() : EVP_sha256(),
                      static_cast<int>(length), key.data());
    return hexOf(key);
}

} // namespace

TEST(Pbkdf2, MatchesRfc6070)
{
    using namespace std::string_view_literals;
    EXPECT_EQ(derived(Pbkdf2Digest::Sha1, "password", "salt", 1, 20), "0c60c80f961f0e71f3a9b524af6012062fe037a6");
    EXPECT_EQ(derived(Pbkdf2Digest::Sha1, "password", "salt", 2, 20), "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957");
    EXPECT_EQ(derived(Pbkdf2Digest::Sha1, "password", "salt", 4096, 20), "4b007901b765489abead49d926f721d065a429c1");
    EXPECT_EQ(derived(Pbkdf2Digest::Sha1, "passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25),
              "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038");
    EXPECT_EQ(derived(Pbkdf2Digest::Sha1, "pass\0word"sv, "sa\0lt"sv, 4096, 16), "56fa6aa75548099dcc37d7f03425e0c3");
}

TEST(Pbkdf2, MatchesOpenSslForBothDigestsAndEveryLength)
{
    for (const auto digest : {Pbkdf2Digest::Sha1, Pbkdf2Digest::Sha256}) {
        for (const std::size_t length : {1u, 20u, 32u, 33u, 64u}) {
            for (const std::uint32_t rounds : {1u, 2u, 4097u}) {
                EXPECT_EQ(derived(digest, "correct horse", "sixteen byte salt", rounds, length),
                          openSsl(digest, "correct horse", "sixteen byte salt", rounds, length));
                EXPECT_EQ(derived(digest, "", "", rounds, length), openSsl(digest, "", "", rounds, length));
            }
        }
    }
    EXPECT_EQ(crypto::pbkdf2(Pbkdf2Digest::Sha1, {}, "salt", 0, 32).error().kind, Failure::Kind::Damaged);
}

TEST(Pbkdf2, AStopEndsTheDerivation)
{
    std::stop_source stop;
    stop.request_stop();
    // Two billion rounds would take many minutes; the stop is seen within the first few thousand.
    const auto key =
        crypto::pbkdf2(Pbkdf2Digest::Sha256, crypto::bytesOf("pw"), "salt", 2'000'000'000, 32, stop.get_token());
    ASSERT_FALSE(key.has_value());
    EXPECT_EQ(key.error().kind, Failure::Kind::Cancelled);
}

TEST(Pbkdf2, RoundCountsFarAboveAPhonesAreRefusedBeforeDeriving)
{
    auto bag = crypto::parseKeyBag(backup::makeKeyBag({.classKeys = {{3, backup::testKey(3)}}}));
    ASSERT_TRUE(bag.has_value());
    bag->passwordIterations = 2'147'483'647;
    auto unlocked = crypto::unlock(*bag, "correct horse");
    ASSERT_FALSE(unlocked.has_value());
    EXPECT_EQ(unlocked.error().kind, Failure::Kind::TooManyRounds);
    EXPECT_EQ(unlocked.error().detail, "this backup asks for 2,147,483,647 rounds; an iPhone uses 10,000,000");
    bag->passwordIterations = 10'000'000;
    bag->iterations = 60'000'000;
    EXPECT_EQ(crypto::checkRoundCounts(*bag).error().kind, Failure::Kind::TooManyRounds);
}
