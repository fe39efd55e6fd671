#include "common/plist_bounds.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cstdint>
#include <string>
#include <vector>

using common::checkBinaryPlist;
using common::checkPlist;
using common::checkXmlPlist;

namespace
{

std::string bigEndian(std::uint64_t value, std::size_t width)
{
    std::string out(width, '\0');
    for (std::size_t i = 0; i < width; ++i)
        out[width - 1 - i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

// A marker with its length: in the low nibble, or as a following integer object.
std::string marker(unsigned type, std::uint64_t length)
{
    if (length < 15)
        return std::string(1, static_cast<char>((type << 4) | length));
    return std::string(1, static_cast<char>((type << 4) | 0x0F)) + '\x13' + bigEndian(length, 8);
}

std::string ascii(const std::string &text)
{
    return marker(0x5, text.size()) + text;
}

// Containers whose references are 4 bytes, as binaryPlist writes them.
std::string array(const std::vector<std::uint32_t> &items)
{
    std::string out = marker(0xA, items.size());
    for (const auto item : items)
        out += bigEndian(item, 4);
    return out;
}

std::string dictionary(const std::vector<std::uint32_t> &keys, const std::vector<std::uint32_t> &values)
{
    std::string out = marker(0xD, keys.size());
    for (const auto key : keys)
        out += bigEndian(key, 4);
    for (const auto value : values)
        out += bigEndian(value, 4);
    return out;
}

struct Trailer {
    std::uint64_t top = 0;
    std::uint64_t count = 0; // the number of objects when 0
    std::int64_t tableShift = 0; // added to the offset table's true place
};

// A binary property list of the given encoded objects: 8-byte offsets, 4-byte references.
std::string binaryPlist(const std::vector<std::string> &objects, const Trailer &trailer = {})
{
    std::string out = "bplist00";
    std::vector<std::uint64_t> offsets;
    for (const auto &object : objects) {
        offsets.push_back(out.size());
        out += object;
    }
    const std::uint64_t table = out.size();
    for (const auto offset : offsets)
        out += bigEndian(offset, 8);
    out += std::string(6, '\0') + '\x08' + '\x04';
    out += bigEndian(trailer.count != 0 ? trailer.count : objects.size(), 8) + bigEndian(trailer.top, 8)
        + bigEndian(static_cast<std::uint64_t>(static_cast<std::int64_t>(table) + trailer.tableShift), 8);
    return out;
}

std::string refusal(const common::Result<void> &result)
{
    return result ? std::string("accepted") : result.error().detail;
}

} // namespace

TEST(PlistBoundsTest, ARealBinaryAndXmlPlistPassAndStillParse)
{
    plist_t root = plist_new_dict();
    plist_t lockdown = plist_new_dict();
    plist_dict_set_item(lockdown, "DeviceName", plist_new_string("Anna's iPhone"));
    plist_dict_set_item(root, "Lockdown", lockdown);
    plist_t apps = plist_new_array();
    for (int i = 0; i < 20; ++i)
        plist_array_append_item(apps, plist_new_data("icon", 4));
    plist_dict_set_item(root, "Applications", apps);
    plist_dict_set_item(root, "IsEncrypted", plist_new_bool(1));
    for (const bool binary : {true, false}) {
        char *bytes = nullptr;
        std::uint32_t length = 0;
        if (binary)
            plist_to_bin(root, &bytes, &length);
        else
            plist_to_xml(root, &bytes, &length);
        const std::string text(bytes, length);
        free(bytes);
        EXPECT_EQ(refusal(checkPlist(text)), "accepted") << binary;
    }
    plist_free(root);
    EXPECT_EQ(refusal(checkBinaryPlist(binaryPlist({dictionary({1}, {2}), ascii("key"), array({1, 1})}))), "accepted");
}

TEST(PlistBoundsTest, ReferencesThatDoubleAtEveryLevelAreCountedAsExpanded)
{
    // 227 bytes that libplist expands to 2^41 nodes.
    std::vector<std::string> objects;
    for (std::uint32_t level = 0; level < 40; ++level)
        objects.push_back(array({level + 1, level + 1}));
    objects.push_back(ascii("x"));
    EXPECT_NE(refusal(checkBinaryPlist(binaryPlist(objects))).find("more than 4000000 nodes"), std::string::npos);
}

TEST(PlistBoundsTest, DeepNestingAndCyclesAreRefusedWithoutRecursion)
{
    constexpr std::uint32_t levels = 100'000;
    std::vector<std::string> arrays;
    for (std::uint32_t level = 0; level < levels; ++level)
        arrays.push_back(array({level + 1}));
    arrays.push_back(ascii("x"));
    EXPECT_NE(refusal(checkBinaryPlist(binaryPlist(arrays))).find("deeper than 128"), std::string::npos);

    std::vector<std::string> dictionaries{ascii("k")};
    for (std::uint32_t level = 1; level <= levels; ++level)
        dictionaries.push_back(dictionary({0}, {level + 1}));
    dictionaries.push_back(ascii("x"));
    EXPECT_NE(refusal(checkBinaryPlist(binaryPlist(dictionaries, {.top = 1, .count = 0, .tableShift = 0})))
                  .find("deeper than 128"),
              std::string::npos);

    EXPECT_NE(refusal(checkBinaryPlist(binaryPlist({array({1}), array({0})}))).find("contains itself"),
              std::string::npos);
}

TEST(PlistBoundsTest, TrailerOffsetsReferencesAndLengthsMustStayInsideTheFile)
{
    const std::vector<std::string> two{array({1}), ascii("x")};
    EXPECT_NE(refusal(checkBinaryPlist(binaryPlist(two, {.top = 2, .count = 0, .tableShift = 0}))), "accepted");
    EXPECT_NE(refusal(checkBinaryPlist(binaryPlist(two, {.top = 0, .count = std::uint64_t{1} << 60, .tableShift = 0}))),
              "accepted");
    EXPECT_NE(refusal(checkBinaryPlist(binaryPlist(two, {.top = 0, .count = 0, .tableShift = -3}))), "accepted");
    EXPECT_NE(refusal(checkBinaryPlist(binaryPlist(two, {.top = 0, .count = 0, .tableShift = 1000}))), "accepted");
    EXPECT_NE(refusal(checkBinaryPlist(binaryPlist({array({7}), ascii("x")}))), "accepted");
    EXPECT_NE(refusal(checkBinaryPlist(binaryPlist({marker(0x4, std::uint64_t{1} << 62)}))), "accepted");
    EXPECT_NE(refusal(checkBinaryPlist(binaryPlist({dictionary({1}, {1}), array({})}))).find("key is not a string"),
              std::string::npos);
    EXPECT_NE(refusal(checkBinaryPlist("bplist00")), "accepted");
    // Every cut of a valid file is refused or passes, never read past its end (under ASan).
    const std::string whole = binaryPlist({dictionary({1}, {2}), ascii("key"), array({1, 1})});
    for (std::size_t size = 0; size < whole.size(); ++size)
        static_cast<void>(checkBinaryPlist(whole.substr(0, size)));
}

TEST(PlistBoundsTest, XmlNestingEntitiesAndDeclarationsAreBounded)
{
    const std::string head = "<?xml version=\"1.0\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                             "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">";
    std::string nested = head;
    for (int i = 0; i < 1'000'000; ++i)
        nested += "<array>";
    EXPECT_NE(refusal(checkXmlPlist(nested)).find("deeper than 128"), std::string::npos);

    std::string entities = head + "<dict><key>a</key><string>";
    for (int i = 0; i < 3'000'000; ++i)
        entities += "&amp;";
    EXPECT_NE(refusal(checkXmlPlist(entities)).find("more than 100000 entity"), std::string::npos);

    EXPECT_NE(refusal(checkXmlPlist("<!DOCTYPE plist [<!ENTITY a \"aaaa\">]><plist>&a;</plist>")), "accepted");
    EXPECT_NE(refusal(checkXmlPlist(head + "</dict></plist>")), "accepted");
    EXPECT_NE(refusal(checkXmlPlist(head + "<dict><!-- open")), "accepted");
    // Nesting just inside the limit, comments, CDATA and empty elements pass.
    std::string deep = head + "<!-- <<<< --><![CDATA[<<]]>";
    for (int i = 0; i < 128; ++i)
        deep += "<array>";
    deep += "<true/><string>&lt;</string>";
    for (int i = 0; i < 128; ++i)
        deep += "</array>";
    EXPECT_EQ(refusal(checkXmlPlist(deep + "</plist>")), "accepted");
}
