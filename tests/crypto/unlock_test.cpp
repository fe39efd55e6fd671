#include "backup/encryption_writer.h"
#include "crypto/key_bag.h"
#include "crypto/manifest_key.h"
#include "crypto/unlock.h"

#include <gtest/gtest.h>

namespace
{

using backup::testKey;
using crypto::Failure;

std::string str(const crypto::SecureBytes &bytes)
{
    return {reinterpret_cast<const char *>(bytes.data()), bytes.size()};
}

class UnlockTest : public ::testing::Test
{
protected:
    UnlockTest() { options.classKeys = {{1, testKey(1)}, {3, testKey(3)}, {4, testKey(4)}}; }

    crypto::Result<crypto::ClassKeys> unlock(const std::string &bag, std::string_view password) const
    {
        const auto parsed = crypto::parseKeyBag(bag);
        if (!parsed)
            return common::failure(parsed.error());
        return crypto::unlock(*parsed, password);
    }

    crypto::ClassKeys unlocked() const
    {
        auto keys = unlock(backup::makeKeyBag(options), options.password);
        EXPECT_TRUE(keys);
        return keys ? std::move(*keys) : crypto::ClassKeys{};
    }

    backup::KeyBagOptions options;
};

} // namespace

TEST_F(UnlockTest, TheRightPasswordUnwrapsEveryClassKey)
{
    for (const bool older : {false, true}) {
        if (older)
            options.passwordIterations.reset();
        const crypto::ClassKeys keys = unlocked();
        const std::string manifestKey = testKey(9);

        const auto unwrapped = crypto::unwrapManifestKey(backup::wrapWithClass(4, testKey(4), manifestKey), keys);

        EXPECT_EQ(keys.size(), 3u);
        ASSERT_TRUE(unwrapped) << unwrapped.error().detail;
        EXPECT_EQ(str(*unwrapped), manifestKey);
    }
}

TEST_F(UnlockTest, AWrongPasswordIsToldApartFromADamagedKeyBag)
{
    const std::string bag = backup::makeKeyBag(options);

    const auto wrong = unlock(bag, "correct horse ");
    EXPECT_EQ(wrong.error().kind, Failure::Kind::WrongPassword);
    EXPECT_EQ(unlock(bag, "").error().kind, Failure::Kind::WrongPassword);

    // A wrapped key of the wrong size is damage, whatever the password.
    const std::string header = backup::keyBagHeader(options);
    const std::string kek = backup::keyEncryptionKey(options);
    const std::string shortKey = header + backup::classKeyRecords(1, 2, std::string(39, 'w'));
    EXPECT_EQ(unlock(shortKey, options.password).error().kind, Failure::Kind::Damaged);
    EXPECT_EQ(unlock(shortKey, "wrong").error().kind, Failure::Kind::Damaged);

    // A key that fails while another unwraps means the password was right, before or after it.
    const std::string good = backup::wrapWithClass(0, kek, testKey(1)).substr(4);
    std::string garbled = good;
    garbled[5] = static_cast<char>(garbled[5] ^ 0x40);
    for (const auto &oneGarbled :
         {header + backup::classKeyRecords(1, 2, good) + backup::classKeyRecords(2, 2, garbled),
          header + backup::classKeyRecords(2, 2, garbled) + backup::classKeyRecords(1, 2, good)}) {
        const auto damaged = unlock(oneGarbled, options.password);
        EXPECT_EQ(damaged.error().kind, Failure::Kind::Damaged);
        EXPECT_NE(damaged.error().detail.find("the password is right, but the key bag's key for class 2 is damaged"),
                  std::string::npos)
            << damaged.error().detail;
        EXPECT_EQ(unlock(oneGarbled, "wrong").error().kind, Failure::Kind::WrongPassword);
    }
}

TEST_F(UnlockTest, KeysTheDeviceWrapsAreLeftOut)
{
    const std::string header = backup::keyBagHeader(options);
    const std::string good = backup::wrapWithClass(0, backup::keyEncryptionKey(options), testKey(5)).substr(4);
    const std::string deviceOnly = backup::classKeyRecords(6, 1, std::string(40, 'd'));

    const auto keys = unlock(header + deviceOnly + backup::classKeyRecords(5, 2, good), options.password);

    ASSERT_TRUE(keys) << keys.error().detail;
    EXPECT_TRUE(keys->contains(5));
    EXPECT_FALSE(keys->contains(6));
    EXPECT_EQ(unlock(header + deviceOnly, options.password).error().kind, Failure::Kind::Damaged);
}

TEST_F(UnlockTest, ADamagedOrForeignManifestKeyIsNamed)
{
    const crypto::ClassKeys keys = unlocked();
    const std::string manifestKey = backup::wrapWithClass(3, testKey(3), testKey(9));
    std::string flipped = manifestKey;
    flipped[10] = static_cast<char>(flipped[10] ^ 0x01);

    EXPECT_EQ(crypto::unwrapManifestKey(backup::wrapWithClass(7, testKey(3), testKey(9)), keys).error().kind,
              Failure::Kind::MissingClassKey);
    EXPECT_EQ(crypto::unwrapManifestKey(flipped, keys).error().kind, Failure::Kind::Damaged);
    EXPECT_EQ(crypto::unwrapManifestKey(manifestKey.substr(0, 43), keys).error().kind, Failure::Kind::Damaged);
    EXPECT_EQ(crypto::unwrapManifestKey(manifestKey + "x", keys).error().kind, Failure::Kind::Damaged);
    EXPECT_EQ(crypto::unwrapManifestKey("", keys).error().kind, Failure::Kind::Damaged);
    EXPECT_TRUE(crypto::unwrapManifestKey(manifestKey, keys));
}
