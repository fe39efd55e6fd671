#include "l10n/date_time.h"

#include "common/unicode_string.h"
#include "l10n/language.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>

namespace l10n
{

std::string dateTimeText(common::Instant instant, std::string_view language, std::string_view timeZone)
{
    std::string identifier(language);
    for (char &c : identifier) {
        if (c == '-')
            c = '_';
    }
    const icu::Locale locale(identifier.c_str());
    std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createDateTimeInstance(icu::DateFormat::kMedium, icu::DateFormat::kShort, locale));
    if (!format)
        return {};
    if (!timeZone.empty())
        format->adoptTimeZone(icu::TimeZone::createTimeZone(common::unicodeFrom(timeZone)));
    icu::UnicodeString text;
    format->format(static_cast<UDate>(common::unixSeconds(instant) * 1000.0), text);
    return common::utf8From(text);
}

std::string dateTimeText(common::Instant instant)
{
    return dateTimeText(instant, currentLanguage());
}

} // namespace l10n
