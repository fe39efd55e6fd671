#include "backup/encryption_writer.h"
#include "crypto/key_bag.h"

#include <gtest/gtest.h>

namespace
{

using backup::classKeyRecords;
using backup::keyBagRecord;
using crypto::Failure;

backup::KeyBagOptions twoClasses()
{
    backup::KeyBagOptions options;
    options.classKeys = {{3, backup::testKey(3)}, {4, backup::testKey(4)}};
    return options;
}

bool isDamaged(const crypto::Result<crypto::KeyBag> &bag)
{
    return !bag && bag.error().kind == Failure::Kind::Damaged && !bag.error().detail.empty();
}

const std::string aKey(40, 'k');

} // namespace

TEST(ParseKeyBag, ReadsTheHeaderAndEveryClassKey)
{
    const auto options = twoClasses();

    const auto bag = crypto::parseKeyBag(backup::makeKeyBag(options));

    ASSERT_TRUE(bag) << bag.error().detail;
    EXPECT_EQ(bag->version, 4u);
    EXPECT_EQ(bag->uuid, "0123456789abcdef");
    EXPECT_EQ(bag->salt, options.salt);
    EXPECT_EQ(bag->iterations, options.iterations);
    EXPECT_EQ(bag->passwordSalt, options.passwordSalt);
    EXPECT_EQ(bag->passwordIterations, options.passwordIterations);
    ASSERT_EQ(bag->classKeys.size(), 2u);
    EXPECT_EQ(bag->classKeys[0].protectionClass, 3u);
    EXPECT_EQ(bag->classKeys[1].protectionClass, 4u);
    EXPECT_EQ(bag->classKeys[1].wrap, 2u);
    EXPECT_EQ(bag->classKeys[1].keyType, 0u);
    EXPECT_EQ(bag->classKeys[1].wrappedKey.size(), 40u);
}

TEST(ParseKeyBag, ReadsTheOlderFormAndSkipsUnknownTags)
{
    auto options = twoClasses();
    options.passwordIterations.reset();
    const std::string bag = backup::keyBagHeader(options) + keyBagRecord("NEWT", std::string_view("xyz"))
        + classKeyRecords(1, 2, aKey) + keyBagRecord("PBKY", std::string(32, 'p')) + keyBagRecord("ZZZZ", 7u);

    const auto parsed = crypto::parseKeyBag(bag);

    ASSERT_TRUE(parsed) << parsed.error().detail;
    EXPECT_FALSE(parsed->passwordSalt);
    EXPECT_FALSE(parsed->passwordIterations);
    ASSERT_EQ(parsed->classKeys.size(), 1u);
    EXPECT_EQ(parsed->classKeys[0].wrappedKey, aKey);
}

TEST(ParseKeyBag, RefusesEveryCutInsideARecord)
{
    const std::string whole = backup::makeKeyBag(twoClasses());
    std::vector<std::size_t> boundaries;
    for (std::size_t at = 0; at < whole.size();) {
        boundaries.push_back(at);
        at += 8 + ((std::size_t(std::uint8_t(whole[at + 6])) << 8) | std::uint8_t(whole[at + 7]));
    }

    for (std::size_t size = 0; size < whole.size(); ++size) {
        const auto bag = crypto::parseKeyBag(whole.substr(0, size));
        const bool atBoundary = std::find(boundaries.begin(), boundaries.end(), size) != boundaries.end();
        if (!atBoundary) {
            EXPECT_TRUE(isDamaged(bag)) << "cut at " << size;
        } else if (bag) { // a cut between records leaves a shorter but whole key bag, or misses a field
            EXPECT_LT(bag->classKeys.size(), 2u) << "cut at " << size << " of " << whole.size();
        }
    }
}

TEST(ParseKeyBag, RefusesGarbledRecords)
{
    const auto options = twoClasses();
    const std::string header = backup::keyBagHeader(options);
    const std::string oneClass = classKeyRecords(3, 2, aKey);
    std::string hugeLength = header + oneClass;
    hugeLength[header.size() + 4] = '\x7f';

    EXPECT_TRUE(isDamaged(crypto::parseKeyBag(hugeLength)));
    EXPECT_TRUE(isDamaged(crypto::parseKeyBag(std::string(200, '\xff'))));
    EXPECT_TRUE(isDamaged(crypto::parseKeyBag("")));
    EXPECT_TRUE(isDamaged(crypto::parseKeyBag(header))); // no class key at all
    EXPECT_TRUE(isDamaged(crypto::parseKeyBag(header + keyBagRecord("ITER", 9u) + oneClass)));
    EXPECT_TRUE(isDamaged(crypto::parseKeyBag(keyBagRecord("ITER", std::string_view("abc")) + oneClass)));
    EXPECT_TRUE(isDamaged(crypto::parseKeyBag(header + oneClass + keyBagRecord("SALT", std::string_view("late")))));
    EXPECT_TRUE(isDamaged(crypto::parseKeyBag(header + oneClass + keyBagRecord("CLAS", 5u))));
}

TEST(ParseKeyBag, RefusesAHeaderWithoutItsDerivationFields)
{
    auto options = twoClasses();
    const std::string oneClass = classKeyRecords(3, 2, aKey);
    const std::string uuid = keyBagRecord("UUID", std::string_view("0123456789abcdef"));

    EXPECT_TRUE(isDamaged(crypto::parseKeyBag(uuid + keyBagRecord("ITER", 5u) + oneClass)));
    EXPECT_TRUE(isDamaged(crypto::parseKeyBag(uuid + keyBagRecord("SALT", options.salt) + oneClass)));
    EXPECT_TRUE(isDamaged(
        crypto::parseKeyBag(uuid + keyBagRecord("SALT", options.salt) + keyBagRecord("ITER", 0u) + oneClass)));
    const std::string older = uuid + keyBagRecord("SALT", options.salt) + keyBagRecord("ITER", 5u);
    EXPECT_TRUE(crypto::parseKeyBag(older + oneClass));
    EXPECT_TRUE(isDamaged(crypto::parseKeyBag(older + keyBagRecord("DPIC", 5u) + oneClass)));
    EXPECT_TRUE(isDamaged(crypto::parseKeyBag(older + keyBagRecord("DPSL", options.passwordSalt) + oneClass)));
}

TEST(ParseKeyBag, RefusesOddClassKeys)
{
    const std::string header = backup::keyBagHeader(twoClasses());
    const std::string noClass =
        keyBagRecord("UUID", std::string(16, 'u')) + keyBagRecord("WRAP", 2u) + keyBagRecord("WPKY", aKey);

    EXPECT_TRUE(isDamaged(crypto::parseKeyBag(header + noClass)));
    EXPECT_TRUE(isDamaged(crypto::parseKeyBag(header + classKeyRecords(0, 2, aKey))));
    EXPECT_TRUE(isDamaged(crypto::parseKeyBag(header + classKeyRecords(3, 2, aKey) + classKeyRecords(3, 2, aKey))));
    EXPECT_TRUE(isDamaged(crypto::parseKeyBag(header + classKeyRecords(3, 2, aKey) + keyBagRecord("WPKY", aKey))));
    EXPECT_TRUE(isDamaged(crypto::parseKeyBag(header + classKeyRecords(3, 2, aKey) + keyBagRecord("WRAP", 1u))));
}
