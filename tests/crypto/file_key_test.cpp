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
