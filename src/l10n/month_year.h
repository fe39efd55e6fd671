#pragma once

#include "common/instant.h"

#include <unicode/uversion.h>

#include <memory>
#include <string>
#include <string_view>

U_NAMESPACE_BEGIN
class SimpleDateFormat;
U_NAMESPACE_END

namespace l10n
{

// Month and year of an instant, short month name and four-digit year, in the order and words of a
// region (ICU's pattern for the skeleton "MMMyyyy"). Not safe for use from several threads at once.
class MonthYearFormatter
{
public:
    // `region` is a POSIX locale name ("de_DE.UTF-8") or an ICU locale identifier; "C", "POSIX" and
    // "" read as en_US_POSIX. `timeZone` is an Olson identifier; empty means the system's zone.
    explicit MonthYearFormatter(std::string_view region, std::string_view timeZone = {});
    ~MonthYearFormatter();
    MonthYearFormatter(const MonthYearFormatter &) = delete;
    MonthYearFormatter &operator=(const MonthYearFormatter &) = delete;
    MonthYearFormatter(MonthYearFormatter &&) noexcept;
    MonthYearFormatter &operator=(MonthYearFormatter &&) noexcept;

    // The pattern ICU chose, such as "MMM yyyy" or "MMM y".
    [[nodiscard]] const std::string &pattern() const { return m_pattern; }

    // Empty only when ICU could not build a formatter at all.
    [[nodiscard]] std::string format(common::Instant instant) const;

private:
    std::unique_ptr<icu::SimpleDateFormat> m_format;
    std::string m_pattern;
};

// The region whose dates the list shows: LC_ALL, else LC_TIME, else LANG, without encoding or
// modifier; "C" when none is set.
[[nodiscard]] std::string dateRegionFromEnvironment(const char *lcAll, const char *lcTime, const char *lang);

// The formatter of the process's date region and time zone, built on first use and shared after.
[[nodiscard]] const MonthYearFormatter &sharedMonthYearFormatter();

} // namespace l10n
