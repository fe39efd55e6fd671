#include "export/timestamp.h"

#include "common/unicode_string.h"

#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/tzrule.h>
#include <unicode/tztrans.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace exporter
{

namespace
{

constexpr double millisPerDay = 86400000.0;

// The fast path's range of UTC milliseconds: about 1590 to 9890, clear of ICU's Julian calendar
// before the 1582 cutover and of years with more than four digits, whatever the zone offset.
constexpr double fastMillisMin = -1.2e13;
constexpr double fastMillisMax = 2.5e14;

// Within this distance of a transition the zone itself is asked, so that the cache never has to
// reproduce how ICU rounds an instant to whole seconds before comparing it with a transition.
constexpr double transitionMargin = 1000.0;

// Enough for every transition of a zone over centuries; beyond it the cache starts afresh.
constexpr std::size_t maxSpans = 4096;

constexpr std::string_view monthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

double udateFor(common::Instant instant)
{
    const double seconds = common::unixSeconds(instant);
    return std::isnan(seconds) ? 0.0 : seconds * 1000.0;
}

struct CivilDate {
    int64_t year;
    unsigned month; // 1 to 12
    unsigned day;
};

// Proleptic Gregorian date of a day number counted from 1970-01-01.
CivilDate civilFromDays(int64_t days)
{
    days += 719468; // shift the epoch to 0000-03-01, so that leap days end each 400-year era
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153; // 0 is March
    const unsigned day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    const unsigned month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    const int64_t year = static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

char *writeTwoDigits(char *p, unsigned value)
{
    *p++ = static_cast<char>('0' + value / 10);
    *p++ = static_cast<char>('0' + value % 10);
    return p;
}

int32_t totalOffset(const icu::TimeZoneRule &rule)
{
    return rule.getRawOffset() + rule.getDSTSavings();
}

} // namespace

TimestampFormatter::TimestampFormatter()
    : TimestampFormatter(*std::unique_ptr<icu::TimeZone>(icu::TimeZone::createDefault()))
{
}

TimestampFormatter::TimestampFormatter(const icu::TimeZone &zone)
    : m_zone(zone.clone())
{
    m_transitions = dynamic_cast<const icu::BasicTimeZone *>(m_zone.get());
}

TimestampFormatter::TimestampFormatter(std::string_view zoneId)
    : TimestampFormatter(*std::unique_ptr<icu::TimeZone>(icu::TimeZone::createTimeZone(common::unicodeFrom(zoneId))))
{
}

TimestampFormatter::~TimestampFormatter() = default;
TimestampFormatter::TimestampFormatter(TimestampFormatter &&) noexcept = default;
TimestampFormatter &TimestampFormatter::operator=(TimestampFormatter &&) noexcept = default;

int32_t TimestampFormatter::offsetAt(double millis)
{
    if (m_lastSpan < m_spans.size()) {
        const Span &last = m_spans[m_lastSpan];
        if (millis >= last.start && millis < last.end)
            return last.offset;
    }
    const auto after = std::upper_bound(m_spans.begin(), m_spans.end(), millis, [](double value, const Span &span) {
        return value < span.start;
    });
    if (after != m_spans.begin() && millis < std::prev(after)->end) {
        m_lastSpan = static_cast<std::size_t>(std::prev(after) - m_spans.begin());
        return std::prev(after)->offset;
    }
    return lookUpOffset(millis);
}

int32_t TimestampFormatter::lookUpOffset(double millis)
{
    UErrorCode status = U_ZERO_ERROR;
    int32_t raw = 0;
    int32_t dst = 0;
    m_zone->getOffset(millis, false, raw, dst, status);
    const int32_t offset = U_SUCCESS(status) ? raw + dst : 0;
    if (!m_transitions || U_FAILURE(status))
        return offset;

    // The span between the neighbouring transitions, trusted only where both transitions agree
    // with the offset just read; otherwise nothing is cached and the zone is asked every time.
    Span span{-std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(), offset};
    icu::TimeZoneTransition previous;
    if (m_transitions->getPreviousTransition(millis, true, previous)) {
        if (!previous.getTo() || totalOffset(*previous.getTo()) != offset)
            return offset;
        span.start = previous.getTime() + transitionMargin;
    }
    icu::TimeZoneTransition next;
    if (m_transitions->getNextTransition(millis, false, next)) {
        if (!next.getFrom() || totalOffset(*next.getFrom()) != offset)
            return offset;
        span.end = next.getTime() - transitionMargin;
    }
    // Within the margin of a transition the instant is outside its own span; nothing to keep then.
    if (!(millis >= span.start && millis < span.end))
        return offset;
    if (m_spans.size() >= maxSpans)
        m_spans.clear();
    const auto at = std::upper_bound(m_spans.begin(), m_spans.end(), span.start, [](double value, const Span &s) {
        return value < s.start;
    });
    m_lastSpan = static_cast<std::size_t>(m_spans.insert(at, span) - m_spans.begin());
    return offset;
}

void TimestampFormatter::append(std::string &out, common::Instant instant)
{
    const double millis = udateFor(instant);
    if (!(millis >= fastMillisMin && millis < fastMillisMax)) {
        appendWithIcu(out, millis);
        return;
    }

    // The same double arithmetic as icu::Calendar::computeFields, so that fractions of a
    // millisecond fall on the same side of every second and day boundary.
    double localMillis = millis;
    localMillis += offsetAt(millis);
    const auto day = static_cast<int32_t>(std::floor(localMillis / millisPerDay));
    const auto millisInDay = static_cast<int32_t>(localMillis - (day * millisPerDay));

    if (day != m_cachedDay) {
        const CivilDate date = civilFromDays(day);
        char *p = m_cachedDate;
        const std::string_view month = monthNames[date.month - 1];
        p = std::copy(month.begin(), month.end(), p);
        *p++ = ' ';
        p = writeTwoDigits(p, date.day);
        *p++ = ',';
        *p++ = ' ';
        const auto year = static_cast<unsigned>(date.year); // four digits within the fast range
        *p++ = static_cast<char>('0' + year / 1000);
        *p++ = static_cast<char>('0' + year / 100 % 10);
        p = writeTwoDigits(p, year % 100);
        *p++ = ' ';
        *p++ = ' ';
        m_cachedDateLength = static_cast<std::size_t>(p - m_cachedDate);
        m_cachedDay = day;
    }

    char line[40];
    char *p = std::copy(m_cachedDate, m_cachedDate + m_cachedDateLength, line);
    const int32_t secondsInDay = millisInDay / 1000;
    const auto hourOfDay = static_cast<unsigned>(secondsInDay / 3600);
    const unsigned hour = hourOfDay % 12 == 0 ? 12 : hourOfDay % 12;
    if (hour >= 10)
        *p++ = '1';
    *p++ = static_cast<char>('0' + hour % 10);
    *p++ = ':';
    p = writeTwoDigits(p, static_cast<unsigned>(secondsInDay / 60 % 60));
    *p++ = ':';
    p = writeTwoDigits(p, static_cast<unsigned>(secondsInDay % 60));
    *p++ = ' ';
    *p++ = hourOfDay < 12 ? 'A' : 'P';
    *p++ = 'M';
    out.append(line, static_cast<std::size_t>(p - line));
}

std::string TimestampFormatter::format(common::Instant instant)
{
    std::string out;
    out.reserve(26);
    append(out, instant);
    return out;
}

std::string TimestampFormatter::formatWithIcu(common::Instant instant)
{
    std::string out;
    appendWithIcu(out, udateFor(instant));
    return out;
}

void TimestampFormatter::appendWithIcu(std::string &out, double millis)
{
    if (!m_icuFormat) {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Locale locale("en_US_POSIX");
        auto calendar = std::make_unique<icu::GregorianCalendar>(m_zone->clone(), locale, status);
        auto format = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString::fromUTF8("MMM dd, yyyy  h:mm:ss a"),
                                                              locale, status);
        if (U_FAILURE(status))
            return; // Only without ICU's data; the line is then left empty rather than wrong.
        format->adoptCalendar(calendar.release());
        m_icuFormat = std::move(format);
    }
    icu::UnicodeString text;
    m_icuFormat->format(millis, text);
    text.toUTF8String(out);
}

} // namespace exporter
