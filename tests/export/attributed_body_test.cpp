#include "export/attributed_body.h"
#include "export/typedstream_decoder.h"
#include "typedstream/archive.h"
#include "typedstream/writer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace
{

using exporter::decodeAttributedString;
using exporter::scanAttributedBody;
using exporter::textFromAttributedBody;
using typedstream::fromHex;

// A real body's bytes up to its string's class name: header, root NSAttributedString with its
// chain, the group "@" and the string's NEW object and class tags.
std::string beforeClassName()
{
    return fromHex("04 0b") + "streamtyped" + fromHex("81 e8 03 84 01 40 84 84 84 12") + "NSAttributedString"
        + fromHex("00 84 84 08") + "NSObject" + fromHex("00 85 92 84 84 84 08");
}

std::string afterClassName(std::string_view tail)
{
    return beforeClassName() + "NSString" + std::string(tail);
}

std::string asciiText(std::size_t bytes)
{
    std::string text(bytes, ' ');
    for (std::size_t k = 0; k < bytes; ++k)
        text[k] = static_cast<char>('a' + k % 26);
    return text;
}

std::string replaced(std::string bytes, std::string_view from, std::string_view to)
{
    const std::size_t at = bytes.find(from);
    EXPECT_NE(at, std::string::npos) << "pattern missing";
    if (at != std::string::npos)
        bytes.replace(at, from.size(), to);
    return bytes;
}

// Messages' usual layout: NSMutableAttributedString (O0; classes O1, O2, O3 = NSObject) holding
// an NSMutableString (O4; classes O5, O6 = NSString) whose chain ends with a reference to O3.
const std::string usualChainTail = "NSString" + fromHex("01 95 84 01 2b");

} // namespace

TEST(ScanAttributedBody, FindsTheStringAfterTheClassName)
{
    const std::string blob = afterClassName(fromHex("01 94 84 01 2b 05") + "hello" + fromHex("86 84 02 69 49 01 05"));

    EXPECT_EQ(scanAttributedBody(blob), "hello");
}

TEST(ScanAttributedBody, ReadsTheWideLengthForms)
{
    const std::string text300 = asciiText(300);
    const std::string text256 = asciiText(256);
    const std::string text65536 = asciiText(65536);

    EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("01 94 84 01 2b 81 2c 01") + text300 + fromHex("86"))),
              text300);
    EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("2b 81 00 01") + text256)), text256);
    EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("2b 82 00 00 01 00") + text65536)), text65536);
}

TEST(ScanAttributedBody, IsAbsentWithoutTheClassName)
{
    EXPECT_EQ(scanAttributedBody(beforeClassName() + "NSStrinG" + fromHex("01 94 84 01 2b 02") + "hi"), std::nullopt);
    EXPECT_EQ(scanAttributedBody(fromHex("2b 02") + "hi NSStrin"), std::nullopt);
    EXPECT_EQ(scanAttributedBody(""), std::nullopt);
}

TEST(ScanAttributedBody, LooksForTheMarkerOnlyInTheSixteenBytesAfterTheClassName)
{
    const auto withFiller = [](std::size_t filler) {
        return afterClassName(std::string(filler, '\x01') + fromHex("2b 02") + "hi");
    };

    EXPECT_EQ(scanAttributedBody(withFiller(0)), "hi");
    EXPECT_EQ(scanAttributedBody(withFiller(15)), "hi");
    EXPECT_EQ(scanAttributedBody(withFiller(16)), std::nullopt);
}

TEST(ScanAttributedBody, UsesOnlyTheFirstClassName)
{
    const std::string blob = afterClassName(std::string(16, '\x01') + "NSString" + fromHex("01 94 84 01 2b 02") + "hi");

    EXPECT_EQ(scanAttributedBody(blob), std::nullopt);
}

TEST(ScanAttributedBody, UsesOnlyTheFirstMarker)
{
    // The first 0x2B declares 255 bytes that are not there; the valid one after it is not tried.
    const std::string blob = afterClassName(fromHex("2b ff 84 01 2b 02") + "hi" + fromHex("86"));

    EXPECT_EQ(scanAttributedBody(blob), std::nullopt);
}

TEST(ScanAttributedBody, IsAbsentWhenTheBlobEndsTooSoon)
{
    EXPECT_EQ(scanAttributedBody(afterClassName("")), std::nullopt);
    EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("01 94"))), std::nullopt);
    EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("01 2b"))), std::nullopt);
    EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("2b 05") + "hell")), std::nullopt);
    EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("2b 05") + "hello")), "hello");
}

TEST(ScanAttributedBody, NeedsEveryByteOfAWideLength)
{
    EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("2b 81"))), std::nullopt);
    EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("2b 81 00"))), std::nullopt);
    EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("2b 81 00 00"))), "");
    EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("2b 82 00 00 00"))), std::nullopt);
    EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("2b 82 00 00 00 00"))), "");
    EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("2b 81 ff ff") + asciiText(100))), std::nullopt);
    EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("2b 82 ff ff ff ff") + asciiText(100))), std::nullopt);
}

TEST(ScanAttributedBody, TakesEveryOtherLengthByteLiterally)
{
    for (const int length : {0x00, 0x7f, 0x80, 0x83, 0x84, 0x85, 0x86, 0x87, 0x91, 0x92, 0xff}) {
        const std::string text = asciiText(static_cast<std::size_t>(length));
        const std::string lengthByte(1, static_cast<char>(length));

        EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("01 94 84 01 2b") + lengthByte + text + fromHex("86"))),
                  text)
            << length;
    }
    EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("2b 80") + asciiText(127))), std::nullopt);
}

TEST(ScanAttributedBody, RequiresValidUtf8)
{
    EXPECT_EQ(scanAttributedBody(afterClassName(fromHex("2b 02 c3 a9"))), "é");
    for (const std::string_view bad : {"c3 28", "ff", "c3", "c0 af", "ed a0 80", "f4 90 80 80"}) {
        const std::string bytes = fromHex(bad);
        const std::string blob =
            afterClassName(fromHex("2b") + std::string(1, static_cast<char>(bytes.size())) + bytes);

        EXPECT_EQ(scanAttributedBody(blob), std::nullopt) << bad;
    }
}

TEST(ScanAttributedBody, ReadsBodiesAsMessagesWritesThem)
{
    const std::vector<std::string> texts{
        "",
        "Ok",
        "℉ is e2 84 89 and ¤ is c2 a4",
        "שלום 👋🏽 مرحبا\u200F 𝄞\r\nline two\u00a0\uFFFC",
        asciiText(300),
        asciiText(70000),
    };
    for (const std::string &text : texts) {
        EXPECT_EQ(scanAttributedBody(typedstream::archiveAttributedString(text)), text);
        typedstream::ArchiveOptions plain;
        plain.attributedClass = typedstream::AttributedStringClass::AttributedString;
        plain.stringClass = typedstream::StringClass::String;
        EXPECT_EQ(scanAttributedBody(typedstream::archiveAttributedString(text, plain)), text);
    }
}

TEST(TextFromAttributedBody, UsesTheScannedText)
{
    const std::string text = "Dinner at 8? 🍝";

    EXPECT_EQ(textFromAttributedBody(typedstream::archiveAttributedString(text)), text);
}

TEST(TextFromAttributedBody, AnEmptyScannedTextIsFinal)
{
    // NSString's version 43 written as 81 2b 00 (a longer form than needed, which the format
    // allows): the scan takes 0x2B 0x00 for an empty string, while the whole body says "hello".
    const std::string body = replaced(typedstream::archiveAttributedString("hello"), usualChainTail,
                                      "NSString" + fromHex("81 2b 00 95 84 01 2b"));
    ASSERT_EQ(decodeAttributedString(body), "hello");

    EXPECT_EQ(scanAttributedBody(body), "");
    EXPECT_EQ(textFromAttributedBody(body), "");
}

TEST(TextFromAttributedBody, DecodesWhenWideIntegersPushTheMarkerOutOfTheWindow)
{
    // The string class's version as a 64-bit integer and its superclass reference as a 32-bit
    // one: legal forms that put the '+' 16 bytes after the class name.
    const std::string body = replaced(typedstream::archiveAttributedString("hello there"), usualChainTail,
                                      "NSString" + fromHex("87 01 00 00 00 00 00 00 00 82 95 ff ff ff 84 01 2b"));

    EXPECT_EQ(scanAttributedBody(body), std::nullopt);
    EXPECT_EQ(textFromAttributedBody(body), "hello there");
}

TEST(TextFromAttributedBody, DecodesWhenNSObjectFirstAppearsAfterTheStringClass)
{
    // A root chain that stops at NSAttributedString, so the string's chain writes NSObject in
    // full between "NSString" and the '+'.
    typedstream::Writer writer;
    typedstream::Archiver archiver(writer);
    writer.typeEncoding("@");
    writer.beginObject(std::array{typedstream::ClassInfo{"NSAttributedString", 0}});
    writer.typeEncoding("@");
    writer.beginObject(std::array{typedstream::ClassInfo{"NSString", 1}, typedstream::ClassInfo{"NSObject", 0}});
    writer.typeEncoding("+");
    writer.byteString("see you");
    writer.endObject();
    writer.typeEncoding("iI");
    writer.integer(1);
    writer.unsignedInteger(7);
    archiver.objectGroup(typedstream::messagePartAttributes(0));
    writer.endObject();
    const std::string body = writer.take();

    EXPECT_EQ(scanAttributedBody(body), std::nullopt);
    EXPECT_EQ(textFromAttributedBody(body), "see you");
}

TEST(TextFromAttributedBody, DecodesWhenTheStringClassDoesNotNameNSString)
{
    // The string's chain names NSMutableString and NSObject only. The first "NSString" is then
    // the attribute key's class, where the '+' type is already a back-reference.
    typedstream::Writer writer;
    typedstream::Archiver archiver(writer);
    writer.typeEncoding("@");
    writer.beginObject(std::array{typedstream::ClassInfo{"NSMutableAttributedString", 0},
                                  typedstream::ClassInfo{"NSAttributedString", 0},
                                  typedstream::ClassInfo{"NSObject", 0}});
    writer.typeEncoding("@");
    writer.beginObject(std::array{typedstream::ClassInfo{"NSMutableString", 1}, typedstream::ClassInfo{"NSObject", 0}});
    writer.typeEncoding("+");
    writer.byteString("on my way");
    writer.endObject();
    writer.typeEncoding("iI");
    writer.integer(1);
    writer.unsignedInteger(9);
    archiver.objectGroup(typedstream::messagePartAttributes(0));
    writer.endObject();
    const std::string body = writer.take();
    ASSERT_NE(body.find("NSString"), std::string::npos);

    EXPECT_EQ(scanAttributedBody(body), std::nullopt);
    EXPECT_EQ(textFromAttributedBody(body), "on my way");
}

TEST(TextFromAttributedBody, DecodesWhenTheFirstMarkerIsTheClassVersion)
{
    // NSString version 43 is the byte 0x2B: the scan reads the next byte (0x95) as a length of
    // 149 that the short body does not hold.
    const std::string body =
        replaced(typedstream::archiveAttributedString("hi"), usualChainTail, "NSString" + fromHex("2b 95 84 01 2b"));

    EXPECT_EQ(scanAttributedBody(body), std::nullopt);
    EXPECT_EQ(textFromAttributedBody(body), "hi");
}

TEST(TextFromAttributedBody, TakesTheScannedTextEvenFromRootsTheDecoderRejects)
{
    // The scan does not look at the root; only the decoder insists on an attributed string.
    const std::string array = typedstream::archive(typedstream::Array{{typedstream::attributedString("inner")}});

    EXPECT_EQ(decodeAttributedString(array), std::nullopt);
    EXPECT_EQ(textFromAttributedBody(array), "inner");
}

TEST(TextFromAttributedBody, IsAbsentForAPlainStringRoot)
{
    // As the root, NSString writes its NSObject superclass in full before the '+', 16 bytes
    // after the class name: out of the scan's reach, and no attributed string for the decoder.
    for (const auto stringClass : {typedstream::StringClass::String, typedstream::StringClass::MutableString}) {
        const std::string plain = typedstream::archive(typedstream::string("plain", stringClass));

        EXPECT_EQ(scanAttributedBody(plain), std::nullopt);
        EXPECT_EQ(textFromAttributedBody(plain), std::nullopt);
    }
}

TEST(TextFromAttributedBody, IsAbsentWhenNeitherWayFindsText)
{
    typedstream::ArchiveOptions options;
    options.runs = std::vector<typedstream::AttributeRun>{{2, typedstream::messagePartAttributes(0)}};

    EXPECT_EQ(textFromAttributedBody("hello world"), std::nullopt);
    EXPECT_EQ(textFromAttributedBody(afterClassName(std::string(20, '\x01'))), std::nullopt);
    EXPECT_EQ(textFromAttributedBody(typedstream::archiveAttributedString("\xc3\x28", options)), std::nullopt);
    EXPECT_EQ(textFromAttributedBody(typedstream::archive(typedstream::number(7))), std::nullopt);
}

TEST(TextFromAttributedBody, NeverGivesAWrongTextForATruncatedBody)
{
    const std::string text = "Ça va? 👋🏽 " + asciiText(150);
    const std::string scannable = typedstream::archiveAttributedString(text);
    const std::string decodable =
        replaced(scannable, usualChainTail, "NSString" + fromHex("87 01 00 00 00 00 00 00 00 82 95 ff ff ff 84 01 2b"));
    // The scan finds the text in every prefix that holds all of it; the decoder in none.
    const std::size_t scannableFrom = scannable.find(text) + text.size();
    const std::pair<std::string, std::size_t> cases[] = {{scannable, scannable.size() - scannableFrom}, {decodable, 0}};

    for (const auto &[body, expectedFinds] : cases) {
        ASSERT_EQ(textFromAttributedBody(body), text);
        std::size_t found = 0;
        for (std::size_t length = 0; length < body.size(); ++length) {
            const auto result = textFromAttributedBody(std::string_view(body).substr(0, length));
            if (result) {
                ++found;
                EXPECT_EQ(*result, text) << length;
            }
        }
        EXPECT_EQ(found, expectedFinds);
    }
}
