#include "l10n/month_year.h"

#include "common/unicode_string.h"

#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cstdlib>

namespace l10n
{

namespace
{

icu::Locale dateLocale(std::string_view region)
{
    std::string identifier(region.substr(0, region.find_first_of(".@")));
    if (identifier.empty() || identifier == "C" || identifier == "POSIX")
        identifier = "en_US_POSIX";
    icu::Locale locale(identifier.c_str());
    if (locale.isBogus())
        return icu::Locale("en_US_POSIX");
    return locale;
}

} // namespace

MonthYearFormatter::MonthYearFormatter(std::string_view region, std::string_view timeZone)
{
    const icu::Locale locale = dateLocale(region);
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString pattern(u"MMM yyyy");
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(locale, status));
    if (U_SUCCESS(status) && generator) {
        const icu::UnicodeString best = generator->getBestPattern(icu::UnicodeString(u"MMMyyyy"), status);
        if (U_SUCCESS(status) && !best.isEmpty())
            pattern = best;
    }
    status = U_ZERO_ERROR;
    auto format = std::make_unique<icu::SimpleDateFormat>(pattern, locale, status);
    if (U_FAILURE(status))
        return;
    if (!timeZone.empty()) {
        const std::string zone(timeZone);
        format->adoptTimeZone(icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zone)));
    }
    m_pattern = common::utf8From(pattern);
    m_format = std::move(format);
}

MonthYearFormatter::~MonthYearFormatter() = default;
MonthYearFormatter::MonthYearFormatter(MonthYearFormatter &&) noexcept = default;
MonthYearFormatter &MonthYearFormatter::operator=(MonthYearFormatter &&) noexcept = default;

std::string MonthYearFormatter::format(common::Instant instant) const
{
    if (!m_format)
        return {};
    icu::UnicodeString text;
    m_format->format(static_cast<UDate>(common::unixSeconds(instant) * 1000.0), text);
    return common::utf8From(text);
}

std::string dateRegionFromEnvironment(const char *lcAll, const char *lcTime, const char *lang)
{
    for (const char *value : {lcAll, lcTime, lang}) {
        if (value != nullptr && *value != '\0') {
            const std::string_view locale(value);
            return std::string(locale.substr(0, locale.find_first_of(".@")));
        }
    }
    return "C";
}

const MonthYearFormatter &sharedMonthYearFormatter()
{
    static const MonthYearFormatter formatter(
        dateRegionFromEnvironment(std::getenv("LC_ALL"), std::getenv("LC_TIME"), std::getenv("LANG")));
    return formatter;
}

} // namespace l10n
