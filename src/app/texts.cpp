#include "texts.h"

#include "l10n/message_count.h"

namespace app
{

QString messageCount(std::int64_t n)
{
    return qs(l10n::messageCountText(n));
}

} // namespace app
