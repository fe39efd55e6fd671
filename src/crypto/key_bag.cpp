#include "crypto/key_bag.h"

#include <algorithm>
#include <array>
#include <limits>
#include <set>

namespace crypto
{

namespace
{

constexpr std::size_t recordHeaderSize = 8;

std::uint32_t bigEndian32(std::string_view bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(i)]);
    return value;
}

std::string printableTag(std::string_view tag)
{
    std::string out;
    for (const char c : tag)
        out += (c >= 0x20 && c < 0x7f) ? c : '?';
    return out;
}

Result<std::uint32_t> integerField(std::string_view tag, std::string_view value)
{
    if (value.size() != 4)
        return damaged("key bag field " + printableTag(tag) + " is " + std::to_string(value.size())
                       + " bytes, not a 4-byte number");
    return bigEndian32(value);
}

Result<void> checkClassKey(const KeyBag::ClassKey &key,
                           const std::set<std::string_view> &fields,
                           const std::set<std::uint32_t> &classes)
{
    if (!fields.contains("CLAS"))
        return damaged("a class key in the key bag has no class number");
    if (!fields.contains("WRAP"))
        return damaged("the key bag's class " + std::to_string(key.protectionClass)
                       + " does not say how it is wrapped");
    if (key.protectionClass == 0)
        return damaged("a class key in the key bag has class number 0");
    if ((key.wrap & KeyBag::wrapKeyWithPassword) != 0 && key.wrappedKey.empty())
        return damaged("the key bag's class " + std::to_string(key.protectionClass) + " has no wrapped key");
    if (classes.contains(key.protectionClass))
        return damaged("the key bag has two keys for class " + std::to_string(key.protectionClass));
    return {};
}

bool isHeaderOnly(std::string_view tag)
{
    static constexpr std::array<std::string_view, 8> tags = {"VERS", "TYPE", "HMCK", "SALT",
                                                             "ITER", "DPWT", "DPIC", "DPSL"};
    return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

} // namespace

Result<KeyBag> parseKeyBag(std::string_view bytes)
{
    KeyBag bag;
    // Each field is given at most once in the header and once in each class key.
    std::set<std::string_view> headerFields;
    std::set<std::string_view> classFields;
    bool headerHasUuid = false;
    std::set<std::uint32_t> classes;
    bool inClass = false;
    KeyBag::ClassKey current;

    const auto finishClass = [&]() -> Result<void> {
        if (!inClass)
            return {};
        if (auto checked = checkClassKey(current, classFields, classes); !checked)
            return checked;
        classes.insert(current.protectionClass);
        bag.classKeys.push_back(std::move(current));
        current = {};
        return {};
    };

    std::size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < recordHeaderSize)
            return damaged("the key bag ends inside a record header at byte " + std::to_string(at));
        const std::string_view tag = bytes.substr(at, 4);
        const std::uint32_t length = bigEndian32(bytes.substr(at + 4, 4));
        at += recordHeaderSize;
        if (length > bytes.size() - at)
            return damaged("key bag record " + printableTag(tag) + " at byte " + std::to_string(at - recordHeaderSize)
                           + " runs past the end");
        const std::string_view value = bytes.substr(at, length);
        at += length;

        if (tag == "UUID") {
            if (!inClass && !headerHasUuid) {
                headerHasUuid = true;
                bag.uuid = std::string(value);
                continue;
            }
            if (auto finished = finishClass(); !finished)
                return common::failure(finished.error());
            inClass = true;
            classFields.clear();
            continue;
        }

        if (inClass) {
            if (isHeaderOnly(tag))
                return damaged("key bag header field " + printableTag(tag) + " appears among the class keys");
            const bool known = tag == "CLAS" || tag == "WRAP" || tag == "KTYP" || tag == "WPKY" || tag == "PBKY";
            if (known && !classFields.insert(tag).second)
                return damaged("a class key in the key bag gives " + printableTag(tag) + " twice");
            if (tag == "CLAS") {
                auto number = integerField(tag, value);
                RETURN_IF_FAILED(number);
                current.protectionClass = *number;
            } else if (tag == "WRAP") {
                auto wrap = integerField(tag, value);
                RETURN_IF_FAILED(wrap);
                current.wrap = *wrap;
            } else if (tag == "KTYP") {
                auto keyType = integerField(tag, value);
                RETURN_IF_FAILED(keyType);
                current.keyType = *keyType;
            } else if (tag == "WPKY") {
                current.wrappedKey = std::string(value);
            }
            continue;
        }

        const bool known = isHeaderOnly(tag) || tag == "WRAP";
        if (known && !headerFields.insert(tag).second)
            return damaged("the key bag header gives " + printableTag(tag) + " twice");
        if (tag == "SALT") {
            bag.salt = std::string(value);
        } else if (tag == "DPSL") {
            bag.passwordSalt = std::string(value);
        } else if (tag == "VERS" || tag == "TYPE" || tag == "ITER" || tag == "DPIC") {
            auto number = integerField(tag, value);
            RETURN_IF_FAILED(number);
            if (tag == "VERS")
                bag.version = *number;
            else if (tag == "TYPE")
                bag.type = *number;
            else if (tag == "ITER")
                bag.iterations = *number;
            else
                bag.passwordIterations = *number;
        }
    }
    if (auto finished = finishClass(); !finished)
        return common::failure(finished.error());

    if (bag.salt.empty())
        return damaged("the key bag has no salt (SALT)");
    if (bag.iterations == 0)
        return damaged("the key bag has no iteration count (ITER)");
    if (bag.passwordSalt.has_value() != bag.passwordIterations.has_value())
        return damaged("the key bag gives only one of DPSL and DPIC");
    if (bag.passwordSalt && (bag.passwordSalt->empty() || *bag.passwordIterations == 0))
        return damaged("the key bag's DPSL is empty or its DPIC is 0");
    if (bag.classKeys.empty())
        return damaged("the key bag has no class keys");
    return bag;
}

} // namespace crypto
