#include "l10n/message_count.h"
#include "l10n/strings.h"
#include "ui/list_rules.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <chrono>

using catalogue::Conversation;
using uitest::conversation;

namespace
{

std::vector<std::string> titlesMatching(const std::vector<Conversation> &all, std::string_view query)
{
    std::vector<std::string> titles;
    for (const std::size_t position : ui::filterConversations(all, query))
        titles.push_back(all[position].title);
    return titles;
}

common::Instant utc(int year, unsigned month, unsigned day)
{
    const auto date =
        std::chrono::sys_days(std::chrono::year(year) / std::chrono::month(month) / std::chrono::day(day));
    return common::Instant(std::chrono::duration<double>(date.time_since_epoch()));
}

} // namespace

TEST(SearchFilter, QueryOfOnlySpacesShowsEveryConversation)
{
    const std::vector<Conversation> all = {conversation("Anna Smith", 120), conversation("Bob", 5)};
    EXPECT_EQ(titlesMatching(all, "   \t "), (std::vector<std::string>{"Anna Smith", "Bob"}));
    EXPECT_EQ(titlesMatching(all, ""), (std::vector<std::string>{"Anna Smith", "Bob"}));
}

TEST(SearchFilter, TitleAndMembersMatchWithoutRegardToCase)
{
    const std::vector<Conversation> all = {
        conversation("Anna Smith", 120),
        conversation("Book club", 300, {"Bob", "Anna"}, {"+15550001", "+15550002"}, true),
        conversation("Carl", 50, {"Carl"}, {"carl@example.com"}),
    };
    EXPECT_EQ(titlesMatching(all, "ANNA"), (std::vector<std::string>{"Anna Smith", "Book club"}));
    EXPECT_EQ(titlesMatching(all, "anna"), (std::vector<std::string>{"Anna Smith", "Book club"}));
    EXPECT_EQ(titlesMatching(all, "  CARL@EXAMPLE  "), (std::vector<std::string>{"Carl"}));
}

TEST(SearchFilter, QueryIsTrimmedOfHorizontalSpaceOnly)
{
    const std::vector<Conversation> all = {conversation("Anna", 120)};
    // A no-break space (Zs) is trimmed; a line break is part of the query and matches nothing.
    EXPECT_EQ(titlesMatching(all,
                             "\xC2\xA0"
                             "anna\t"),
              (std::vector<std::string>{"Anna"}));
    EXPECT_TRUE(titlesMatching(all, "anna\n").empty());
}

TEST(SearchFilter, DigitRuleStartsAtThreeDigits)
{
    const std::vector<Conversation> all = {
        conversation("First", 120, {}, {"+1234"}),
        conversation("Second", 120, {}, {"+1-123-555"}),
        conversation("Third", 120, {}, {"+1 (555) 123-4567"}),
        conversation("Fourth", 120, {}, {"+1-2"}),
    };
    // Two digits: text only, so "+1-2" (digits 12) stays out.
    EXPECT_EQ(titlesMatching(all, "12"), (std::vector<std::string>{"First", "Second", "Third"}));
    // "(123)" is in no handle's text, but its digits 123 are in the digits of three of them.
    EXPECT_EQ(titlesMatching(all, "(123)"), (std::vector<std::string>{"First", "Second", "Third"}));
    // "555 12" finds +1 (555) 123-4567 through its digits 15551234567.
    EXPECT_EQ(titlesMatching(all, "555 12"), (std::vector<std::string>{"Third"}));
    // "55" matches handles only as text.
    EXPECT_EQ(titlesMatching(all, "55"), (std::vector<std::string>{"Second", "Third"}));
}

TEST(SearchFilter, ComposedQueryFindsDecomposedTitleButNotPlainLetter)
{
    const std::vector<Conversation> all = {conversation("Ame\xCC\x81lie", 120)}; // e + combining acute
    EXPECT_EQ(titlesMatching(all, "am\xC3\xA9"), (std::vector<std::string>{"Ame\xCC\x81lie"}));
    EXPECT_TRUE(titlesMatching(all, "amel").empty());
}

TEST(SearchFilter, IndexedSearchAgreesWithDirectFilterAndKeepsOrder)
{
    const std::vector<Conversation> all = {
        conversation("Zoe", 500, {}, {"+4915112345678"}),
        conversation("Anna", 300, {"Anna"}, {"anna@example.com"}),
        conversation("Family", 200, {"Zoe", "Anna"}, {"+4915112345678", "anna@example.com"}, true),
    };
    const ui::ConversationSearch search(all);
    for (const std::string_view query : {"", "an", "ZOE", "151 123", "example", "nobody"})
        EXPECT_EQ(search.filter(query), ui::filterConversations(all, query)) << query;
    EXPECT_EQ(search.filter("anna"), (std::vector<std::size_t>{1, 2}));
}

TEST(FindConversation, LooksInTheWholeListByID)
{
    const std::vector<Conversation> all = {conversation("Anna", 120), conversation("Bob", 99)};
    EXPECT_EQ(ui::findConversation(all, all[1].id), &all[1]);
    EXPECT_EQ(ui::findConversation(all, std::string("gone")), nullptr);
    EXPECT_EQ(ui::findConversation(all, std::nullopt), nullptr);
}

TEST(AvatarInitials, FollowTheTitleRules)
{
    EXPECT_EQ(ui::avatarInitials(conversation("+49 151 123", 1)), "#");
    EXPECT_EQ(ui::avatarInitials(conversation("5551234", 1)), "#");
    EXPECT_EQ(ui::avatarInitials(conversation("\xD9\xA3"
                                              "abc",
                                              1)),
              "#"); // Arabic-Indic digit three
    EXPECT_EQ(ui::avatarInitials(conversation("\xC3\xA9mile", 1)), "\xC3\x89"); // émile gives É
    EXPECT_EQ(ui::avatarInitials(conversation("e\xCC\x81mile", 1)), "E\xCC\x81"); // keeps its mark
    EXPECT_EQ(ui::avatarInitials(conversation("  anna", 1)), "A");
    EXPECT_EQ(ui::avatarInitials(conversation("\xC3\x9F", 1)), "SS"); // full upper-case mapping
    EXPECT_EQ(ui::avatarInitials(conversation("", 1)), "?");
    EXPECT_EQ(ui::avatarInitials(conversation(" \t ", 1)), "?");
    EXPECT_EQ(ui::avatarInitials(conversation("Family", 1, {}, {}, true)), "\xF0\x9F\x91\xA5");
}

TEST(AvatarColor, SeventhRowRepeatsTheFirst)
{
    EXPECT_EQ(ui::avatarColorIndex(6), ui::avatarColorIndex(0));
    EXPECT_EQ(ui::avatarColorIndex(5), 5u);
}

TEST(RowSubtitle, JoinsCountAndRangeLeavingOutWhatIsMissing)
{
    const l10n::MonthYearFormatter format("en_US", "UTC");
    EXPECT_EQ(ui::dateRangeText(utc(2021, 3, 1), utc(2024, 6, 30), format), "Mar 2021 - Jun 2024");
    EXPECT_EQ(ui::dateRangeText(utc(2021, 3, 1), utc(2021, 3, 31), format), "Mar 2021");
    EXPECT_EQ(ui::dateRangeText(std::nullopt, utc(2021, 3, 31), format), "");
    EXPECT_EQ(ui::dateRangeText(utc(2021, 3, 1), std::nullopt, format), "");

    EXPECT_EQ(ui::rowSubtitle("12 messages", "Mar 2021"), "12 messages \xC2\xB7 Mar 2021");
    EXPECT_EQ(ui::rowSubtitle("12 messages", ""), "12 messages");

    Conversation sameMonth = conversation("Anna", 12);
    sameMonth.first = utc(2021, 3, 2);
    sameMonth.last = utc(2021, 3, 30);
    EXPECT_EQ(ui::rowSubtitle(sameMonth, format), l10n::messageCountText(12) + " \xC2\xB7 Mar 2021");
    const Conversation undated = conversation("Bob", 3);
    EXPECT_EQ(ui::rowSubtitle(undated, format), l10n::messageCountText(3));
}

TEST(ExportButton, EnabledOnlyForAnExportableSelectionWhileNothingRuns)
{
    const Conversation ninetyNine = conversation("Short", 99);
    const Conversation hundred = conversation("Long", 100);
    EXPECT_FALSE(ui::isExportButtonEnabled(nullptr, false));
    EXPECT_FALSE(ui::isExportButtonEnabled(&ninetyNine, false));
    EXPECT_TRUE(ui::isExportButtonEnabled(&hundred, false));
    EXPECT_FALSE(ui::isExportButtonEnabled(&hundred, true));
}

TEST(ExportButton, LabelNamesTheSelectionOrTheRunningExport)
{
    const Conversation anna = conversation("Anna", 150);
    EXPECT_EQ(ui::exportButtonLabel(nullptr, false), l10n::exportButton());
    EXPECT_EQ(ui::exportButtonLabel(&anna, false), l10n::exportButton() + ": Anna");
    EXPECT_EQ(ui::exportButtonLabel(&anna, true), l10n::exporting());
    EXPECT_EQ(ui::exportButtonLabel(nullptr, true), l10n::exporting());
}
