#include "common/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using common::canonicallyEqual;
using common::compareScalars;
using common::lowercased;
using common::scalarLess;
using common::toNFC;
using common::trimWhiteSpaceAndNewlines;

namespace
{

const std::string composedE = "\xC3\xA9"; // U+00E9
const std::string decomposedE = "e\xCC\x81"; // U+0065 U+0301
const std::string replacement = "\xEF\xBF\xBD"; // U+FFFD

} // namespace

TEST(ToNFC, ComposesCombiningMarksAndLeavesComposedTextAlone)
{
    EXPECT_EQ(toNFC("caf" + decomposedE), "caf" + composedE);
    EXPECT_EQ(toNFC("caf" + composedE), "caf" + composedE);
    EXPECT_EQ(toNFC("plain ascii"), "plain ascii");
    // Hangul jamo compose into one syllable: U+1100 U+1161 -> U+AC00.
    EXPECT_EQ(toNFC("\xE1\x84\x80\xE1\x85\xA1"), "\xEA\xB0\x80");
}

TEST(ToNFC, ReplacesIllFormedBytesInsteadOfFailing)
{
    EXPECT_EQ(toNFC("a\xFF" + decomposedE), "a" + replacement + composedE);
    EXPECT_EQ(toNFC("\xC3"), replacement);
    EXPECT_EQ(toNFC(std::string("\0", 1)), std::string("\0", 1));
}

TEST(CanonicallyEqual, OneAndTwoCodePointAccentsAreEqual)
{
    EXPECT_TRUE(canonicallyEqual("Ren" + composedE, "Ren" + decomposedE));
    EXPECT_TRUE(canonicallyEqual("", ""));
    EXPECT_FALSE(canonicallyEqual("Rene", "Ren" + composedE));
    EXPECT_FALSE(canonicallyEqual("abc", "ABC"));
    // Canonical, not compatibility, equivalence: the "fi" ligature stays distinct.
    EXPECT_FALSE(canonicallyEqual("\xEF\xAC\x81", "fi"));
}

TEST(CompareScalars, AccentFormsSortAtTheSamePlace)
{
    EXPECT_EQ(compareScalars("Ren" + composedE, "Ren" + decomposedE), 0);
    // U+00E9 is above 'z' whether or not it arrives decomposed as 'e' + U+0301.
    EXPECT_GT(compareScalars(decomposedE, "z"), 0);
    EXPECT_GT(compareScalars(composedE, "z"), 0);
    EXPECT_LT(compareScalars("e", decomposedE), 0);
}

TEST(CompareScalars, AsciiSortsDigitsThenUpperThenLowerCase)
{
    std::vector<std::string> words{"anna", "Zoe", "Bob", "42", "bob", "", "Anna"};

    std::sort(words.begin(), words.end(), [](const std::string &a, const std::string &b) {
        return scalarLess(a, b);
    });

    const std::vector<std::string> expected{"", "42", "Anna", "Bob", "Zoe", "anna", "bob"};
    EXPECT_EQ(words, expected);
    EXPECT_LT(compareScalars("ab", "abc"), 0);
    EXPECT_GT(compareScalars("abc", "ab"), 0);
}

TEST(CompareScalars, UsesScalarValuesNotUtf16Units)
{
    // U+1F600 is above U+FFFD as a scalar, although its UTF-16 surrogates are below it.
    EXPECT_GT(compareScalars("\xF0\x9F\x98\x80", "\xEF\xBF\xBD"), 0);
    EXPECT_LT(compareScalars("\x7F", "\xC2\x80"), 0);
    EXPECT_LT(compareScalars("\xC3\xA9", "\xC5\x91"), 0); // U+00E9 < U+0151
    EXPECT_FALSE(canonicallyEqual("\xC3\xA9", "\xC5\x91"));
}

TEST(CompareScalars, ReadsIllFormedBytesAsReplacementCharacters)
{
    EXPECT_EQ(compareScalars("a\xFF", "a" + replacement), 0);
    EXPECT_TRUE(canonicallyEqual("\xC3", replacement));
    EXPECT_GT(compareScalars("\xFF", "z"), 0);
}

TEST(Lowercased, MapsNonAsciiCapitalsWithTheDefaultMapping)
{
    EXPECT_EQ(lowercased("\xC3\x89MILE"), "\xC3\xA9mile"); // ÉMILE
    EXPECT_EQ(lowercased("E\xCC\x81MILE"), "e\xCC\x81mile");
    // Full mapping, no Turkish rule: İ (U+0130) becomes i + U+0307; plain I becomes i.
    EXPECT_EQ(lowercased("\xC4\xB0stanbul"), "i\xCC\x87stanbul");
    EXPECT_EQ(lowercased("ISTANBUL"), "istanbul");
    // ß has no lower-case change.
    EXPECT_EQ(lowercased("Stra\xC3\x9F"
                         "e"),
              "stra\xC3\x9F"
              "e");
    // Final sigma is part of the default mapping: ΟΔΟΣ -> οδος.
    EXPECT_EQ(lowercased("\xCE\x9F\xCE\x94\xCE\x9F\xCE\xA3"), "\xCE\xBF\xCE\xB4\xCE\xBF\xCF\x82");
}

TEST(Lowercased, ChangesOnlyAsciiCapitalsInAsciiText)
{
    EXPECT_EQ(lowercased("Anna.Smith+Tag@Example.COM"), "anna.smith+tag@example.com");
    EXPECT_EQ(lowercased("[]@^_`{}"), "[]@^_`{}");
    EXPECT_EQ(lowercased(""), "");
}

TEST(Lowercased, ReadsIllFormedBytesAsReplacementCharacters)
{
    EXPECT_EQ(lowercased("AB\xC3("), "ab" + replacement + "(");
    EXPECT_EQ(lowercased("\xF0\x9F\x98"), replacement);
}

TEST(LowercasedComposed, GivesOneFormForCanonicallyEquivalentSpellings)
{
    const std::string expected = "\xC3\xBC"
                                 "ber@example.org"; // "über"
    EXPECT_EQ(common::lowercasedComposed("\xC3\x9C"
                                         "ber@Example.org"),
              expected);
    EXPECT_EQ(common::lowercasedComposed("U\xCC\x88"
                                         "ber@Example.org"),
              expected);
    EXPECT_EQ(common::lowercasedComposed("u\xCC\x88"
                                         "BER@EXAMPLE.ORG"),
              expected);
    EXPECT_EQ(common::lowercasedComposed("\xE2\x84\xAA"), "k"); // KELVIN SIGN lower-cases to ASCII
    EXPECT_EQ(common::lowercasedComposed("Anna@Example.COM"), "anna@example.com");
}

TEST(TrimWhiteSpaceAndNewlines, RemovesUnicodeWhiteSpaceAtBothEndsOnly)
{
    EXPECT_EQ(trimWhiteSpaceAndNewlines(" \t\r\n Anna  Smith \n"), "Anna  Smith");
    // NO-BREAK SPACE, IDEOGRAPHIC SPACE, NEXT LINE and LINE SEPARATOR count as white space.
    EXPECT_EQ(trimWhiteSpaceAndNewlines("\xC2\xA0\xE3\x80\x80"
                                        "Ana\xC2\x85\xE2\x80\xA8"),
              "Ana");
    EXPECT_EQ(trimWhiteSpaceAndNewlines("\xC2\xA0 \xE3\x80\x80"), "");
    EXPECT_EQ(trimWhiteSpaceAndNewlines(""), "");
    // ZERO WIDTH SPACE is not White_Space.
    EXPECT_EQ(trimWhiteSpaceAndNewlines("\xE2\x80\x8B"
                                        "x"),
              "\xE2\x80\x8B"
              "x");
    EXPECT_EQ(trimWhiteSpaceAndNewlines(" \xC3\xA9 "), "\xC3\xA9");
}

TEST(TrimWhiteSpaceAndNewlines, KeepsRepairedIllFormedBytes)
{
    EXPECT_EQ(trimWhiteSpaceAndNewlines(" \xFF "), replacement);
    EXPECT_EQ(trimWhiteSpaceAndNewlines("\xE3\x80 x"), replacement + " x");
}

TEST(Uppercased, UsesTheLocaleIndependentMapping)
{
    EXPECT_EQ(common::uppercased("Most messages"), "MOST MESSAGES");
    EXPECT_EQ(common::uppercased("istanbul \xC3\x9F"), "ISTANBUL SS"); // no Turkish dotted I
}
