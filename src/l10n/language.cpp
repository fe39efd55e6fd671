#include "language.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <optional>

namespace l10n
{

namespace
{

// The two-letter codes that stand for themselves; Portuguese is told apart before these are looked at.
constexpr std::array<std::string_view, 6> twoLetterCodes = {"en", "fr", "de", "es", "it", "tr"};

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// "pt_Latn_PT.UTF-8@euro" → "pt-pt": no encoding or modifier, "-" between subtags, ASCII lower
// case, no script subtag. Language identifiers are ASCII, so a locale-independent lower-casing is right.
std::string normalizedIdentifier(std::string_view identifier)
{
    identifier = identifier.substr(0, identifier.find_first_of(".@"));
    std::string normalized;
    normalized.reserve(identifier.size());
    for (const char c : identifier) {
        if (c == '_')
            normalized += '-';
        else if (c >= 'A' && c <= 'Z')
            normalized += static_cast<char>(c - 'A' + 'a');
        else
            normalized += c;
    }
    // A script is the second subtag when it has exactly four letters ("de-latn-de", "zh-hans").
    const std::size_t first = normalized.find('-');
    if (first != std::string::npos) {
        const std::size_t second = std::min(normalized.find('-', first + 1), normalized.size());
        const std::string_view subtag = std::string_view(normalized).substr(first + 1, second - first - 1);
        if (subtag.size() == 4 && std::all_of(subtag.begin(), subtag.end(), isAsciiLetter))
            normalized.erase(first, second - first);
    }
    return normalized;
}

// The offered language one identifier names, or nothing for "C", "POSIX" and languages not offered.
std::optional<std::string> offeredLanguage(std::string_view identifier)
{
    const std::string normalized = normalizedIdentifier(identifier);
    if (normalized.empty() || normalized == "c" || normalized == "posix")
        return std::nullopt;
    if (normalized.starts_with("pt"))
        return std::string(normalized.starts_with("pt-pt") ? "pt-PT" : "pt-BR");
    const std::string_view twoLetters = std::string_view(normalized).substr(0, 2);
    if (std::find(twoLetterCodes.begin(), twoLetterCodes.end(), twoLetters) != twoLetterCodes.end())
        return std::string(twoLetters);
    return std::nullopt;
}

bool isSet(const char *value)
{
    return value != nullptr && *value != '\0';
}

struct Decision {
    std::once_flag once;
    std::string language;
};

Decision &decision()
{
    static Decision theDecision;
    return theDecision;
}

} // namespace

std::string decideLanguage(const std::vector<std::string> &preferred)
{
    for (const std::string &identifier : preferred) {
        if (auto language = offeredLanguage(identifier))
            return std::move(*language);
    }
    return "en";
}

std::vector<std::string>
preferredLanguagesFromEnvironment(const char *language, const char *lcAll, const char *lcMessages, const char *lang)
{
    std::vector<std::string> preferred;
    if (isSet(language)) {
        std::string_view rest(language);
        while (!rest.empty()) {
            const std::size_t colon = std::min(rest.find(':'), rest.size());
            if (colon > 0)
                preferred.emplace_back(rest.substr(0, colon));
            rest.remove_prefix(std::min(colon + 1, rest.size()));
        }
    }
    for (const char *messagesLocale : {lcAll, lcMessages, lang}) {
        if (isSet(messagesLocale)) {
            preferred.emplace_back(messagesLocale);
            break;
        }
    }
    return preferred;
}

bool setPreferredLanguages(const std::vector<std::string> &preferred)
{
    Decision &theDecision = decision();
    bool decidedHere = false;
    std::call_once(theDecision.once, [&] {
        theDecision.language = decideLanguage(preferred);
        decidedHere = true;
    });
    return decidedHere;
}

const std::string &currentLanguage()
{
    Decision &theDecision = decision();
    std::call_once(theDecision.once, [&] {
        theDecision.language = decideLanguage(preferredLanguagesFromEnvironment(
            std::getenv("LANGUAGE"), std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG")));
    });
    return theDecision.language;
}

} // namespace l10n
