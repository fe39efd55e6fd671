#include "common/utf8.h"
#include "export/typedstream_decoder.h"
#include "typedstream/archive.h"
#include "typedstream/writer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace
{

using exporter::decodeAttributedString;
using typedstream::fromHex;

// The 235-byte body of a message reading "Test 3", tag by tag: header; root
// NSAttributedString (O0; classes O1, O2); its NSString (O3, class O4); one run "iI" 1,6 with a
// new NSDictionary (O5) of two entries, the NSNumbers -1 and 0 typed 'q'.
std::string documentedBody()
{
    return fromHex("04 0b") + "streamtyped" + fromHex("81 e8 03 84 01 40 84 84 84 12") + "NSAttributedString"
        + fromHex("00 84 84 08") + "NSObject" + fromHex("00 85 92 84 84 84 08") + "NSString"
        + fromHex("01 94 84 01 2b 06") + "Test 3" + fromHex("86 84 02 69 49 01 06 92 84 84 84 0c") + "NSDictionary"
        + fromHex("00 94 84 01 69 02 92 84 96 96 26") + "__kIMBaseWritingDirectionAttributeName"
        + fromHex("86 92 84 84 84 08") + "NSNumber" + fromHex("00 84 84 07") + "NSValue"
        + fromHex("00 94 84 01 2a 84 84 01 71 9d ff 86 92 84 96 96 1d") + "__kIMMessagePartAttributeName"
        + fromHex("86 92 84 9b 9c 9d 9d 00 86 86 86");
}

// Offsets into documentedBody().
constexpr std::size_t stringGroupType = 0x37; // 92: shared string S0 "@"
constexpr std::size_t stringSuperclass = 0x45; // 94: object O2, the NSObject class
constexpr std::size_t dictionaryCount = 0x6d; // 02
constexpr std::size_t secondValue = 0xe2; // 84 9b 9c 9d 9d 00 86: NEW NSNumber 0
constexpr std::size_t secondValueLength = 7;

std::string withByte(std::string bytes, std::size_t offset, std::uint8_t value)
{
    bytes[offset] = static_cast<char>(value);
    return bytes;
}

std::string withBytes(std::string bytes, std::size_t offset, std::size_t length, std::string_view replacement)
{
    bytes.replace(offset, length, replacement);
    return bytes;
}

// "abc…xyzabc…" of exactly `bytes` bytes.
std::string asciiText(std::size_t bytes)
{
    std::string text(bytes, ' ');
    for (std::size_t k = 0; k < bytes; ++k)
        text[k] = static_cast<char>('a' + k % 26);
    return text;
}

typedstream::ArchiveOptions withRuns(std::vector<typedstream::AttributeRun> runs)
{
    typedstream::ArchiveOptions options;
    options.runs = std::move(runs);
    return options;
}

typedstream::Dictionary attributes(std::int64_t part, std::string_view extraKey = {}, std::int64_t extraValue = 0)
{
    typedstream::Dictionary dictionary = typedstream::messagePartAttributes(part);
    if (!extraKey.empty())
        dictionary.entries.push_back({typedstream::string(extraKey), typedstream::number(extraValue)});
    return dictionary;
}

constexpr std::array<typedstream::ClassInfo, 2> attributedStringChain{typedstream::ClassInfo{"NSAttributedString", 0},
                                                                      typedstream::ClassInfo{"NSObject", 0}};
constexpr std::array<typedstream::ClassInfo, 2> dictionaryChain{typedstream::ClassInfo{"NSDictionary", 0},
                                                                typedstream::ClassInfo{"NSObject", 0}};

// An attributed string "hi" whose one run's dictionary holds one entry, key "k" and a value the
// test writes by hand with `writeValue` (which must write one object: the '@' value).
template<typename WriteValue>
std::string bodyWithAttributeValue(WriteValue writeValue)
{
    typedstream::Writer writer;
    typedstream::Archiver archiver(writer);
    writer.typeEncoding("@");
    writer.beginObject(attributedStringChain);
    archiver.objectGroup(typedstream::string("hi"));
    writer.typeEncoding("iI");
    writer.integer(1);
    writer.unsignedInteger(2);
    writer.typeEncoding("@");
    writer.beginObject(dictionaryChain);
    writer.typeEncoding("i");
    writer.integer(1);
    archiver.objectGroup(typedstream::string("k"));
    writer.typeEncoding("@");
    writeValue(writer, archiver);
    writer.endObject();
    writer.endObject();
    return writer.take();
}

// An attribute value of a made-up class whose body is one group of `type` followed by `values`.
std::string bodyWithCustomGroup(std::string_view type, std::string_view values)
{
    return bodyWithAttributeValue([&](typedstream::Writer &writer, typedstream::Archiver &) {
        writer.beginObject(std::array{typedstream::ClassInfo{"TestValue", 0}, typedstream::ClassInfo{"NSObject", 0}});
        writer.typeEncoding(type);
        writer.raw(values);
        writer.endObject();
    });
}

} // namespace

TEST(TypedstreamWriter, ReproducesTheDocumentedBodyByteForByte)
{
    typedstream::Dictionary dictionary;
    dictionary.entries.push_back(
        {typedstream::string("__kIMBaseWritingDirectionAttributeName"), typedstream::number(-1)});
    dictionary.entries.push_back({typedstream::string("__kIMMessagePartAttributeName"), typedstream::number(0)});
    typedstream::ArchiveOptions options = withRuns({{6, dictionary}});
    options.attributedClass = typedstream::AttributedStringClass::AttributedString;
    options.stringClass = typedstream::StringClass::String;

    const std::string written = typedstream::archiveAttributedString("Test 3", options);

    EXPECT_EQ(documentedBody().size(), 235u);
    EXPECT_EQ(written, documentedBody());
}

TEST(TypedstreamWriter, WritesIntegersAndReferencesInTheirShortestForms)
{
    typedstream::Writer writer;
    const std::size_t header = writer.bytes().size();

    writer.integer(127);
    writer.integer(-110);
    writer.integer(-111);
    writer.unsignedInteger(145);
    writer.unsignedInteger(32768);
    writer.integer(std::int64_t{1} << 40);
    writer.objectReference(0);
    writer.objectReference(109);
    writer.objectReference(110);
    writer.objectReference(237);
    writer.objectReference(238);

    EXPECT_EQ(header, 16u);
    EXPECT_EQ(writer.bytes().substr(header),
              fromHex("7f 92 81 91 ff 81 91 00 82 00 80 00 00 87 00 00 00 00 00 01 00 00 92 ff 00 7f 81 80 00"));
}

TEST(TypedstreamWriter, UsesTheWideLengthFormsForLongStrings)
{
    const std::string medium = typedstream::archiveAttributedString(asciiText(300));
    const std::string large = typedstream::archiveAttributedString(asciiText(70000));

    EXPECT_NE(medium.find(fromHex("2b 81 2c 01") + "abc"), std::string::npos);
    EXPECT_NE(large.find(fromHex("2b 82 70 11 01 00") + "abc"), std::string::npos);
}

TEST(TypedstreamWriter, WritesAnEqualStringOnceAndReferencesItAfterwards)
{
    typedstream::ArchiveOptions options;
    options.stringClass = typedstream::StringClass::String;
    const typedstream::Object item = typedstream::attributedString("same words", options);

    const std::string bytes = typedstream::archive(typedstream::Array{{item, item}});

    const std::size_t first = bytes.find("same words");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(bytes.find("same words", first + 1), std::string::npos);
    EXPECT_EQ(bytes.find("__kIMMessagePartAttributeName", bytes.find("__kIMMessagePartAttributeName") + 1),
              std::string::npos);
}

TEST(DecodeAttributedString, ReadsTheDocumentedBody)
{
    EXPECT_EQ(decodeAttributedString(documentedBody()), "Test 3");
}

TEST(DecodeAttributedString, ReadsEveryPairOfAttributedAndStringClasses)
{
    using typedstream::AttributedStringClass;
    using typedstream::StringClass;
    for (const auto attributedClass :
         {AttributedStringClass::AttributedString, AttributedStringClass::MutableAttributedString}) {
        for (const auto stringClass : {StringClass::String, StringClass::MutableString}) {
            typedstream::ArchiveOptions options;
            options.attributedClass = attributedClass;
            options.stringClass = stringClass;

            const std::string body = typedstream::archiveAttributedString("See you at 7?", options);

            EXPECT_EQ(decodeAttributedString(body), "See you at 7?")
                << static_cast<int>(attributedClass) << static_cast<int>(stringClass);
        }
    }
}

TEST(DecodeAttributedString, ReadsAnEmptyStringWithoutRuns)
{
    EXPECT_EQ(decodeAttributedString(typedstream::archiveAttributedString("")), "");
}

TEST(DecodeAttributedString, ReadsStringsInEveryLengthForm)
{
    for (const std::size_t length : {1u, 127u, 128u, 300u, 32767u, 32768u, 65535u, 65536u, 70000u, 300000u}) {
        const std::string text = asciiText(length);

        EXPECT_EQ(decodeAttributedString(typedstream::archiveAttributedString(text)), text) << length;
    }
}

TEST(DecodeAttributedString, ReadsA16BitLengthAbove32767AsUnsigned)
{
    const std::string text = asciiText(40000);
    std::string body = typedstream::archiveAttributedString(text);
    const std::size_t length = body.find(fromHex("2b 82 40 9c 00 00"));
    ASSERT_NE(length, std::string::npos);

    body = withBytes(body, length + 1, 5, fromHex("81 40 9c"));

    EXPECT_EQ(decodeAttributedString(body), text);
}

TEST(DecodeAttributedString, ReadsAstralCharactersAndRightToLeftTextWithRunsInUtf16Units)
{
    // Hebrew, a waving hand with a skin tone (two astral scalars), a musical symbol, Arabic with
    // a right-to-left mark: 5 + 4 + 2 + 7 units.
    const std::string hebrew = "שלום ";
    const std::string emoji = "👋🏽";
    const std::string clef = "𝄞";
    const std::string arabic = " مرحبا\u200F";
    const std::string text = hebrew + emoji + clef + arabic;
    ASSERT_EQ(typedstream::utf16Length(text), 18u);

    const std::string body =
        typedstream::archiveAttributedString(text,
                                             withRuns({{5, attributes(0)},
                                                       {4, attributes(0, "__kIMTextBoldAttributeName", 1)},
                                                       {2, attributes(0)},
                                                       {7, attributes(1)}}));

    EXPECT_EQ(decodeAttributedString(body), text);
}

TEST(DecodeAttributedString, RejectsRunsCountedInBytesOrScalars)
{
    const std::string text = "Hi 👋🏽 שלום";
    const std::uint64_t bytes = text.size();
    const std::uint64_t scalars = 10;
    ASSERT_EQ(bytes, 20u);
    ASSERT_EQ(typedstream::utf16Length(text), 12u);

    EXPECT_EQ(decodeAttributedString(typedstream::archiveAttributedString(text, withRuns({{12, attributes(0)}}))),
              text);
    EXPECT_EQ(decodeAttributedString(typedstream::archiveAttributedString(text, withRuns({{bytes, attributes(0)}}))),
              std::nullopt);
    EXPECT_EQ(decodeAttributedString(typedstream::archiveAttributedString(text, withRuns({{scalars, attributes(0)}}))),
              std::nullopt);
}

TEST(DecodeAttributedString, ReadsRunsThatReuseEarlierDictionaries)
{
    // Dictionary numbers 1, 2, 1, 3: the third run names dictionary 1 again and carries none.
    const std::string text = "abc"
                             "defg"
                             "h"
                             "ijklmnopq";
    const auto plain = attributes(0);
    const auto bold = attributes(0, "__kIMTextBoldAttributeName", 1);
    const auto underline = attributes(0, "__kIMTextUnderlineAttributeName", 1);

    const std::string body =
        typedstream::archiveAttributedString(text, withRuns({{3, plain}, {4, bold}, {1, plain}, {9, underline}}));

    // "iI" is shared string S7 (ref 0x99): run 1,1 is followed directly by run 3,9.
    EXPECT_NE(body.find(fromHex("99 01 01 99 03 09 92 84")), std::string::npos);
    EXPECT_EQ(decodeAttributedString(body), text);
}

TEST(DecodeAttributedString, ReadsStringsAndNumbersReferencedRatherThanRepeated)
{
    // The link attribute's value is the text's own NSString object, and both dictionaries share
    // their keys and the NSNumber 0.
    const std::string url = "https://example.com/a";
    typedstream::Dictionary link = attributes(0);
    link.entries.push_back({typedstream::string("__kIMLinkAttributeName"), typedstream::string(url)});
    typedstream::ArchiveOptions options = withRuns({{8, attributes(0)}, {13, link}});
    options.stringClass = typedstream::StringClass::String;

    const std::string body = typedstream::archiveAttributedString(url, options);

    ASSERT_EQ(body.find(url, body.find(url) + 1), std::string::npos);
    EXPECT_EQ(decodeAttributedString(body), url);
}

TEST(DecodeAttributedString, ReadsReferenceNumbersBeyondTheSingleByteRange)
{
    // 300 one-character runs, each with a new dictionary holding a new NSNumber and NSString, then
    // 300 more whose dictionaries reuse those values: references into an object table of more
    // than a thousand entries, written as 00..7f and as 0x81 integers.
    std::vector<typedstream::AttributeRun> runs;
    for (int k = 0; k < 600; ++k) {
        typedstream::Dictionary dictionary = typedstream::messagePartAttributes(k % 300);
        dictionary.entries.push_back({typedstream::string("__kIMFileTransferGUIDAttributeName"),
                                      typedstream::string("transfer-" + std::to_string(k % 300))});
        if (k >= 300)
            dictionary.entries.push_back({typedstream::string("__kIMTextBoldAttributeName"), typedstream::number(1)});
        runs.push_back({1, dictionary});
    }
    const std::string text = asciiText(600);
    typedstream::Writer writer;
    typedstream::Archiver archiver(writer);
    archiver.objectGroup(typedstream::attributedString(text, withRuns(runs)));

    EXPECT_GT(writer.objectCount(), 1000u);
    EXPECT_EQ(decodeAttributedString(writer.bytes()), text);
}

TEST(DecodeAttributedString, WalksEveryKindOfValueInsideAttributes)
{
    const std::string body = bodyWithAttributeValue([](typedstream::Writer &, typedstream::Archiver &archiver) {
        typedstream::Array values;
        values.items.push_back(typedstream::Data{std::string("bplist00\x84\x86\x00\xff", 12)});
        values.items.push_back(typedstream::Number{.typeCode = 'd', .integer = 0, .real = 3.5});
        values.items.push_back(typedstream::Number{.typeCode = 'f', .integer = 0, .real = -0.25});
        values.items.push_back(typedstream::number(std::int64_t{1} << 40));
        values.items.push_back(typedstream::number(-70000, 'i'));
        values.items.push_back(typedstream::number(200, 'Q'));
        values.items.push_back(typedstream::number(1, 'c'));
        values.items.push_back(typedstream::number(-1));
        archiver.object(values);
    });
    const std::string custom = bodyWithAttributeValue([](typedstream::Writer &writer, typedstream::Archiver &) {
        writer.beginObject(std::array{typedstream::ClassInfo{"TestValue", 3}, typedstream::ClassInfo{"NSObject", 0}});
        writer.typeEncoding("{CGPoint=dd}");
        writer.realDouble(1.5);
        writer.integer(-2); // a double written as an integer
        writer.typeEncoding("#*%:!");
        writer.classChain(std::array{typedstream::ClassInfo{"NSURL", 0}, typedstream::ClassInfo{"NSObject", 0}});
        writer.nil();
        writer.sharedString("an atom");
        writer.sharedString("aSelector:");
        writer.typeEncoding("[3i][2{pair=cS}][0@]@B");
        writer.integer(1);
        writer.integer(1000);
        writer.integer(-100000);
        writer.rawByte(7);
        writer.unsignedInteger(65535);
        writer.rawByte(0xff);
        writer.rawByte(0xf0); // an unsigned 240 as a bare byte above the tags
        writer.nil();
        writer.rawByte(1);
        writer.typeEncoding("sSlLqQ");
        for (int k = 0; k < 6; ++k)
            writer.integer(k * 1000);
        writer.endObject();
    });

    EXPECT_EQ(decodeAttributedString(body), "hi");
    EXPECT_EQ(decodeAttributedString(custom), "hi");
}

TEST(DecodeAttributedString, IgnoresBytesAfterTheRootObject)
{
    EXPECT_EQ(decodeAttributedString(documentedBody() + fromHex("00 86 84")), "Test 3");
}

TEST(DecodeAttributedString, ReturnsNothingForRootsThatAreNotAttributedStrings)
{
    const typedstream::Object attributed = typedstream::attributedString("inside");
    typedstream::Dictionary dictionary;
    dictionary.entries.push_back({typedstream::string("text"), attributed});

    EXPECT_EQ(decodeAttributedString(typedstream::archive(typedstream::string("plain"))), std::nullopt);
    EXPECT_EQ(decodeAttributedString(
                  typedstream::archive(typedstream::string("plain", typedstream::StringClass::MutableString))),
              std::nullopt);
    EXPECT_EQ(decodeAttributedString(typedstream::archive(typedstream::Array{{attributed}})), std::nullopt);
    EXPECT_EQ(decodeAttributedString(typedstream::archive(dictionary)), std::nullopt);
    EXPECT_EQ(decodeAttributedString(typedstream::archive(typedstream::number(5))), std::nullopt);
    EXPECT_EQ(decodeAttributedString(typedstream::archive(typedstream::Data{"inside"})), std::nullopt);
}

TEST(DecodeAttributedString, ReturnsNothingForAnyTruncation)
{
    const std::string text = "Ça va? 👋🏽 שלום " + asciiText(200);
    const std::uint64_t units = typedstream::utf16Length(text);
    const std::vector<std::string> bodies{
        documentedBody(),
        typedstream::archiveAttributedString(text,
                                             withRuns({{7, attributes(0)},
                                                       {4, attributes(0, "__kIMTextBoldAttributeName", 1)},
                                                       {units - 11, attributes(1)}})),
    };
    for (const std::string &body : bodies) {
        ASSERT_TRUE(decodeAttributedString(body));
        for (std::size_t length = 0; length < body.size(); ++length)
            EXPECT_EQ(decodeAttributedString(std::string_view(body).substr(0, length)), std::nullopt) << length;
    }
}

TEST(DecodeAttributedString, RejectsOtherHeaders)
{
    const std::string body = documentedBody();

    EXPECT_EQ(decodeAttributedString(""), std::nullopt);
    EXPECT_EQ(decodeAttributedString(withByte(body, 0, 3)), std::nullopt);
    EXPECT_EQ(decodeAttributedString(withBytes(body, 2, 11, "typedstream")), std::nullopt);
    EXPECT_EQ(decodeAttributedString(withByte(body, 1, 10)), std::nullopt);
    EXPECT_EQ(decodeAttributedString(withBytes(body, 13, 3, fromHex("80 e8 03"))), std::nullopt);
    // The top-level group must be one object: "i" or a nil root is no attributed string.
    EXPECT_EQ(decodeAttributedString(withBytes(body, 16, 3, fromHex("84 01 69"))), std::nullopt);
    EXPECT_EQ(decodeAttributedString(body.substr(0, 19) + fromHex("85")), std::nullopt);
}

TEST(DecodeAttributedString, AcceptsOtherSystemVersions)
{
    EXPECT_EQ(decodeAttributedString(withBytes(documentedBody(), 13, 3, fromHex("81 d0 07"))), "Test 3");
}

TEST(DecodeAttributedString, FollowsValidReferencesToEarlierEntries)
{
    const std::string body = documentedBody();
    ASSERT_EQ(body.substr(secondValue, secondValueLength), fromHex("84 9b 9c 9d 9d 00 86"));
    ASSERT_EQ(static_cast<std::uint8_t>(body[stringSuperclass]), 0x94);

    // The second value as a reference to O7 (the first key string), and NSString's superclass as
    // NSAttributedString (O1): odd, but well-formed.
    EXPECT_EQ(decodeAttributedString(withBytes(body, secondValue, secondValueLength, fromHex("99"))), "Test 3");
    EXPECT_EQ(decodeAttributedString(withByte(body, stringSuperclass, 0x93)), "Test 3");
}

TEST(DecodeAttributedString, RejectsReferencesOutsideTheirTable)
{
    const std::string body = documentedBody();
    ASSERT_EQ(static_cast<std::uint8_t>(body[stringGroupType]), 0x92);

    // Three shared strings and thirteen objects exist at these points.
    EXPECT_EQ(decodeAttributedString(withByte(body, stringGroupType, 0x95)), std::nullopt);
    EXPECT_EQ(decodeAttributedString(withByte(body, stringGroupType, 0x7f)), std::nullopt);
    EXPECT_EQ(decodeAttributedString(withBytes(body, secondValue, secondValueLength, fromHex("9f"))), std::nullopt);
    EXPECT_EQ(decodeAttributedString(withBytes(body, secondValue, secondValueLength, fromHex("81 00 80"))),
              std::nullopt);
    EXPECT_EQ(decodeAttributedString(withByte(body, stringSuperclass, 0x97)), std::nullopt);
}

TEST(DecodeAttributedString, RejectsReferencesToTheWrongKindOfEntry)
{
    const std::string body = documentedBody();

    // An object naming a class (O2) or a C string (O11); a superclass naming the root object
    // (O0) or the string object being read (O3).
    EXPECT_EQ(decodeAttributedString(withBytes(body, secondValue, secondValueLength, fromHex("94"))), std::nullopt);
    EXPECT_EQ(decodeAttributedString(withBytes(body, secondValue, secondValueLength, fromHex("9d"))), std::nullopt);
    EXPECT_EQ(decodeAttributedString(withByte(body, stringSuperclass, 0x92)), std::nullopt);
    EXPECT_EQ(decodeAttributedString(withByte(body, stringSuperclass, 0x95)), std::nullopt);
    // "NSObject" (S2) used as a type encoding.
    EXPECT_EQ(decodeAttributedString(withByte(body, stringGroupType, 0x94)), std::nullopt);
}

TEST(DecodeAttributedString, RejectsASuperclassInsideItsOwnChain)
{
    const std::string body = documentedBody();

    // NSString (O4) as its own superclass, and a two-class cycle through a new class O5.
    EXPECT_EQ(decodeAttributedString(withByte(body, stringSuperclass, 0x96)), std::nullopt);
    EXPECT_EQ(
        decodeAttributedString(withBytes(body, stringSuperclass, 1, fromHex("84 84 04") + "Loop" + fromHex("00 96"))),
        std::nullopt);
}

TEST(DecodeAttributedString, RejectsLengthsPastTheEnd)
{
    const std::string body = documentedBody();
    const std::size_t length = body.find(fromHex("2b 06"));
    ASSERT_NE(length, std::string::npos);

    for (const std::string &declared :
         {fromHex("81 9d 00"), fromHex("82 ff ff ff ff"), fromHex("87 ff ff ff ff ff ff ff ff"),
          fromHex("87 00 00 00 00 00 00 00 80"), fromHex("a0")}) {
        EXPECT_EQ(decodeAttributedString(withBytes(body, length + 1, 1, declared).substr(0, 200)), std::nullopt);
    }
    EXPECT_EQ(decodeAttributedString(withBytes(body, length + 1, 1, fromHex("87 06 00 00 00 00 00 00 00"))), "Test 3");
}

TEST(DecodeAttributedString, RejectsReservedTagsWhereAnIntegerBelongs)
{
    const std::string body = documentedBody();
    ASSERT_EQ(static_cast<std::uint8_t>(body[dictionaryCount]), 0x02);

    for (int tag = 0x80; tag <= 0x91; ++tag) {
        if (tag == 0x81 || tag == 0x82 || tag == 0x87)
            continue;
        EXPECT_EQ(decodeAttributedString(withByte(body, dictionaryCount, static_cast<std::uint8_t>(tag))), std::nullopt)
            << tag;
    }
    EXPECT_EQ(decodeAttributedString(withBytes(body, dictionaryCount, 1, fromHex("81 02 00"))), "Test 3");
    EXPECT_EQ(decodeAttributedString(withBytes(body, dictionaryCount, 1, fromHex("82 02 00 00 00"))), "Test 3");
    EXPECT_EQ(decodeAttributedString(withBytes(body, dictionaryCount, 1, fromHex("87 02 00 00 00 00 00 00 00"))),
              "Test 3");
}

TEST(DecodeAttributedString, RejectsUnknownOrMalformedTypeEncodings)
{
    ASSERT_EQ(decodeAttributedString(bodyWithCustomGroup("i", fromHex("05"))), "hi");

    for (const std::string_view type : {"^i", "?", "(u=ic)", "[3", "[i]", "{x}", "{x=i", "[3i", "i]", "r*", "v"}) {
        EXPECT_EQ(decodeAttributedString(bodyWithCustomGroup(type, fromHex("01 02 03 04 05 06"))), std::nullopt)
            << type;
    }
    // An empty type encoding, and a nil one.
    EXPECT_EQ(decodeAttributedString(bodyWithCustomGroup("", "")), std::nullopt);
    const std::string nilType = bodyWithAttributeValue([](typedstream::Writer &writer, typedstream::Archiver &) {
        writer.beginObject(std::array{typedstream::ClassInfo{"TestValue", 0}});
        writer.nil();
        writer.endObject();
    });
    EXPECT_EQ(decodeAttributedString(nilType), std::nullopt);
}

TEST(DecodeAttributedString, StopsHugeArraysOfEmptyValues)
{
    EXPECT_EQ(decodeAttributedString(bodyWithCustomGroup("[4000000000!]", "")), std::nullopt);
    EXPECT_EQ(decodeAttributedString(bodyWithCustomGroup("[60000[60000!]]", "")), std::nullopt);
    EXPECT_EQ(decodeAttributedString(bodyWithCustomGroup("[99999999999i]", "")), std::nullopt);
    EXPECT_EQ(decodeAttributedString(bodyWithCustomGroup("[4000000000c]", "")), std::nullopt);
    EXPECT_EQ(decodeAttributedString(bodyWithCustomGroup("[20!]", "")), "hi");
}

TEST(DecodeAttributedString, StopsALongTypeEncodingUsedOverAndOver)
{
    // A 20,000-character encoding written once, then named again by a one-byte reference in
    // 20,000 groups: reading it each time would be quadratic in the body's size.
    const std::string longType = "[0{" + std::string(20000, 'a') + "=}]";
    const auto body = [&](int uses) {
        return bodyWithAttributeValue([&](typedstream::Writer &writer, typedstream::Archiver &) {
            writer.beginObject(
                std::array{typedstream::ClassInfo{"TestValue", 0}, typedstream::ClassInfo{"NSObject", 0}});
            for (int k = 0; k < uses; ++k)
                writer.typeEncoding(longType);
            writer.endObject();
        });
    };

    EXPECT_EQ(decodeAttributedString(body(3)), "hi");
    EXPECT_EQ(decodeAttributedString(body(20000)), std::nullopt);
}

TEST(DecodeAttributedString, RejectsNestingBeyondItsDepthLimit)
{
    const auto nested = [](int depth) {
        typedstream::Object value = typedstream::number(1);
        for (int k = 0; k < depth; ++k)
            value = typedstream::Array{{value}};
        typedstream::Dictionary dictionary = typedstream::messagePartAttributes(0);
        dictionary.entries.push_back({typedstream::string("deep"), value});
        return typedstream::archiveAttributedString("deep", withRuns({{4, dictionary}}));
    };

    // Root at depth 0, dictionary 1, arrays 2 to 1 + n, the number 2 + n: 64 is the last allowed.
    EXPECT_EQ(decodeAttributedString(nested(62)), "deep");
    EXPECT_EQ(decodeAttributedString(nested(63)), std::nullopt);
    EXPECT_EQ(decodeAttributedString(nested(300)), std::nullopt);
}

TEST(DecodeAttributedString, RejectsRunsThatDoNotCoverTheStringExactly)
{
    const auto decodeRuns = [](std::vector<typedstream::AttributeRun> runs) {
        return decodeAttributedString(typedstream::archiveAttributedString("hello", withRuns(std::move(runs))));
    };

    EXPECT_EQ(decodeRuns({{2, attributes(0)}, {3, attributes(1)}}), "hello");
    EXPECT_EQ(decodeRuns({{4, attributes(0)}}), std::nullopt);
    EXPECT_EQ(decodeRuns({{6, attributes(0)}}), std::nullopt);
    EXPECT_EQ(decodeRuns({{5, attributes(0)}, {0, attributes(0)}}), std::nullopt);
    EXPECT_EQ(decodeRuns({}), std::nullopt);
    // Runs on an empty string.
    EXPECT_EQ(decodeAttributedString(typedstream::archiveAttributedString("", withRuns({{0, attributes(0)}}))),
              std::nullopt);
}

TEST(DecodeAttributedString, RejectsDictionaryNumbersOutOfOrderOrWithoutTheirDictionary)
{
    const std::string body = documentedBody();
    const std::size_t run = body.find(fromHex("69 49 01 06"));
    ASSERT_NE(run, std::string::npos);

    // Number 2 before 1; number 0; the dictionary group dropped; a second run with no room left.
    EXPECT_EQ(decodeAttributedString(withByte(body, run + 2, 2)), std::nullopt);
    EXPECT_EQ(decodeAttributedString(withByte(body, run + 2, 0)), std::nullopt);
    EXPECT_EQ(decodeAttributedString(body.substr(0, run + 4) + fromHex("86")), std::nullopt);
    EXPECT_EQ(decodeAttributedString(body.substr(0, body.size() - 1) + fromHex("97 01 00 86")), std::nullopt);
}

TEST(DecodeAttributedString, RejectsAStringThatIsNotValidUtf8)
{
    for (const std::string_view bad : {"\xff", "ab\xc3", "\xc0\xaf", "\xed\xa0\x80"}) {
        EXPECT_EQ(
            decodeAttributedString(typedstream::archiveAttributedString(bad, withRuns({{bad.size(), attributes(0)}}))),
            std::nullopt);
    }
}

TEST(DecodeAttributedString, RejectsAFirstGroupThatIsNotAString)
{
    const auto rootWithFirstGroup = [](auto writeFirstGroup) {
        typedstream::Writer writer;
        typedstream::Archiver archiver(writer);
        writer.typeEncoding("@");
        writer.beginObject(attributedStringChain);
        writeFirstGroup(writer, archiver);
        writer.endObject();
        return writer.take();
    };
    const std::array<typedstream::ClassInfo, 2> stringChain{typedstream::ClassInfo{"NSString", 1},
                                                            typedstream::ClassInfo{"NSObject", 0}};

    const std::string empty = rootWithFirstGroup([](typedstream::Writer &, typedstream::Archiver &archiver) {
        archiver.objectGroup(typedstream::string(""));
    });
    const std::string number = rootWithFirstGroup([](typedstream::Writer &, typedstream::Archiver &archiver) {
        archiver.objectGroup(typedstream::number(0));
    });
    const std::string nilString = rootWithFirstGroup([](typedstream::Writer &writer, typedstream::Archiver &) {
        writer.typeEncoding("@");
        writer.nil();
    });
    const std::string nilBytes = rootWithFirstGroup([&](typedstream::Writer &writer, typedstream::Archiver &) {
        writer.typeEncoding("@");
        writer.beginObject(stringChain);
        writer.typeEncoding("+");
        writer.nil();
        writer.endObject();
    });
    const std::string twoGroups = rootWithFirstGroup([&](typedstream::Writer &writer, typedstream::Archiver &) {
        writer.typeEncoding("@");
        writer.beginObject(stringChain);
        writer.typeEncoding("+");
        writer.byteString("");
        writer.typeEncoding("i");
        writer.integer(0);
        writer.endObject();
    });
    const std::string bareBytes = rootWithFirstGroup([](typedstream::Writer &writer, typedstream::Archiver &) {
        writer.typeEncoding("+");
        writer.byteString("");
    });
    const std::string rootItself = rootWithFirstGroup([](typedstream::Writer &writer, typedstream::Archiver &) {
        writer.typeEncoding("@");
        writer.objectReference(0);
    });

    EXPECT_EQ(decodeAttributedString(empty), "");
    EXPECT_EQ(decodeAttributedString(number), std::nullopt);
    EXPECT_EQ(decodeAttributedString(nilString), std::nullopt);
    EXPECT_EQ(decodeAttributedString(nilBytes), std::nullopt);
    EXPECT_EQ(decodeAttributedString(twoGroups), std::nullopt);
    EXPECT_EQ(decodeAttributedString(bareBytes), std::nullopt);
    EXPECT_EQ(decodeAttributedString(rootItself), std::nullopt);
}

TEST(DecodeAttributedString, SurvivesAnyByteValueAtAnyPosition)
{
    const std::string body = typedstream::archiveAttributedString(
        "℉ 👋🏽 שלום",
        withRuns({{2, attributes(0)}, {4, attributes(0, "__kIMTextBoldAttributeName", 1)}, {5, attributes(1)}}));
    ASSERT_EQ(decodeAttributedString(body), "℉ 👋🏽 שלום");

    int decoded = 0;
    for (std::size_t position = 0; position < body.size(); ++position) {
        for (int value = 0; value < 256; ++value) {
            const auto text = decodeAttributedString(withByte(body, position, static_cast<std::uint8_t>(value)));
            if (text) {
                ++decoded;
                EXPECT_TRUE(common::isValidUtf8(*text));
            }
        }
    }
    EXPECT_GT(decoded, 0);
}

TEST(DecodeAttributedString, SurvivesRandomBytesAfterAValidHeader)
{
    const std::string header = documentedBody().substr(0, 19);
    std::mt19937 random(20240601);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 400);
    for (int round = 0; round < 5000; ++round) {
        std::string bytes = header;
        const int extra = length(random);
        for (int k = 0; k < extra; ++k)
            bytes.push_back(static_cast<char>(byte(random)));

        const auto text = decodeAttributedString(bytes);

        if (text) {
            EXPECT_TRUE(common::isValidUtf8(*text));
        }
    }
}
