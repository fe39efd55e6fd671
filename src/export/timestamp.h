#pragma once

#include "common/instant.h"

#include <unicode/basictz.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace exporter
{

// The export's timestamp line: the pattern "MMM dd, yyyy  h:mm:ss a" (two spaces before the hour)
// in the Gregorian calendar, locale "en_US_POSIX" and one time zone, e.g. "Mar 09, 2024  9:15:00 AM".
//
// The output is exactly what ICU's SimpleDateFormat gives for the instant's milliseconds
// (seconds * 1000, fractions truncated toward the past as ICU does). Years 1590 to 9890 are written
// without running a date formatter: the zone offset is looked up once per span between two of the
// zone's transitions and the civil date is computed directly. Other instants go to ICU itself.
// A NaN instant is written as the Unix epoch. One formatter belongs to one export: it is not
// thread-safe, and it caches the span of the last offset looked up.
class TimestampFormatter
{
public:
    // ICU's default zone at construction: the host's zone as ICU found it when first asked, unless
    // the process set another with icu::TimeZone::setDefault.
    TimestampFormatter();
    explicit TimestampFormatter(const icu::TimeZone &zone);
    // An Olson id such as "Europe/Berlin"; an unknown id gives ICU's "Etc/Unknown", which is UTC.
    explicit TimestampFormatter(std::string_view zoneId);
    ~TimestampFormatter();
    TimestampFormatter(const TimestampFormatter &) = delete;
    TimestampFormatter &operator=(const TimestampFormatter &) = delete;
    TimestampFormatter(TimestampFormatter &&) noexcept;
    TimestampFormatter &operator=(TimestampFormatter &&) noexcept;

    void append(std::string &out, common::Instant instant);
    [[nodiscard]] std::string format(common::Instant instant);

    // The same line from icu::SimpleDateFormat for every instant: the reference the fast path is
    // held to, and slow.
    [[nodiscard]] std::string formatWithIcu(common::Instant instant);

    [[nodiscard]] const icu::TimeZone &zone() const { return *m_zone; }

private:
    int32_t offsetAt(double millis);
    int32_t lookUpOffset(double millis);
    void appendWithIcu(std::string &out, double millis);

    std::unique_ptr<icu::TimeZone> m_zone;
    const icu::BasicTimeZone *m_transitions = nullptr; // m_zone when it can list its transitions
    std::unique_ptr<icu::SimpleDateFormat> m_icuFormat; // created on first use
    // Instants in [start, end) have the offset `offset` (milliseconds). Spans found so far are kept
    // in order of start and do not overlap; m_lastSpan is the one that answered last.
    struct Span {
        double start;
        double end;
        int32_t offset;
    };
    std::vector<Span> m_spans;
    std::size_t m_lastSpan = 0;
    // The date part of the last line, "Mar 09, 2024  ", and the local day number it belongs to.
    int64_t m_cachedDay = INT64_MIN;
    char m_cachedDate[32] = {};
    std::size_t m_cachedDateLength = 0;
};

} // namespace exporter
