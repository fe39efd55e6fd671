// The desktop application: one window on the Messages history the user chooses (a database file
// or an iPhone backup), starting with the one named on the command line ("tovik PATH" or
// "tovik --db PATH") when given.

#include "app/access_probe.h"
#include "app/app_model.h"
#include "app/launch_options.h"
#include "app/linux_desktop_services.h"
#include "app/logging.h"
#include "app/texts.h"
#include "common/home.h"
#include "common/no_dumps.h"
#include "l10n/language.h"
#include "main_window.h"
#include "qt_translations.h"
#include "sources/discovery.h"
#include "sources/file_system_sources.h"

#include <QApplication>
#include <QLocale>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

// The name the desktop knows the application by: its desktop entry, icon and window class.
constexpr const char *appId = "app.tovik.Tovik";

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
    // No core dump and no ptrace: the password sits in its field before any key exists.
    common::turnOffDumps();
    // The options come first: help and version need no display, and a mistyped option is
    // reported before any window opens.
    const auto options = app::parseLaunchOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!options) {
        std::fprintf(stderr, "tovik: %s\nTry 'tovik --help' for more information.\n", options.error().message.c_str());
        return 2;
    }
    if (options->action == app::LaunchOptions::Action::PrintHelp) {
        std::fputs(app::launchUsageText().c_str(), stdout);
        return 0;
    }
    if (options->action == app::LaunchOptions::Action::PrintVersion) {
        std::fputs(app::launchVersionText().c_str(), stdout);
        return 0;
    }

    if (!hasDisplay()) {
        std::fputs("tovik: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset).\n"
                   "Use tovik-export for the command-line export.\n",
                   stderr);
        return 2;
    }

    // On X11 the window's class instance carries the application id, so that the desktop entry's
    // StartupWMClass finds the window. Qt reads it once, when the first window is created; it is
    // unset again after that, so that programs started from the window do not inherit it.
    const bool namesWindowClass = !isSet("RESOURCE_NAME");
    if (namesWindowClass)
        ::setenv("RESOURCE_NAME", appId, 1);

    app::routeCoreLogging();
    QApplication application(argc, argv);
    QApplication::setApplicationName(app::applicationName());
    QApplication::setOrganizationName(QStringLiteral("Tovik"));
    QApplication::setDesktopFileName(QString::fromLatin1(appId));
    QApplication::setQuitOnLastWindowClosed(true);

    l10n::setPreferredLanguages(uiLanguages());
    // The file dialogs are Qt's own: their buttons and labels in the same language.
    ui::installQtTranslations(application, l10n::currentLanguage());

    ui::applyLightLook();
    app::LinuxDesktopServices services;
    sources::FileSystemSources sources;
    app::AppModel model(services, sources, common::defaultMessagesDatabase(), options->source);
    model.setDiscoveryRoots(sources::discoveryRoots());
    ui::MainWindow window(model);
    services.setWindow(&window);
    window.show();
    if (namesWindowClass)
        ::unsetenv("RESOURCE_NAME");
    return QApplication::exec();
}
