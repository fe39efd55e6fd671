#pragma once

#include "common/instant.h"

#include <string>
#include <string_view>

namespace l10n
{

// A date with its time of day in the words and order of `language` (a code such as "de" or
// "pt-BR"), ICU's medium date and short time, in the system's time zone ("9 Mar 2024, 16:00",
// "09.03.2024, 16:00"). `timeZone`, an Olson identifier, replaces the system's zone when given.
[[nodiscard]] std::string
dateTimeText(common::Instant instant, std::string_view language, std::string_view timeZone = {});

// dateTimeText in currentLanguage().
[[nodiscard]] std::string dateTimeText(common::Instant instant);

} // namespace l10n
