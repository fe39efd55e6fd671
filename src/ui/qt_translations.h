#pragma once

#include <QString>

#include <string_view>

class QCoreApplication;

namespace ui
{

// Installs Qt's own translation for `language` (one of l10n's codes, such as "de" or "pt-PT"), so
// that what Qt draws itself, the file dialogs' buttons and labels above all, speaks the language of
// the rest of the window. Looks in `folder`, by default QLibraryInfo's translations path, for
// qtbase_<code>.qm, then the older qt_<code>.qm. True when one was installed; English needs none.
bool installQtTranslations(QCoreApplication &application, std::string_view language, const QString &folder = {});

} // namespace ui
