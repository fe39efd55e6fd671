#include "crypto/file_key.h"

#include "common/plist_bounds.h"

#include <limits>
#include <memory>
#include <plist/plist.h>

namespace crypto
{

namespace
{

struct PlistDeleter {
    void operator()(plist_t node) const noexcept { plist_free(node); }
};
using PlistHandle = std::unique_ptr<void, PlistDeleter>;

bool isType(plist_t node, plist_type type)
{
    return node != nullptr && plist_get_node_type(node) == type;
}

// The object a UID value of the archive refers to, or nullptr.
plist_t resolve(plist_t objects, plist_t reference)
{
    if (!isType(reference, PLIST_UID))
        return nullptr;
    std::uint64_t index = 0;
    plist_get_uid_val(reference, &index);
    if (index >= plist_array_get_size(objects))
        return nullptr;
    return plist_array_get_item(objects, static_cast<std::uint32_t>(index));
}

// An integer value as libplist keeps it; Size and ProtectionClass are never negative.
std::optional<std::uint64_t> unsignedValue(plist_t node)
{
    if (!isType(node, PLIST_UINT))
        return std::nullopt;
    std::uint64_t value = 0;
    plist_get_uint_val(node, &value);
    if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        return std::nullopt;
    return value;
}

} // namespace

Result<FileKey> readFileKey(std::string_view archive)
{
    if (archive.size() > std::numeric_limits<std::uint32_t>::max()
        || plist_is_binary(archive.data(), static_cast<std::uint32_t>(archive.size())) == 0)
        return damaged("a file record is not a binary property list");
    if (auto checked = common::checkBinaryPlist(archive); !checked)
        return damaged("a file record: " + checked.error().detail);
    plist_t rootNode = nullptr;
    plist_from_bin(archive.data(), static_cast<std::uint32_t>(archive.size()), &rootNode);
    const PlistHandle root(rootNode);
    if (!isType(rootNode, PLIST_DICT))
        return damaged("a file record is not a keyed archive");

    const plist_t objects = plist_dict_get_item(rootNode, "$objects");
    if (!isType(objects, PLIST_ARRAY))
        return damaged("a file record has no $objects");
    const plist_t top = plist_dict_get_item(rootNode, "$top");
    const plist_t file = resolve(objects, isType(top, PLIST_DICT) ? plist_dict_get_item(top, "root") : nullptr);
    if (!isType(file, PLIST_DICT))
        return damaged("a file record's root object is missing or not a dictionary");

    const plist_t keyObject = resolve(objects, plist_dict_get_item(file, "EncryptionKey"));
    if (!isType(keyObject, PLIST_DICT))
        return damaged("a file record has no EncryptionKey object");
    const plist_t data = plist_dict_get_item(keyObject, "NS.data");
    if (!isType(data, PLIST_DATA))
        return damaged("a file record's EncryptionKey has no NS.data");
    std::uint64_t length = 0;
    const char *bytes = plist_get_data_ptr(data, &length);
    auto wrapped = parseWrappedKey(std::string_view(bytes ? bytes : "", bytes ? length : 0));
    if (!wrapped)
        return damaged("a file record's EncryptionKey: " + wrapped.error().detail);

    FileKey key;
    key.key = std::move(*wrapped);
    if (const plist_t node = plist_dict_get_item(file, "ProtectionClass")) {
        const auto value = unsignedValue(node);
        if (!value || *value > std::numeric_limits<std::uint32_t>::max())
            return damaged("a file record's ProtectionClass is not a class number");
        key.protectionClass = static_cast<std::uint32_t>(*value);
    }
    if (const plist_t node = plist_dict_get_item(file, "Size")) {
        key.size = unsignedValue(node);
        if (!key.size)
            return damaged("a file record's Size is not a size");
    }
    return key;
}

} // namespace crypto
