#include "qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace ui
{

bool installQtTranslations(QCoreApplication &application, std::string_view language, const QString &folder)
{
    if (language == "en")
        return false;
    // Qt names its files by locale: "pt-PT" is pt_PT.
    QString code = QString::fromUtf8(language.data(), static_cast<qsizetype>(language.size()));
    code.replace(QLatin1Char('-'), QLatin1Char('_'));
    const QString where = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    auto *translator = new QTranslator(&application);
    for (const QString &name : {QStringLiteral("qtbase_") + code, QStringLiteral("qt_") + code}) {
        if (translator->load(name, where)) {
            QCoreApplication::installTranslator(translator);
            return true;
        }
    }
    delete translator;
    return false;
}

} // namespace ui
