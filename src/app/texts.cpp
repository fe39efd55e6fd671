#include "texts.h"

#include "crypto/unlock.h"
#include "l10n/message_count.h"

#include <algorithm>
#include <limits>

namespace app
{

QString messageCount(std::int64_t n)
{
    return qs(l10n::messageCountText(n));
}

QString tooManyRoundsText(const QString &path, std::uint64_t rounds)
{
    const auto shown =
        static_cast<std::int64_t>(std::min<std::uint64_t>(rounds, std::numeric_limits<std::int64_t>::max()));
    return qs(l10n::tooManyRounds())
        .replace(QStringLiteral("{rounds}"), qs(l10n::groupedNumber(shown)))
        .replace(QStringLiteral("{phoneRounds}"), qs(l10n::groupedNumber(crypto::phoneRounds)))
        .replace(QStringLiteral("{path}"), path); // last: a path is never read for placeholders
}

} // namespace app
