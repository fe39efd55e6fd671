// The main of the Qt test executables: GoogleTest on a QApplication that needs no display, in a
// home folder of its own so that settings and exports never touch the real one. Tests of code
// without widgets define TOVIK_TEST_WITHOUT_WIDGETS and run on a QGuiApplication.
#ifdef TOVIK_TEST_WITHOUT_WIDGETS
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
#include <QApplication>
using TestApplication = QApplication;
#endif
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// A test program may name a platform with options, such as a virtual screen of a given size.
#ifndef TOVIK_TEST_QPA_PLATFORM
#define TOVIK_TEST_QPA_PLATFORM "offscreen"
#endif

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral(TOVIK_TEST_QPA_PLATFORM));

    // Set before any thread starts: the environment is read, never written, from here on.
    const QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tovik-qt-test-home-XXXXXX"));
    if (!home.isValid())
        return 2;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/.local/share")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.path() + QStringLiteral("/.cache")));
    const QString runtime = home.path() + QStringLiteral("/.runtime");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    // No desktop session: nothing a test does may reach a real file manager or browser.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");

    testing::InitGoogleTest(&argc, argv);
    const TestApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
