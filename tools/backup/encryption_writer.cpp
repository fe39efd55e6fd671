#include "backup/encryption_writer.h"

#include "crypto/aes.h"
#include "crypto/key_bag.h"
#include "crypto/secure_bytes.h"
#include "crypto/unlock.h"

#include <memory>
#include <plist/plist.h>

namespace backup
{

namespace
{

plist_t classObject(const char *name, std::initializer_list<const char *> classes)
{
    plist_t object = plist_new_dict();
    plist_dict_set_item(object, "$classname", plist_new_string(name));
    plist_t list = plist_new_array();
    for (const char *each : classes)
        plist_array_append_item(list, plist_new_string(each));
    plist_dict_set_item(object, "$classes", list);
    return object;
}

} // namespace

std::string binaryPlist(plist_t root)
{
    char *bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    plist_free(root);
    std::string out(bytes, length);
    plist_to_bin_free(bytes);
    return out;
}

std::string keyBagRecord(std::string_view tag, std::string_view value)
{
    std::string record(tag);
    const auto length = static_cast<std::uint32_t>(value.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        record += static_cast<char>((length >> shift) & 0xff);
    record += value;
    return record;
}

std::string keyBagRecord(std::string_view tag, std::uint32_t value)
{
    std::string bytes;
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((value >> shift) & 0xff);
    return keyBagRecord(tag, std::string_view(bytes));
}

std::string keyEncryptionKey(const KeyBagOptions &options)
{
    crypto::KeyBag bag;
    bag.salt = options.salt;
    bag.iterations = options.iterations;
    if (options.passwordIterations) {
        bag.passwordSalt = options.passwordSalt;
        bag.passwordIterations = options.passwordIterations;
    }
    const auto key = crypto::deriveKeyEncryptionKey(bag, options.password);
    return key ? std::string(reinterpret_cast<const char *>(key->data()), key->size()) : std::string();
}

std::string keyBagHeader(const KeyBagOptions &options)
{
    std::string bag = keyBagRecord("VERS", 4u) + keyBagRecord("TYPE", 1u)
        + keyBagRecord("UUID", std::string_view("0123456789abcdef")) + keyBagRecord("HMCK", std::string(40, '\x11'))
        + keyBagRecord("WRAP", 2u) + keyBagRecord("SALT", std::string_view(options.salt))
        + keyBagRecord("ITER", options.iterations);
    if (options.passwordIterations)
        bag += keyBagRecord("DPWT", 1u) + keyBagRecord("DPIC", *options.passwordIterations)
            + keyBagRecord("DPSL", std::string_view(options.passwordSalt));
    return bag;
}

std::string classKeyRecords(std::uint32_t protectionClass, std::uint32_t wrap, std::string_view wrappedKey)
{
    const std::string uuid(16, static_cast<char>('A' + protectionClass % 26));
    return keyBagRecord("UUID", std::string_view(uuid)) + keyBagRecord("CLAS", protectionClass)
        + keyBagRecord("WRAP", wrap) + keyBagRecord("KTYP", 0u) + keyBagRecord("WPKY", wrappedKey);
}

std::string makeKeyBag(const KeyBagOptions &options)
{
    const std::string kek = keyEncryptionKey(options);
    std::string bag = keyBagHeader(options);
    for (const auto &[protectionClass, key] : options.classKeys) {
        std::string wrapped = crypto::wrapKey(crypto::bytesOf(kek), crypto::bytesOf(key));
        if (options.garbledClass == protectionClass)
            wrapped[7] = static_cast<char>(wrapped[7] ^ 0x10);
        bag += classKeyRecords(protectionClass, 2, wrapped);
    }
    return bag;
}

std::string wrapWithClass(std::uint32_t protectionClass, std::string_view classKey, std::string_view key)
{
    std::string out;
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((protectionClass >> shift) & 0xff);
    return out + crypto::wrapKey(crypto::bytesOf(classKey), crypto::bytesOf(key));
}

std::string encryptFile(std::string_view key, std::string_view plain)
{
    return crypto::encryptCbc(crypto::bytesOf(key), crypto::bytesOf(plain));
}

std::string fileRecord(std::string_view wrappedKey, std::uint32_t protectionClass, std::uint64_t size)
{
    plist_t file = plist_new_dict();
    plist_dict_set_item(file, "$class", plist_new_uid(4));
    plist_dict_set_item(file, "RelativePath", plist_new_uid(3));
    plist_dict_set_item(file, "EncryptionKey", plist_new_uid(2));
    plist_dict_set_item(file, "ProtectionClass", plist_new_uint(protectionClass));
    plist_dict_set_item(file, "Size", plist_new_uint(size));
    plist_dict_set_item(file, "Mode", plist_new_uint(0100644));

    plist_t key = plist_new_dict();
    plist_dict_set_item(key, "$class", plist_new_uid(5));
    plist_dict_set_item(key, "NS.data", plist_new_data(wrappedKey.data(), wrappedKey.size()));

    plist_t objects = plist_new_array();
    plist_array_append_item(objects, plist_new_string("$null"));
    plist_array_append_item(objects, file);
    plist_array_append_item(objects, key);
    plist_array_append_item(objects, plist_new_string("Library/SMS/sms.db"));
    plist_array_append_item(objects, classObject("MBFile", {"MBFile", "NSObject"}));
    plist_array_append_item(objects, classObject("NSMutableData", {"NSMutableData", "NSData", "NSObject"}));

    plist_t top = plist_new_dict();
    plist_dict_set_item(top, "root", plist_new_uid(1));
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "$version", plist_new_uint(100000));
    plist_dict_set_item(root, "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_dict_set_item(root, "$top", top);
    plist_dict_set_item(root, "$objects", objects);

    return binaryPlist(root);
}

std::string testKey(std::uint8_t seed, std::size_t size)
{
    std::string key(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        key[i] = static_cast<char>(std::size_t{seed} * 31 + i * 7 + 1);
    return key;
}

} // namespace backup
