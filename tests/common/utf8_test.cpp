#include "common/utf8.h"

#include <gtest/gtest.h>

using common::isValidUtf8;
using common::repairUtf8;

TEST(Utf8, WellFormedTextIsValidAndUnchanged)
{
    const std::string text = "plain, caf\xC3\xA9, \xE2\x82\xAC, \xF0\x9F\x98\x80";

    EXPECT_TRUE(isValidUtf8(text));
    EXPECT_EQ(repairUtf8(text), text);
}

TEST(Utf8, RejectsOverlongSurrogateAndOutOfRangeForms)
{
    EXPECT_FALSE(isValidUtf8("\xC0\xAF")); // overlong '/'
    EXPECT_FALSE(isValidUtf8("\xE0\x80\xAF")); // overlong three-byte
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80")); // U+D800
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(isValidUtf8("\xF0\x9F\x98")); // truncated at the end
    EXPECT_FALSE(isValidUtf8("\x80")); // lone continuation byte
}

TEST(Utf8, RepairReplacesEachMaximalBadSubpartWithOneReplacementCharacter)
{
    // A truncated four-byte sequence followed by ASCII: one U+FFFD, then the ASCII.
    EXPECT_EQ(repairUtf8("a\xF0\x9F\x98z"), "a\xEF\xBF\xBDz");
    // Two stray continuation bytes are two bad subparts.
    EXPECT_EQ(repairUtf8("\x80\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    // A surrogate's lead byte E0..EF with an out-of-range second byte: the lead alone is bad.
    EXPECT_EQ(repairUtf8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(repairUtf8(std::string("x\0y", 3)), std::string("x\0y", 3));
}
