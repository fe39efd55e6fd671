#include "export/timestamp.h"

#include <gtest/gtest.h>
#include <unicode/basictz.h>
#include <unicode/timezone.h>
#include <unicode/tztrans.h>

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{

using common::instantFromUnixSeconds;

// Unix seconds of a UTC civil time, for readable test instants.
double utcSeconds(int year, unsigned month, unsigned day, int hour = 0, int minute = 0, double second = 0)
{
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(y - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const double days = static_cast<double>(era) * 146097 + dayOfEra - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

std::string formatIn(std::string_view zone, double seconds)
{
    exporter::TimestampFormatter formatter(zone);
    return formatter.format(instantFromUnixSeconds(seconds));
}

const std::vector<std::string> zones = {"UTC",
                                        "America/New_York",
                                        "Europe/Berlin",
                                        "Australia/Lord_Howe",
                                        "Asia/Kathmandu",
                                        "Europe/Amsterdam",
                                        "Europe/Dublin",
                                        "Pacific/Chatham",
                                        "America/St_Johns",
                                        "Pacific/Apia",
                                        "Pacific/Kiritimati",
                                        "Africa/Casablanca",
                                        "Antarctica/Troll",
                                        "America/Sao_Paulo",
                                        "Asia/Tehran",
                                        "Europe/Moscow",
                                        "Etc/GMT+12",
                                        "GMT+05:30",
                                        "Africa/Monrovia",
                                        "America/Caracas"};

// Compares the fast path with ICU's SimpleDateFormat over the given instants; reports the first few
// differences with the zone and the exact value.
void expectSameAsIcu(const std::string &zone, const std::vector<double> &seconds)
{
    exporter::TimestampFormatter fast(zone);
    exporter::TimestampFormatter reference(zone);
    int failures = 0;
    for (const double value : seconds) {
        const auto instant = instantFromUnixSeconds(value);
        const std::string expected = reference.formatWithIcu(instant);
        const std::string actual = fast.format(instant);
        if (actual != expected && ++failures <= 5) {
            ADD_FAILURE() << zone << " at " << std::setprecision(17) << value << " s: fast \"" << actual << "\", ICU \""
                          << expected << "\"";
        }
    }
    EXPECT_EQ(failures, 0) << zone;
}

TEST(TimestampFormatter, WritesTheExportsLineFormat)
{
    EXPECT_EQ(formatIn("UTC", utcSeconds(2023, 1, 5, 15, 4, 5)), "Jan 05, 2023  3:04:05 PM");
    EXPECT_EQ(formatIn("UTC", utcSeconds(2024, 3, 9, 11, 30, 0)), "Mar 09, 2024  11:30:00 AM");
    EXPECT_EQ(formatIn("UTC", utcSeconds(2024, 3, 9, 0, 0, 0)), "Mar 09, 2024  12:00:00 AM");
    EXPECT_EQ(formatIn("UTC", utcSeconds(2024, 3, 9, 12, 0, 0)), "Mar 09, 2024  12:00:00 PM");
    EXPECT_EQ(formatIn("UTC", utcSeconds(2024, 9, 30, 23, 59, 59)), "Sep 30, 2024  11:59:59 PM");
}

TEST(TimestampFormatter, FollowsItsZone)
{
    const double instant = utcSeconds(2024, 3, 9, 14, 15, 0);

    EXPECT_EQ(formatIn("America/New_York", instant), "Mar 09, 2024  9:15:00 AM");
    EXPECT_EQ(formatIn("Europe/Berlin", instant), "Mar 09, 2024  3:15:00 PM");
    EXPECT_EQ(formatIn("Asia/Kathmandu", instant), "Mar 09, 2024  8:00:00 PM");
    EXPECT_EQ(formatIn("Australia/Lord_Howe", utcSeconds(2024, 1, 1)), "Jan 01, 2024  11:00:00 AM");
    EXPECT_EQ(formatIn("Australia/Lord_Howe", utcSeconds(2024, 7, 1)), "Jul 01, 2024  10:30:00 AM");
    EXPECT_EQ(formatIn("No/Such_Zone", instant), "Mar 09, 2024  2:15:00 PM");
}

TEST(TimestampFormatter, DefaultsToIcusDefaultZone)
{
    const std::unique_ptr<icu::TimeZone> saved(icu::TimeZone::createDefault());
    const std::unique_ptr<icu::TimeZone> tokyo(icu::TimeZone::createTimeZone("Asia/Tokyo"));
    icu::TimeZone::setDefault(*tokyo);
    exporter::TimestampFormatter formatter;
    icu::TimeZone::setDefault(*saved);

    icu::UnicodeString id;
    EXPECT_EQ(formatter.zone().getID(id), u"Asia/Tokyo");
    EXPECT_EQ(formatter.format(instantFromUnixSeconds(utcSeconds(2024, 3, 9))), "Mar 09, 2024  9:00:00 AM");
}

TEST(TimestampFormatter, TruncatesFractionsTowardThePast)
{
    EXPECT_EQ(formatIn("UTC", utcSeconds(2024, 3, 9, 9, 15, 59.9999)), "Mar 09, 2024  9:15:59 AM");
    EXPECT_EQ(formatIn("UTC", -0.0001), "Dec 31, 1969  11:59:59 PM");
    EXPECT_EQ(formatIn("UTC", -0.0000001), "Dec 31, 1969  11:59:59 PM");
    EXPECT_EQ(formatIn("UTC", utcSeconds(2024, 1, 1) - 0.5), "Dec 31, 2023  11:59:59 PM");
}

TEST(TimestampFormatter, HandlesTheWholeRangeOfStoredDates)
{
    const double reference = utcSeconds(2001, 1, 1);

    EXPECT_EQ(formatIn("UTC", reference + 1), "Jan 01, 2001  12:00:01 AM");
    EXPECT_EQ(formatIn("UTC", reference + 10'000'000'000.0), "Nov 21, 2317  5:46:40 PM");
    EXPECT_EQ(formatIn("UTC", reference + static_cast<double>(std::numeric_limits<int64_t>::max()) / 1e9),
              "Apr 11, 2293  11:47:16 PM");
}

TEST(TimestampFormatter, HandsUnusualYearsToIcu)
{
    // Before the Gregorian cutover ICU counts Julian dates; beyond 9999 the year has five digits.
    expectSameAsIcu("UTC",
                    {utcSeconds(1582, 10, 15), utcSeconds(1582, 10, 14), utcSeconds(1, 1, 1), utcSeconds(0, 6, 1),
                     utcSeconds(-5000, 1, 1), utcSeconds(9999, 12, 31, 23, 59, 59), utcSeconds(10000, 1, 1),
                     utcSeconds(318000, 1, 1), 1.2e10, -1.2e10, 2.5e11, -1.2e10 - 1e-3, 2.5e11 - 1e-3, 1e15});
    EXPECT_EQ(formatIn("UTC", utcSeconds(10000, 1, 1)), "Jan 01, 10000  12:00:00 AM");
    EXPECT_EQ(formatIn("UTC", utcSeconds(987, 6, 5)).substr(8, 4), "0987");
}

TEST(TimestampFormatter, WritesNanAsTheEpoch)
{
    EXPECT_EQ(formatIn("UTC", std::numeric_limits<double>::quiet_NaN()), "Jan 01, 1970  12:00:00 AM");
    expectSameAsIcu("Europe/Berlin",
                    {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity()});
}

TEST(TimestampFormatter, MatchesIcuAroundEveryTransition)
{
    // Offsets around each transition from 1850 to 2350, in milliseconds; historical transitions
    // (local mean time, with seconds in the offset) included.
    const std::vector<double> nudges = {-86400000.0, -3600000.0, -1800000.0, -1001.0,   -1000.0,   -999.999,
                                        -1.0,        -0.5,       -0.000001,  0.0,       0.000001,  0.5,
                                        999.0,       1000.0,     1000.5,     3600000.0, 86400000.0};
    for (const auto &zone : zones) {
        const std::unique_ptr<icu::TimeZone> tz(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zone)));
        const auto *basic = dynamic_cast<const icu::BasicTimeZone *>(tz.get());
        std::vector<double> seconds;
        double at = utcSeconds(1850, 1, 1) * 1000.0;
        icu::TimeZoneTransition transition;
        while (basic && basic->getNextTransition(at, false, transition)
               && transition.getTime() < utcSeconds(2350, 1, 1) * 1000.0) {
            at = transition.getTime();
            for (const double nudge : nudges)
                seconds.push_back((at + nudge) / 1000.0);
        }
        if (zone != "UTC" && zone != "Etc/GMT+12" && zone != "GMT+05:30") {
            EXPECT_GE(seconds.size(), 2 * nudges.size()) << zone;
        }

        expectSameAsIcu(zone, seconds);
    }
}

TEST(TimestampFormatter, MatchesIcuInLocalMeanTime)
{
    // Before standard time, offsets carry seconds (New York -4:56:02, Amsterdam +0:19:32 or
    // Brussels +0:17:30 depending on the data); the fast path must use them to the second.
    std::vector<double> seconds;
    for (int year = 1590; year < 1960; year += 7)
        seconds.push_back(utcSeconds(year, 1 + year % 12, 1 + year % 28, year % 24, year % 60, 59.5));
    for (const auto &zone : zones)
        expectSameAsIcu(zone, seconds);
    EXPECT_EQ(formatIn("America/New_York", utcSeconds(1850, 1, 1, 12, 0, 0)), "Jan 01, 1850  7:03:58 AM");
}

TEST(TimestampFormatter, MatchesIcuOnRandomInstantsInOrderAndShuffled)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> anyYear(utcSeconds(1583, 1, 1), utcSeconds(9999, 12, 31));
    std::uniform_real_distribution<double> storedRange(utcSeconds(1970, 1, 1), utcSeconds(2320, 1, 1));
    std::uniform_int_distribution<int> fraction(0, 3);
    for (const auto &zone : zones) {
        std::vector<double> seconds;
        for (int i = 0; i < 3000; ++i) {
            double value = i % 3 == 0 ? anyYear(random) : storedRange(random);
            switch (fraction(random)) {
            case 0:
                value = std::floor(value);
                break;
            case 1:
                value = std::floor(value) + 0.9999;
                break;
            case 2:
                value = std::floor(value * 1000.0) / 1000.0;
                break;
            default:
                break;
            }
            seconds.push_back(value);
        }
        expectSameAsIcu(zone, seconds);

        std::sort(seconds.begin(), seconds.end());
        expectSameAsIcu(zone, seconds);
    }
}

TEST(TimestampFormatter, MatchesIcuSecondBySecondAcrossADaylightSavingDay)
{
    // Every second of the days on which New York and Lord Howe change their clocks, in order,
    // as an export of a busy conversation would ask.
    std::vector<double> seconds;
    for (const double start : {utcSeconds(2024, 3, 10), utcSeconds(2024, 11, 3)}) {
        for (int s = 0; s < 2 * 86400; s += 7)
            seconds.push_back(start + s + (s % 2 ? 0.999 : 0.0));
    }
    expectSameAsIcu("America/New_York", seconds);
    seconds.clear();
    for (const double start : {utcSeconds(2024, 4, 6), utcSeconds(2024, 10, 5)}) {
        for (int s = 0; s < 86400; s += 5)
            seconds.push_back(start + s);
    }
    expectSameAsIcu("Australia/Lord_Howe", seconds);
}

TEST(TimestampFormatter, AppendsToTheGivenText)
{
    exporter::TimestampFormatter formatter("UTC");
    std::string out = "x";

    formatter.append(out, instantFromUnixSeconds(utcSeconds(2023, 1, 5, 15, 4, 5)));
    formatter.append(out, instantFromUnixSeconds(utcSeconds(2023, 1, 6, 1, 0, 0)));

    EXPECT_EQ(out, "xJan 05, 2023  3:04:05 PMJan 06, 2023  1:00:00 AM");
}

} // namespace
