#pragma once

#include <QString>

namespace ui
{

// The family the screens prefer: Inter, whose static Medium and SemiBold faces give the stated
// weights exactly (a font without them draws semibold as bold, wider, and the titles wrap).
inline const QString preferredFamily = QStringLiteral("Inter");

// Makes the preferred family the application's font when it is installed, at the size of the
// system's font; otherwise the system's sans-serif font stays. Safe to call more than once.
void useInterfaceFont();

} // namespace ui
