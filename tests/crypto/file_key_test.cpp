#include "backup/encryption_writer.h"
#include "crypto/file_key.h"

#include <gtest/gtest.h>

#include <functional>
#include <plist/plist.h>

namespace
{

using crypto::Failure;

const std::string wrapped = backup::wrapWithClass(3, backup::testKey(3), backup::testKey(8));
const std::string record = backup::fileRecord(wrapped, 3, 123456);

// The good record with one change made to its parsed form: the archive, the root object and the
// EncryptionKey object.
std::string changed(const std::function<void(plist_t, plist_t, plist_t)> &change)
{
    plist_t root = nullptr;
    plist_from_bin(record.data(), static_cast<std::uint32_t>(record.size()), &root);
    plist_t objects = plist_dict_get_item(root, "$objects");
    change(root, plist_array_get_item(objects, 1), plist_array_get_item(objects, 2));
    return backup::binaryPlist(root);
}

bool isDamaged(const crypto::Result<crypto::FileKey> &key)
{
    return !key && key.error().kind == Failure::Kind::Damaged && !key.error().detail.empty();
}

std::string bigEndian(std::uint64_t value, std::size_t width)
{
    std::string out(width, '\0');
    for (std::size_t i = 0; i < width; ++i)
        out[width - 1 - i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

} // namespace

TEST(ReadFileKey, ReadsTheWrappedKeyClassAndSize)
{
    const auto key = crypto::readFileKey(record);

    ASSERT_TRUE(key) << key.error().detail;
    EXPECT_EQ(key->key.protectionClass, 3u);
    EXPECT_EQ(key->key.wrapped, wrapped.substr(4));
    EXPECT_EQ(key->protectionClass, 3u);
    EXPECT_EQ(key->size, 123456u);
}

TEST(ReadFileKey, AcceptsARecordWithoutSizeOrClass)
{
    const auto key = crypto::readFileKey(changed([](plist_t, plist_t file, plist_t) {
        plist_dict_remove_item(file, "Size");
        plist_dict_remove_item(file, "ProtectionClass");
    }));

    ASSERT_TRUE(key) << key.error().detail;
    EXPECT_FALSE(key->size);
    EXPECT_FALSE(key->protectionClass);
}

TEST(ReadFileKey, RefusesEveryMalformedShape)
{
    EXPECT_TRUE(isDamaged(crypto::readFileKey("")));
    EXPECT_TRUE(isDamaged(crypto::readFileKey("<?xml version=\"1.0\"?><plist><dict/></plist>")));
    EXPECT_TRUE(isDamaged(crypto::readFileKey(record.substr(0, record.size() / 2))));
    EXPECT_TRUE(isDamaged(crypto::readFileKey(changed([](plist_t root, plist_t, plist_t) {
        plist_dict_remove_item(root, "$objects");
    }))));
    EXPECT_TRUE(isDamaged(crypto::readFileKey(changed([](plist_t root, plist_t, plist_t) {
        plist_dict_set_item(plist_dict_get_item(root, "$top"), "root", plist_new_uid(99));
    }))));
    EXPECT_TRUE(isDamaged(crypto::readFileKey(changed([](plist_t root, plist_t, plist_t) {
        plist_dict_set_item(plist_dict_get_item(root, "$top"), "root", plist_new_uint(1));
    }))));
    EXPECT_TRUE(isDamaged(crypto::readFileKey(changed([](plist_t, plist_t file, plist_t) {
        plist_dict_remove_item(file, "EncryptionKey");
    }))));
    EXPECT_TRUE(isDamaged(crypto::readFileKey(changed([](plist_t, plist_t file, plist_t) {
        plist_dict_set_item(file, "EncryptionKey", plist_new_uid(1000));
    }))));
    EXPECT_TRUE(isDamaged(crypto::readFileKey(changed([](plist_t, plist_t file, plist_t) {
        plist_dict_set_item(file, "EncryptionKey", plist_new_uid(0)); // "$null"
    }))));
    EXPECT_TRUE(isDamaged(crypto::readFileKey(changed([](plist_t, plist_t, plist_t key) {
        plist_dict_set_item(key, "NS.data", plist_new_string("not data"));
    }))));
    EXPECT_TRUE(isDamaged(crypto::readFileKey(changed([](plist_t, plist_t, plist_t key) {
        plist_dict_set_item(key, "NS.data", plist_new_data(wrapped.data(), 43));
    }))));
    EXPECT_TRUE(isDamaged(crypto::readFileKey(changed([](plist_t, plist_t file, plist_t) {
        plist_dict_set_item(file, "Size", plist_new_string("12"));
    }))));
    EXPECT_TRUE(isDamaged(crypto::readFileKey(changed([](plist_t, plist_t file, plist_t) {
        plist_dict_set_item(file, "Size", plist_new_uint(static_cast<std::uint64_t>(-5)));
    }))));
    EXPECT_TRUE(isDamaged(crypto::readFileKey(changed([](plist_t, plist_t file, plist_t) {
        plist_dict_set_item(file, "ProtectionClass", plist_new_uint(1ull << 40));
    }))));
}

TEST(ReadFileKey, RefusesARecordThatNestsTooDeepBeforeLibplistSeesIt)
{
    // 100,000 arrays each inside the next: libplist alone would overflow the stack.
    constexpr int levels = 100'000;
    std::string nested = "bplist00";
    std::string offsets;
    for (int level = 0; level < levels; ++level) {
        offsets += bigEndian(nested.size(), 4);
        nested += '\xA1' + bigEndian(static_cast<std::uint64_t>(level + 1), 4);
    }
    offsets += bigEndian(nested.size(), 4);
    nested += "\x51x";
    const std::uint64_t table = nested.size();
    nested +=
        offsets + std::string(6, '\0') + "\x04\x04" + bigEndian(levels + 1, 8) + bigEndian(0, 8) + bigEndian(table, 8);
    const auto key = crypto::readFileKey(nested);
    ASSERT_TRUE(isDamaged(key));
    EXPECT_NE(key.error().detail.find("deeper than 128"), std::string::npos);
}
