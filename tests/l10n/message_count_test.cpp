#include "l10n/message_count.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

using l10n::messageCountText;
using l10n::numberRegionFromEnvironment;

TEST(MessageCountText, SingularIsForExactlyOneOutsideFrench)
{
    EXPECT_EQ(messageCountText(1, "en", "en_US"), "1 message");
    EXPECT_EQ(messageCountText(0, "en", "en_US"), "0 messages");
    EXPECT_EQ(messageCountText(2, "en", "en_US"), "2 messages");
    EXPECT_EQ(messageCountText(1, "de", "de_DE"), "1 Nachricht");
    EXPECT_EQ(messageCountText(0, "de", "de_DE"), "0 Nachrichten");
    EXPECT_EQ(messageCountText(1, "it", "it_IT"), "1 messaggio");
    EXPECT_EQ(messageCountText(3, "es", "es_ES"), "3 mensajes");
    EXPECT_EQ(messageCountText(1, "pt-PT", "pt_PT"), "1 mensagem");
    EXPECT_EQ(messageCountText(0, "pt-BR", "pt_BR"), "0 mensagens");
}

TEST(MessageCountText, FrenchSingularCoversZeroAndOne)
{
    EXPECT_EQ(messageCountText(0, "fr", "fr_FR"), "0 message");
    EXPECT_EQ(messageCountText(1, "fr", "fr_FR"), "1 message");
    EXPECT_EQ(messageCountText(2, "fr", "fr_FR"), "2 messages");
}

TEST(MessageCountText, TurkishUsesOneFormForEveryCount)
{
    EXPECT_EQ(messageCountText(1, "tr", "tr_TR"), "1 mesaj");
    EXPECT_EQ(messageCountText(2, "tr", "tr_TR"), "2 mesaj");
}

TEST(MessageCountText, UnknownLanguageUsesEnglishForms)
{
    EXPECT_EQ(messageCountText(1, "ja", "C"), "1 message");
    EXPECT_EQ(messageCountText(3, "", "C"), "3 messages");
}

TEST(MessageCountText, GroupingFollowsTheNumberRegionNotTheLanguage)
{
    EXPECT_EQ(messageCountText(1234, "en", "en_US"), "1,234 messages");
    EXPECT_EQ(messageCountText(1234, "en", "de_DE"), "1.234 messages");
    EXPECT_EQ(messageCountText(1234, "de", "en_US.UTF-8"), "1,234 Nachrichten");
    EXPECT_EQ(messageCountText(1234, "de", "de_DE.UTF-8@euro"), "1.234 Nachrichten");
    // French groups with a narrow no-break space, U+202F.
    EXPECT_EQ(messageCountText(1234, "fr", "fr_FR.UTF-8"), "1\u202F234 messages");
    EXPECT_EQ(messageCountText(1234567, "en", "de-DE"), "1.234.567 messages");
}

TEST(MessageCountText, PosixRegionHasNoGrouping)
{
    for (const char *region : {"C", "POSIX", "C.UTF-8", ""})
        EXPECT_EQ(messageCountText(1234, "en", region), "1234 messages") << region;
}

TEST(MessageCountText, ExtremeCountsAreFormattedWhole)
{
    EXPECT_EQ(messageCountText(std::numeric_limits<std::int64_t>::min(), "en", "en_US"),
              "-9,223,372,036,854,775,808 messages");
    EXPECT_EQ(messageCountText(std::numeric_limits<std::int64_t>::max(), "en", "C"), "9223372036854775807 messages");
}

TEST(NumberRegionFromEnvironment, LcAllThenLcNumericThenLang)
{
    EXPECT_EQ(numberRegionFromEnvironment("fr_FR.UTF-8", "de_DE.UTF-8", "en_US.UTF-8"), "fr_FR");
    EXPECT_EQ(numberRegionFromEnvironment(nullptr, "de_DE.UTF-8", "en_US.UTF-8"), "de_DE");
    EXPECT_EQ(numberRegionFromEnvironment("", "", "en_US.UTF-8"), "en_US");
    EXPECT_EQ(numberRegionFromEnvironment("C", "de_DE.UTF-8", "en_US.UTF-8"), "C");
    EXPECT_EQ(numberRegionFromEnvironment(nullptr, "de_DE@euro", nullptr), "de_DE");
}

TEST(NumberRegionFromEnvironment, NothingSetMeansThePosixLocale)
{
    EXPECT_EQ(numberRegionFromEnvironment(nullptr, nullptr, nullptr), "C");
    EXPECT_EQ(messageCountText(1234, "en", numberRegionFromEnvironment(nullptr, "", nullptr)), "1234 messages");
}
