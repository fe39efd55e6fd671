#include "message_count.h"

#include "common/unicode_string.h"
#include "language.h"

#include <unicode/locid.h>
#include <unicode/numberformatter.h>
#include <unicode/unistr.h>

#include <array>
#include <cstdlib>
#include <optional>

namespace l10n
{

namespace
{

struct PluralForms {
    std::string_view language;
    std::string_view singular;
    std::string_view plural;
};

// Each template holds "{n}" once. Turkish uses the same form for every count.
constexpr std::array<PluralForms, 8> pluralTable = {{
    {"en", "{n} message", "{n} messages"},
    {"fr", "{n} message", "{n} messages"},
    {"de", "{n} Nachricht", "{n} Nachrichten"},
    {"es", "{n} mensaje", "{n} mensajes"},
    {"it", "{n} messaggio", "{n} messaggi"},
    {"tr", "{n} mesaj", "{n} mesaj"},
    {"pt-BR", "{n} mensagem", "{n} mensagens"},
    {"pt-PT", "{n} mensagem", "{n} mensagens"},
}};

const PluralForms &pluralFormsFor(std::string_view language)
{
    for (const PluralForms &forms : pluralTable) {
        if (forms.language == language)
            return forms;
    }
    return pluralTable.front();
}

std::string_view withoutEncodingOrModifier(std::string_view locale)
{
    return locale.substr(0, locale.find_first_of(".@"));
}

using NumberFormat = std::optional<icu::number::LocalizedNumberFormatter>;

// No formatter stands for plain digits: the POSIX locale has no thousands separator.
NumberFormat numberFormatFor(std::string_view numberRegion)
{
    const std::string identifier(withoutEncodingOrModifier(numberRegion));
    if (identifier.empty() || identifier == "C" || identifier == "POSIX")
        return std::nullopt;
    const icu::Locale locale(identifier.c_str());
    if (locale.isBogus())
        return std::nullopt;
    return icu::number::NumberFormatter::withLocale(locale);
}

std::string formatted(std::int64_t n, const NumberFormat &format)
{
    if (!format)
        return std::to_string(n);
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString text = format->formatInt(n, status).toString(status);
    if (U_FAILURE(status))
        return std::to_string(n);
    return common::utf8From(text);
}

std::string countText(std::int64_t n, std::string_view language, const NumberFormat &format)
{
    const PluralForms &forms = pluralFormsFor(language);
    const bool singular = language == "fr" ? n < 2 : n == 1;
    const std::string_view pattern = singular ? forms.singular : forms.plural;
    const std::string number = formatted(n, format);

    constexpr std::string_view placeholder = "{n}";
    std::string text;
    std::size_t start = 0;
    for (std::size_t at = pattern.find(placeholder); at != std::string_view::npos;
         at = pattern.find(placeholder, start)) {
        text.append(pattern.substr(start, at - start));
        text.append(number);
        start = at + placeholder.size();
    }
    text.append(pattern.substr(start));
    return text;
}

// ICU's formatters are immutable and safe to use from several threads at once.
const NumberFormat &environmentNumberFormat()
{
    static const NumberFormat format = numberFormatFor(
        numberRegionFromEnvironment(std::getenv("LC_ALL"), std::getenv("LC_NUMERIC"), std::getenv("LANG")));
    return format;
}

} // namespace

std::string numberRegionFromEnvironment(const char *lcAll, const char *lcNumeric, const char *lang)
{
    for (const char *value : {lcAll, lcNumeric, lang}) {
        if (value != nullptr && *value != '\0')
            return std::string(withoutEncodingOrModifier(value));
    }
    return "C";
}

std::string messageCountText(std::int64_t n, std::string_view language, std::string_view numberRegion)
{
    return countText(n, language, numberFormatFor(numberRegion));
}

std::string messageCountText(std::int64_t n)
{
    return countText(n, currentLanguage(), environmentNumberFormat());
}

std::string groupedNumber(std::int64_t n)
{
    return formatted(n, environmentNumberFormat());
}

} // namespace l10n
