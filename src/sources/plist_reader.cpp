#include "sources/plist_reader.h"

#include "common/plain_file.h"
#include "common/plist_bounds.h"

#include <plist/plist.h>

#include <cstdlib>
#include <vector>

namespace sources
{

namespace
{

// Manifest.plist and Status.plist are kilobytes, but writers in the style of iTunes keep an icon
// and metadata of every installed app in Info.plist, tens of megabytes; past this is not a backup's.
constexpr std::uint64_t largestPlist = std::uint64_t{128} * 1024 * 1024;
// libplist counts dates from 2001-01-01 00:00:00 UTC.
constexpr std::int64_t appleEpochOffset = 978307200;

} // namespace

void PlistDictionary::Free::operator()(void *node) const noexcept
{
    plist_free(static_cast<plist_t>(node));
}

common::Result<PlistDictionary> PlistDictionary::read(const std::filesystem::path &file)
{
    auto opened = common::PlainFile::open(file);
    RETURN_IF_FAILED(opened);
    auto size = (*opened)->size();
    RETURN_IF_FAILED(size);
    if (*size > largestPlist)
        return common::failure(
            common::Error{common::Error::Kind::Invalid, file.string() + " is too large for a property list"});
    std::vector<std::byte> bytes(static_cast<std::size_t>(*size));
    auto got = (*opened)->readAt(0, bytes);
    RETURN_IF_FAILED(got);
    const std::string_view view(reinterpret_cast<const char *>(bytes.data()), *got);
    if (auto checked = common::checkPlist(view); !checked)
        return common::failure(
            common::Error{common::Error::Kind::Invalid, file.string() + ": " + checked.error().detail});
    plist_t root = nullptr;
    if (*got > 0)
        plist_from_memory(reinterpret_cast<const char *>(bytes.data()), static_cast<std::uint32_t>(*got), &root);
    std::shared_ptr<void> owned(root, Free{});
    if (root == nullptr || plist_get_node_type(root) != PLIST_DICT)
        return common::failure(
            common::Error{common::Error::Kind::Invalid, file.string() + " is not a property list dictionary"});
    return PlistDictionary(std::move(owned));
}

std::optional<PlistDictionary> PlistDictionary::dictionary(const char *key) const
{
    const plist_t node = plist_dict_get_item(static_cast<plist_t>(m_root.get()), key);
    if (node == nullptr || plist_get_node_type(node) != PLIST_DICT)
        return std::nullopt;
    // Shares the ownership of the whole tree, which frees it.
    return PlistDictionary(std::shared_ptr<void>(m_root, node));
}

std::optional<std::string> PlistDictionary::text(const char *key) const
{
    const plist_t node = plist_dict_get_item(static_cast<plist_t>(m_root.get()), key);
    if (node == nullptr || plist_get_node_type(node) != PLIST_STRING)
        return std::nullopt;
    std::uint64_t length = 0;
    const char *value = plist_get_string_ptr(node, &length);
    if (value == nullptr)
        return std::nullopt;
    return std::string(value, static_cast<std::size_t>(length));
}

std::optional<bool> PlistDictionary::boolean(const char *key) const
{
    const plist_t node = plist_dict_get_item(static_cast<plist_t>(m_root.get()), key);
    if (node == nullptr || plist_get_node_type(node) != PLIST_BOOLEAN)
        return std::nullopt;
    std::uint8_t value = 0;
    plist_get_bool_val(node, &value);
    return value != 0;
}

std::optional<std::int64_t> PlistDictionary::date(const char *key) const
{
    const plist_t node = plist_dict_get_item(static_cast<plist_t>(m_root.get()), key);
    if (node == nullptr || plist_get_node_type(node) != PLIST_DATE)
        return std::nullopt;
    std::int32_t seconds = 0;
    std::int32_t microseconds = 0;
    plist_get_date_val(node, &seconds, &microseconds);
    return std::int64_t{seconds} + appleEpochOffset;
}

std::optional<std::string> PlistDictionary::data(const char *key) const
{
    const plist_t node = plist_dict_get_item(static_cast<plist_t>(m_root.get()), key);
    if (node == nullptr || plist_get_node_type(node) != PLIST_DATA)
        return std::nullopt;
    std::uint64_t length = 0;
    const char *value = plist_get_data_ptr(node, &length);
    if (value == nullptr)
        return std::string();
    return std::string(value, static_cast<std::size_t>(length));
}

} // namespace sources
