#include "l10n/date_time.h"
#include "l10n/month_year.h"

#include <gtest/gtest.h>

#include <chrono>

namespace
{

common::Instant utc(int year, unsigned month, unsigned day)
{
    const auto date =
        std::chrono::sys_days(std::chrono::year(year) / std::chrono::month(month) / std::chrono::day(day));
    return common::Instant(std::chrono::duration<double>(date.time_since_epoch()));
}

} // namespace

TEST(MonthYearFormatter, FollowsTheRegionsWordsAndOrder)
{
    EXPECT_EQ(l10n::MonthYearFormatter("en_US.UTF-8", "UTC").format(utc(2021, 3, 15)), "Mar 2021");
    EXPECT_EQ(l10n::MonthYearFormatter("C", "UTC").format(utc(2021, 3, 15)), "Mar 2021");
    EXPECT_EQ(l10n::MonthYearFormatter("de_DE", "UTC").format(utc(2021, 3, 15)), "M\xC3\xA4rz 2021");
    // Year first in Japanese regions.
    EXPECT_EQ(l10n::MonthYearFormatter("ja_JP", "UTC").format(utc(2021, 3, 15)),
              "2021\xE5\xB9\xB4"
              "3\xE6\x9C\x88");
}

TEST(MonthYearFormatter, UsesItsTimeZone)
{
    // 2021-03-31 23:30 UTC is already April in Berlin.
    const common::Instant lateMarch = utc(2021, 3, 31) + std::chrono::minutes(23 * 60 + 30);
    EXPECT_EQ(l10n::MonthYearFormatter("en_US", "UTC").format(lateMarch), "Mar 2021");
    EXPECT_EQ(l10n::MonthYearFormatter("en_US", "Europe/Berlin").format(lateMarch), "Apr 2021");
}

TEST(DateRegion, FollowsLcAllThenLcTimeThenLang)
{
    EXPECT_EQ(l10n::dateRegionFromEnvironment("fr_FR.UTF-8", "de_DE.UTF-8", "en_US.UTF-8"), "fr_FR");
    EXPECT_EQ(l10n::dateRegionFromEnvironment("", "de_DE@euro", "en_US.UTF-8"), "de_DE");
    EXPECT_EQ(l10n::dateRegionFromEnvironment(nullptr, nullptr, "en_GB.UTF-8"), "en_GB");
    EXPECT_EQ(l10n::dateRegionFromEnvironment(nullptr, nullptr, nullptr), "C");
}

TEST(DateTimeText, FollowsTheLanguageNotTheCLocale)
{
    const auto instant = common::instantFromUnixSeconds(1710000000); // 2024-03-09 16:00 UTC
    EXPECT_EQ(l10n::dateTimeText(instant, "de", "UTC"), "09.03.2024, 16:00");
    EXPECT_EQ(l10n::dateTimeText(instant, "en", "UTC"), "Mar 9, 2024, 4:00\u202fPM");
    EXPECT_EQ(l10n::dateTimeText(instant, "pt-BR", "UTC"), "9 de mar. de 2024, 16:00");
}
