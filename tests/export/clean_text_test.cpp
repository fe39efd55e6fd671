#include "export/clean_text.h"
#include "reference/clean_text_reference.h"

#include <gtest/gtest.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace
{

std::string utf8(UChar32 c)
{
    std::string out;
    icu::UnicodeString(c).toUTF8String(out);
    return out;
}

// Matches with one reusable ICU matcher; the per-call reference is far too slow for millions of lines.
class IcuReference
{
public:
    bool matches(std::string_view line)
    {
        const bool found = m_pattern.matches(line);
        EXPECT_FALSE(m_pattern.failed()) << line;
        return found;
    }

private:
    reference::IcuTimestampLine m_pattern;
};

std::string referenceClean(std::string_view text)
{
    return reference::cleanWithIcu(text);
}

TEST(CleanMessageText, DropsSurroundingSpacesAndEmptyLines)
{
    EXPECT_EQ(exporter::cleanMessageText("  hello  \r\n\nworld"), "hello\nworld");
    EXPECT_EQ(exporter::cleanMessageText("\n\n  a b  \n\n"), "a b");
    EXPECT_EQ(exporter::cleanMessageText(""), "");
    EXPECT_EQ(exporter::cleanMessageText(" \t \n \r\n \xE3\x80\x80 "), "");
}

TEST(CleanMessageText, TurnsCrLfCrAndLineSeparatorIntoLineFeeds)
{
    EXPECT_EQ(exporter::cleanMessageText("a\r\nb\rc\xE2\x80\xA8"
                                         "d\ne"),
              "a\nb\nc\nd\ne");
    EXPECT_EQ(exporter::cleanMessageText("a\r\r\nb"), "a\nb");
}

TEST(CleanMessageText, KeepsOtherSeparatorsInPlace)
{
    // U+2029, NEL, form feed and vertical tab neither split nor get trimmed.
    EXPECT_EQ(exporter::cleanMessageText("a\xE2\x80\xA9"
                                         "b"),
              "a\xE2\x80\xA9"
              "b");
    EXPECT_EQ(exporter::cleanMessageText(" \xE2\x80\xA9 "), "\xE2\x80\xA9");
    EXPECT_EQ(exporter::cleanMessageText("a\xC2\x85"
                                         "b\x0C"
                                         "c\x0B"),
              "a\xC2\x85"
              "b\x0C"
              "c\x0B");
}

TEST(CleanMessageText, RemovesObjectReplacementCharactersFirst)
{
    EXPECT_EQ(exporter::cleanMessageText("\xEF\xBF\xBC"), "");
    EXPECT_EQ(exporter::cleanMessageText("\xEF\xBF\xBC\xEF\xBF\xBC\n\xEF\xBF\xBC"), "");
    EXPECT_EQ(exporter::cleanMessageText(" \xEF\xBF\xBC hi \xEF\xBF\xBC "), "hi");
    EXPECT_EQ(exporter::cleanMessageText("look\xEF\xBF\xBC here"), "look here");
    // Once U+FFFC is gone, the line reads as a timestamp.
    EXPECT_EQ(exporter::cleanMessageText("Jan\xEF\xBF\xBC 5, 2023  3:04:05 PM"), "> Jan 5, 2023  3:04:05 PM");
}

TEST(CleanMessageText, TrimsTabAndSpaceSeparatorsOnly)
{
    EXPECT_EQ(exporter::cleanMessageText("\t\xC2\xA0x\xC2\xA0\t"), "x"); // NBSP
    EXPECT_EQ(exporter::cleanMessageText("\xE3\x80\x80x\xE3\x80\x80"), "x"); // ideographic space
    EXPECT_EQ(exporter::cleanMessageText("\xE2\x80\x82\xE2\x80\x89x\xE2\x80\xAF\xE1\x9A\x80"),
              "x"); // en, thin, NNBSP, ogham
    EXPECT_EQ(exporter::cleanMessageText("\xE2\x80\x8Bx\xE2\x80\x8B"), "\xE2\x80\x8Bx\xE2\x80\x8B"); // ZWSP is Cf
    EXPECT_EQ(exporter::cleanMessageText("\xEF\xBB\xBFx"), "\xEF\xBB\xBFx"); // BOM is Cf
    EXPECT_EQ(exporter::cleanMessageText("a \xC2\xA0 b"), "a \xC2\xA0 b");
}

TEST(CleanMessageText, KeepsIllFormedBytes)
{
    EXPECT_EQ(exporter::cleanMessageText(" \xFF\xC2 "), "\xFF\xC2");
    EXPECT_EQ(exporter::cleanMessageText("\xE2\x80 x"), "\xE2\x80 x");
    EXPECT_EQ(exporter::cleanMessageText("x \xA0"), "x \xA0"); // a lone trail byte is no NBSP
}

TEST(CleanMessageText, QuotesLinesThatLookLikeTimestampLines)
{
    EXPECT_EQ(exporter::cleanMessageText("Mar 09, 2024  9:15:00 AM\nAnna"), "> Mar 09, 2024  9:15:00 AM\nAnna");
    EXPECT_EQ(exporter::cleanMessageText("   Jan 5, 2023 3:04:05 PM and more"), "> Jan 5, 2023 3:04:05 PM and more");
    EXPECT_EQ(exporter::cleanMessageText("Xyz 1, 0000\t\t12:59:59 PMxyz"), "> Xyz 1, 0000\t\t12:59:59 PMxyz");
    EXPECT_EQ(exporter::cleanMessageText("said Jan 5, 2023 3:04:05 PM"), "said Jan 5, 2023 3:04:05 PM");
    EXPECT_EQ(exporter::cleanMessageText("jan 5, 2023 3:04:05 PM"), "jan 5, 2023 3:04:05 PM");
    EXPECT_EQ(exporter::cleanMessageText("Jan 5, 2023 3:04:05 pm"), "Jan 5, 2023 3:04:05 pm");
    EXPECT_EQ(exporter::cleanMessageText("> Jan 5, 2023 3:04:05 PM"), "> Jan 5, 2023 3:04:05 PM");
}

TEST(CleanMessageText, AppendReportsWhetherItAddedText)
{
    std::string out = "prefix|";

    EXPECT_FALSE(exporter::appendCleanMessageText(out, " \n\xEF\xBF\xBC "));
    EXPECT_TRUE(exporter::appendCleanMessageText(out, " a \n b "));

    EXPECT_EQ(out, "prefix|a\nb");
}

TEST(CleanMessageText, AgreesWithPlainIcuStepsOnRandomTexts)
{
    const std::vector<std::string> pieces = {"a",
                                             "Z",
                                             "hello",
                                             " ",
                                             "  ",
                                             "\t",
                                             "\n",
                                             "\r",
                                             "\r\n",
                                             "\xE2\x80\xA8",
                                             "\xE2\x80\xA9",
                                             "\xEF\xBF\xBC",
                                             "\xC2\xA0",
                                             "\xE3\x80\x80",
                                             "\xE2\x80\x87",
                                             "\xE2\x80\x8B",
                                             "\xC2\x85",
                                             "\x0B",
                                             "\x0C",
                                             "\xF0\x9F\x98\x80",
                                             "Jan 5, 2023 3:04:05 PM",
                                             "Mar 09, 2024  9:15:00 AM",
                                             "Dec 31, 1999\xE3\x80\x80"
                                             "12:00:00 AM",
                                             "Feb",
                                             "\xD9\xA1",
                                             ", ",
                                             ":",
                                             "0",
                                             "12",
                                             "2024"};
    std::mt19937 random(20240309);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 12);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        for (int n = length(random); n > 0; --n)
            text += pieces[pick(random)];

        ASSERT_EQ(exporter::cleanMessageText(text), referenceClean(text)) << "text: " << text;
    }
}

TEST(TimestampLinePattern, IsTheFixedExpression)
{
    std::string source;
    exporter::timestampLinePattern().pattern().toUTF8String(source);

    EXPECT_EQ(source, R"(^[A-Z][a-z]{2} \d{1,2}, \d{4}\s+\d{1,2}:\d{2}:\d{2} [AP]M)");
    EXPECT_EQ(source.size(), 57u);
    EXPECT_EQ(exporter::timestampLinePattern().flags(), 0u);
}

TEST(TimestampLinePattern, IsCreatedOnceAcrossThreads)
{
    std::vector<const icu::RegexPattern *> seen(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] {
            seen[i] = &exporter::timestampLinePattern();
        });
    for (auto &thread : threads)
        thread.join();

    for (const auto *pattern : seen)
        EXPECT_EQ(pattern, &exporter::timestampLinePattern());
}

TEST(MatchesTimestampLine, DecidesKnownLines)
{
    const std::vector<std::pair<std::string, bool>> cases = {
        {"Jan 5, 2023  3:04:05 PM", true},
        {"Jan 05, 2023 3:04:05 AM trailing", true},
        {"Abc 1, 2023\t 1:00:00 PM", true},
        {"Jan 5, 2023 3:04:05 PM", true},
        {"Jan 5, 2023 3:04:05 P", false},
        {"Jan 5 2023 3:04:05 PM", false},
        {"Jan 123, 2023 3:04:05 PM", false},
        {"Jan 5, 202 3:04:05 PM", false},
        {"Jan 5, 20234 3:04:05 PM", false},
        {"Jan 5, 2023 123:04:05 PM", false},
        {"Jan 5, 20233:04:05 PM", false},
        {"Jan 5, 2023 3:4:05 PM", false},
        {"Jan 5, 2023 3:04:05 XM", false},
        {"Jan 5, 2023 3:04:05  PM", false},
        {"JAN 5, 2023 3:04:05 PM", false},
        {"jan 5, 2023 3:04:05 PM", false},
        {" Jan 5, 2023 3:04:05 PM", false},
        {"Jan 5,2023 3:04:05 PM", false},
        {"Ja 5, 2023 3:04:05 PM", false},
        {"Jan  5, 2023 3:04:05 PM", false},
        // Unicode digits and white space count, as in ICU.
        {"Jan \xD9\xA5, \xD9\xA2\xD9\xA0\xD9\xA2\xD9\xA3 \xD9\xA3:\xD9\xA0\xD9\xA4:\xD9\xA0\xD9\xA5 PM", true},
        {"Jan \xEF\xBC\x95, 2023 3:04:05 PM", true}, // full-width 5
        {"Jan \xF0\x9D\x9F\x93, 2023 3:04:05 PM", true}, // mathematical bold 5 (four bytes)
        {"Jan 5, 2023\xC2\xA0\xE2\x80\x87\xE3\x80\x80\xC2\x85\xE2\x80\xA8\xE2\x80\xA9"
         "3:04:05 PM",
         true},
        {"Jan 5, 2023\xE2\x80\x8B"
         "3:04:05 PM",
         false}, // ZWSP is no white space
        {"Jan \xC2\xB2, 2023 3:04:05 PM", false}, // superscript two is No, not Nd
        {"Jan \xE2\x85\xA0, 2023 3:04:05 PM", false}, // Roman numeral one is Nl
        {"Jan 5, 2023 3:04:05\xC2\xA0PM", false}, // the space before AM/PM is literal
        {"\xC3\x84pr 5, 2023 3:04:05 PM", false}, // [A-Z] is ASCII only
        {"Jan \xFF, 2023 3:04:05 PM", false},
        {"Jan 5, 2023\xE2\x80 3:04:05 PM", false},
    };
    IcuReference icu;
    for (const auto &[line, expected] : cases) {
        EXPECT_EQ(exporter::matchesTimestampLine(line), expected) << line;
        EXPECT_EQ(icu.matches(line), expected) << line;
        EXPECT_EQ(exporter::matchesTimestampLineWithIcu(line), expected) << line;
    }
}

// Every code point (and the ill-formed bytes of each surrogate) in every slot of the expression.
TEST(MatchesTimestampLine, AgreesWithIcuForEveryCodePointInEverySlot)
{
    const std::string line = "Jan 5, 2023 3:04:05 PM";
    std::vector<std::size_t> slots;
    for (std::size_t i = 0; i < line.size(); ++i)
        slots.push_back(i);
    IcuReference icu;
    std::size_t mismatches = 0;
    for (UChar32 c = 0; c <= 0x10FFFF && mismatches < 5; ++c) {
        std::string encoded;
        if (U_IS_SURROGATE(c)) {
            encoded = {static_cast<char>(0xED), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                       static_cast<char>(0x80 | (c & 0x3F))};
        } else {
            encoded = utf8(c);
        }
        // Only code points whose class could matter anywhere are tried in every slot; the rest,
        // which are neither ASCII, digits nor white space, replace the first \d and the \s and
        // join the \s run.
        const bool interesting = c < 0x80 || u_charType(c) == U_DECIMAL_DIGIT_NUMBER || u_isUWhiteSpace(c)
            || u_isspace(c) || u_isdigit(c) || u_hasBinaryProperty(c, UCHAR_POSIX_BLANK);
        const std::vector<std::size_t> tried = interesting ? slots : std::vector<std::size_t>{4, 11};
        for (const std::size_t slot : tried) {
            for (const bool insert : {false, true}) {
                if (!interesting && insert && slot == 4)
                    continue;
                std::string candidate = line;
                if (insert)
                    candidate.insert(slot, encoded);
                else
                    candidate.replace(slot, 1, encoded);
                if (exporter::matchesTimestampLine(candidate) != icu.matches(candidate)) {
                    ++mismatches;
                    ADD_FAILURE() << "U+" << std::hex << c << " slot " << std::dec << slot << " insert " << insert;
                }
            }
        }
    }
}

TEST(MatchesTimestampLine, AgreesWithIcuOnRandomNearMisses)
{
    const std::vector<std::string> alphabet = {"0",
                                               "1",
                                               "5",
                                               "9",
                                               " ",
                                               "  ",
                                               ",",
                                               ":",
                                               "A",
                                               "P",
                                               "M",
                                               "J",
                                               "a",
                                               "n",
                                               "x",
                                               "\t",
                                               "\n",
                                               "\r",
                                               "\x0B",
                                               "\x0C",
                                               "\x1C",
                                               "\x1F",
                                               "\xD9\xA3",
                                               "\xDB\xB4",
                                               "\xEF\xBC\x91",
                                               "\xE0\xA5\xAA",
                                               "\xF0\x9D\x9F\x8E",
                                               "\xC2\xA0",
                                               "\xE2\x80\x87",
                                               "\xE3\x80\x80",
                                               "\xC2\x85",
                                               "\xE2\x80\xA8",
                                               "\xE2\x80\xA9",
                                               "\xE1\xA0\x8E",
                                               "\xE2\x80\x8B",
                                               "\xEF\xBB\xBF",
                                               "\xC2\xB2",
                                               "\xFF",
                                               "\xE2\x80",
                                               "\xF0\x9F\x98\x80",
                                               "\xEF\xBF\xBD"};
    const std::vector<std::string> seeds = {"Jan 5, 2023 3:04:05 PM", "Dec 31, 1999  12:00:00 AM",
                                            "Mar 09, 2024\t9:15:00 AM!", "Zzz 1, 0000 1:00:00 PM"};
    std::mt19937 random(4242);
    std::uniform_int_distribution<std::size_t> pickSymbol(0, alphabet.size() - 1);
    std::uniform_int_distribution<std::size_t> pickSeed(0, seeds.size() - 1);
    std::uniform_int_distribution<int> pickEdit(0, 2);
    std::uniform_int_distribution<int> pickEdits(1, 3);
    IcuReference icu;
    int matched = 0;
    for (int i = 0; i < 200000; ++i) {
        std::string line = seeds[pickSeed(random)];
        for (int edits = pickEdits(random); edits > 0; --edits) {
            const std::size_t at = std::uniform_int_distribution<std::size_t>(0, line.size())(random);
            const int edit = pickEdit(random);
            if (edit == 0 && at < line.size())
                line.erase(at, 1);
            else if (edit == 1 && at < line.size())
                line.replace(at, 1, alphabet[pickSymbol(random)]);
            else
                line.insert(at, alphabet[pickSymbol(random)]);
        }

        const bool expected = icu.matches(line);
        ASSERT_EQ(exporter::matchesTimestampLine(line), expected) << "line: " << line;
        matched += expected ? 1 : 0;
    }
    // Both outcomes must be well represented for the comparison to mean anything.
    EXPECT_GT(matched, 10000);
    EXPECT_LT(matched, 190000);
}

} // namespace
