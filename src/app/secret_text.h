#pragma once

#include "crypto/secure_bytes.h"

#include <QString>

namespace app
{

// `text` as UTF-8, written straight into memory that is wiped when it goes: no other copy of the
// bytes is made on the way. A lone surrogate becomes U+FFFD, as QString::toUtf8() makes it.
[[nodiscard]] crypto::SecureBytes secretUtf8(const QString &text);

} // namespace app
