// The desktop application: one window on the Messages history the user chooses (a database file
// or an iPhone backup), starting with the database named by "--db PATH" when given.

#include "app/access_probe.h"
#include "app/app_model.h"
#include "app/database_file_sources.h"
#include "app/texts.h"
#include "app/linux_desktop_services.h"
#include "l10n/language.h"
#include "main_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLocale>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

bool isSet(const char *name)
{
    const char *value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Qt aborts when it cannot reach a display; say so in words instead.
bool hasDisplay()
{
    return isSet("QT_QPA_PLATFORM") || isSet("DISPLAY") || isSet("WAYLAND_DISPLAY");
}

std::vector<std::string> uiLanguages()
{
    std::vector<std::string> languages;
    for (const QString &language : QLocale::system().uiLanguages())
        languages.push_back(language.toStdString());
    return languages;
}

} // namespace

int main(int argc, char **argv)
{
    if (!hasDisplay()) {
        std::fputs(
            "tovik: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset).\n"
            "Use tovik-export for the command-line export.\n",
            stderr);
        return 2;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(app::applicationName());
    QApplication::setOrganizationName(QStringLiteral("Tovik"));
    QApplication::setDesktopFileName(QStringLiteral("tovik"));
    QApplication::setQuitOnLastWindowClosed(true);

    l10n::setPreferredLanguages(uiLanguages());
    if (const auto database = app::databasePathArgument(QApplication::arguments()))
        app::setDatabasePath(*database);

    ui::applyLightLook();
    app::LinuxDesktopServices services;
    app::DatabaseFileSources sources;
    app::AppModel model(services,
                        sources,
                        app::databasePathIn(QFile::encodeName(QDir::homePath()).toStdString()),
                        app::databasePathArgument(QApplication::arguments()));
    ui::MainWindow window(model);
    services.setWindow(&window);
    window.show();
    return QApplication::exec();
}
