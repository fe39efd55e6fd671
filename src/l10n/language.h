#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The one language of the user interface, decided once per process from the user's preferred
// languages and never changed while the process runs.
namespace l10n
{

// Every value currentLanguage() can produce: lower-case two-letter codes, and the two Portuguese
// codes with an upper-case region.
inline constexpr std::array<std::string_view, 8> languageCodes = {"en", "fr", "de", "es", "it", "tr", "pt-BR", "pt-PT"};

// The language for a list of language identifiers in preference order, such as Qt's
// QLocale::uiLanguages() or the entries of LANGUAGE and LANG. Identifiers may use "-" or "_", carry a
// script ("de-Latn-DE") and a POSIX encoding or modifier ("pt_PT.UTF-8", "de_DE@euro"). The first
// entry that names one of the offered languages decides; "C", "POSIX", empty and unsupported
// entries are passed over, and a list without any offered language gives "en". Portuguese is
// "pt-PT" for a Portugal region and "pt-BR" for every other Portuguese entry.
[[nodiscard]] std::string decideLanguage(const std::vector<std::string> &preferred);

// The preferred-language list the environment describes: the entries of LANGUAGE (colon-separated),
// then the locale that governs messages (LC_ALL, else LC_MESSAGES, else LANG). Null and empty values
// count as unset. The entries are returned as found; decideLanguage() reads them.
[[nodiscard]] std::vector<std::string>
preferredLanguagesFromEnvironment(const char *language, const char *lcAll, const char *lcMessages, const char *lang);

// Hands the user's preferred languages to the process before the language is first needed (the
// application passes QLocale::uiLanguages()). The first decision wins: this decides at once and
// returns true, or returns false and changes nothing when the language was already decided.
bool setPreferredLanguages(const std::vector<std::string> &preferred);

// The process's language, one of languageCodes. Decided on the first call, from the list given to
// setPreferredLanguages() or, when none was given, from the process environment; safe to call from
// any thread, and the reference stays valid until the process ends.
[[nodiscard]] const std::string &currentLanguage();

} // namespace l10n
