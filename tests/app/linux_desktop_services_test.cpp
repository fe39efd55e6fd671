#include "app/linux_desktop_services.h"

#include "app/texts.h"
#include "contacts/contacts_index.h"
#include "contacts/vcard_reader.h"
#include "fake_window_requests.h"
#include "l10n/strings.h"
#include "support/temp_dir.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

using app::LinuxDesktopServices;
using apptest::FakeWindowRequests;
using contacts::AuthorizationStatus;
using testsupport::TempDir;
using testsupport::writeFile;
namespace fs = std::filesystem;

namespace
{

constexpr int patienceMs = 20000;

const char *const annaCard = "BEGIN:VCARD\r\n"
                             "VERSION:3.0\r\n"
                             "FN:Anna Berg\r\n"
                             "TEL;TYPE=CELL:+49 151 12345678\r\n"
                             "EMAIL:anna@example.org\r\n"
                             "END:VCARD\r\n";

QString qpath(const fs::path &path)
{
    return QString::fromStdString(path.string());
}

// Catches what the services hand to the desktop's "file" handler, instead of a file manager.
class FileUrlCatcher : public QObject
{
    Q_OBJECT
public:
    FileUrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~FileUrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    Q_DISABLE_COPY_MOVE(FileUrlCatcher)

    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl &url) { opened.append(url); }
};

// A stand-in for the desktop's file manager on a private bus.
class FakeFileManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shownItems;
    QString startupId;

public Q_SLOTS:
    void ShowItems(const QStringList &uris, const QString &startup)
    {
        shownItems = uris;
        startupId = startup;
    }
};

} // namespace

class LinuxDesktopServicesTest : public ::testing::Test
{
protected:
    QString settingsFile() const { return qpath(dir / "settings.ini"); }

    TempDir dir;
};

TEST_F(LinuxDesktopServicesTest, SettingsStartAbsentAndPersistAcrossInstances)
{
    {
        LinuxDesktopServices services(settingsFile());
        EXPECT_FALSE(services.boolSetting(QStringLiteral("seenWelcome")));
        EXPECT_FALSE(services.textSetting(QStringLiteral("TovikSite")));
        services.setBoolSetting(QStringLiteral("seenWelcome"), true);
    }
    writeFile(dir / "settings.ini",
              testsupport::readFile(dir / "settings.ini") + "TovikSite=https://staging.example\n");

    LinuxDesktopServices reopened(settingsFile());

    EXPECT_TRUE(reopened.boolSetting(QStringLiteral("seenWelcome")));
    EXPECT_EQ(reopened.textSetting(QStringLiteral("TovikSite")), QStringLiteral("https://staging.example"));
}

TEST_F(LinuxDesktopServicesTest, ContactsQuestionIsOpenUntilAFileIsChosenOrRefused)
{
    writeFile(dir / "contacts.vcf", annaCard);
    LinuxDesktopServices services(settingsFile());
    const auto unanswered = services.contactsAuthorizationStatus();

    services.setContactsFile(qpath(dir / "contacts.vcf"));
    const auto chosen = services.contactsAuthorizationStatus();
    services.setContactsFile(std::nullopt);
    const auto refused = LinuxDesktopServices(settingsFile()).contactsAuthorizationStatus();

    EXPECT_EQ(unanswered, AuthorizationStatus::NotDetermined);
    EXPECT_EQ(chosen, AuthorizationStatus::Authorized);
    EXPECT_EQ(refused, AuthorizationStatus::Denied);
}

TEST_F(LinuxDesktopServicesTest, ChosenFileThatHasGoneAsksTheQuestionAgain)
{
    writeFile(dir / "contacts.vcf", annaCard);
    LinuxDesktopServices services(settingsFile());
    services.setContactsFile(qpath(dir / "contacts.vcf"));

    fs::remove(dir / "contacts.vcf");

    EXPECT_EQ(services.contactsAuthorizationStatus(), AuthorizationStatus::NotDetermined);
    EXPECT_TRUE(contacts::ContactsIndex::build(*services.contactsService()).byKey.empty());
}

TEST_F(LinuxDesktopServicesTest, ACancelAnswersNothingAndKeepsWhatWasChosenBefore)
{
    writeFile(dir / "contacts.vcf", annaCard);
    LinuxDesktopServices services(settingsFile());
    FakeWindowRequests window;
    services.setWindow(&window);
    std::optional<app::ContactsAnswer> answer;

    services.requestContactsAccess([&](const app::ContactsAnswer &given) {
        answer = given;
    });
    ASSERT_TRUE(window.pendingChoice);
    window.answer(std::nullopt);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->outcome, app::ContactsAnswer::Outcome::Cancelled);
    EXPECT_EQ(LinuxDesktopServices(settingsFile()).contactsAuthorizationStatus(), AuthorizationStatus::NotDetermined);

    services.setContactsFile(qpath(dir / "contacts.vcf"));
    services.requestContactsAccess([&](const app::ContactsAnswer &given) {
        answer = given;
    });
    window.answer(std::nullopt);
    EXPECT_EQ(answer->outcome, app::ContactsAnswer::Outcome::Cancelled);
    EXPECT_EQ(services.textSetting(LinuxDesktopServices::contactsFileKey()), qpath(dir / "contacts.vcf"));
}

TEST_F(LinuxDesktopServicesTest, IndexIsBuiltFromTheChosenFileAndIsEmptyOtherwise)
{
    writeFile(dir / "contacts.vcf", annaCard);
    LinuxDesktopServices services(settingsFile());
    const auto before = contacts::ContactsIndex::build(*services.contactsService());

    services.setContactsFile(qpath(dir / "contacts.vcf"));
    const auto chosen = contacts::ContactsIndex::build(*services.contactsService());
    services.setContactsFile(std::nullopt);
    const auto refused = contacts::ContactsIndex::build(*services.contactsService());

    EXPECT_TRUE(before.byKey.empty());
    ASSERT_NE(chosen.lookup("+4915112345678"), nullptr);
    EXPECT_EQ(chosen.lookup("+4915112345678")->name, "Anna Berg");
    ASSERT_NE(chosen.lookup("Anna@Example.org"), nullptr);
    EXPECT_TRUE(refused.byKey.empty());
}

namespace
{

// The answer to one request in which the chooser gave `chosen`, once it has come.
app::ContactsAnswer answerFor(LinuxDesktopServices &services, FakeWindowRequests &window, const fs::path &chosen)
{
    std::optional<app::ContactsAnswer> answer;
    services.requestContactsAccess([&](const app::ContactsAnswer &given) {
        answer = given;
    });
    window.answer(qpath(chosen));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return answer.has_value();
        },
        patienceMs));
    return answer.value_or(app::ContactsAnswer{});
}

} // namespace

TEST_F(LinuxDesktopServicesTest, ChoosingAFileWithACardGrantsAccessAndIsRemembered)
{
    writeFile(dir / "contacts.vcf", annaCard);
    LinuxDesktopServices services(settingsFile());
    FakeWindowRequests window;
    services.setWindow(&window);

    EXPECT_EQ(answerFor(services, window, dir / "contacts.vcf").outcome, app::ContactsAnswer::Outcome::Granted);
    EXPECT_EQ(LinuxDesktopServices(settingsFile()).contactsAuthorizationStatus(), AuthorizationStatus::Authorized);
    EXPECT_EQ(services.textSetting(LinuxDesktopServices::contactsFileKey()), qpath(dir / "contacts.vcf"));
}

TEST_F(LinuxDesktopServicesTest, AFileWithoutACardOrTooLargeOrNoFileIsRefusedNamingItAndTheEarlierFileStays)
{
    writeFile(dir / "contacts.vcf", annaCard);
    writeFile(dir / "empty.vcf", "");
    std::string noise(4096, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919 + 13) % 256);
    writeFile(dir / "noise.vcf", noise);
    writeFile(dir / "huge.vcf", "");
    fs::resize_file(dir / "huge.vcf", contacts::maxVCardFileBytes + 1); // sparse: nothing is written
    fs::create_directory(dir / "folder.vcf");
    LinuxDesktopServices services(settingsFile());
    FakeWindowRequests window;
    services.setWindow(&window);
    services.setContactsFile(qpath(dir / "contacts.vcf"));

    const std::vector<std::pair<fs::path, std::string>> refused = {
        {dir / "empty.vcf", l10n::contactsFileEmpty()},   {dir / "noise.vcf", l10n::contactsFileEmpty()},
        {dir / "huge.vcf", l10n::contactsFileTooLarge()}, {dir / "folder.vcf", l10n::sourceNotRegularFile()},
        {dir / "gone.vcf", l10n::sourceNotFound()},
    };
    for (const auto &[file, text] : refused) {
        const app::ContactsAnswer answer = answerFor(services, window, file);
        EXPECT_EQ(answer.outcome, app::ContactsAnswer::Outcome::FileRefused) << file;
        EXPECT_EQ(answer.problem, app::naming(text, file)) << file;
        EXPECT_EQ(services.textSetting(LinuxDesktopServices::contactsFileKey()), qpath(dir / "contacts.vcf"));
    }
    EXPECT_EQ(contacts::ContactsIndex::build(*services.contactsService()).lookup("+4915112345678")->name, "Anna Berg");
}

TEST_F(LinuxDesktopServicesTest, WithoutAWindowARequestIsAnsweredAsACancelAfterItReturns)
{
    writeFile(dir / "contacts.vcf", annaCard);
    LinuxDesktopServices services(settingsFile());
    services.setContactsFile(qpath(dir / "contacts.vcf"));
    std::optional<app::ContactsAnswer> answer;

    services.requestContactsAccess([&](const app::ContactsAnswer &given) {
        answer = given;
    });
    const bool answeredAtOnce = answer.has_value();

    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return answer.has_value();
        },
        patienceMs));
    EXPECT_FALSE(answeredAtOnce);
    EXPECT_EQ(answer->outcome, app::ContactsAnswer::Outcome::Cancelled);
    EXPECT_EQ(services.contactsAuthorizationStatus(), AuthorizationStatus::Authorized);
}

TEST_F(LinuxDesktopServicesTest, IconsAreNeverNull)
{
    LinuxDesktopServices services(settingsFile());

    EXPECT_FALSE(services.applicationIcon().pixmap(52, 52).isNull());
    EXPECT_FALSE(services.fileIcon(qpath(dir / "Tovik - Anna.txt")).pixmap(64, 64).isNull());
    EXPECT_FALSE(services.fileIcon(QStringLiteral("/no/such/file")).pixmap(64, 64).isNull());
}

TEST_F(LinuxDesktopServicesTest, ApplicationIsTheRunningExecutable)
{
    LinuxDesktopServices services(settingsFile());

    EXPECT_EQ(services.applicationPath(), QCoreApplication::applicationFilePath());
    EXPECT_TRUE(QFileInfo(services.applicationPath()).isExecutable());
}

TEST_F(LinuxDesktopServicesTest, ActivateAsksTheWindowOrRestoresEveryVisibleOne)
{
    LinuxDesktopServices services(settingsFile());
    QWindow minimised;
    minimised.showMinimized();

    services.activate();
    const bool restored = !(minimised.windowStates() & Qt::WindowMinimized);
    FakeWindowRequests window;
    services.setWindow(&window);
    minimised.showMinimized();
    services.activate();

    EXPECT_TRUE(restored);
    EXPECT_EQ(window.broughtToFront, 1);
    EXPECT_TRUE(minimised.windowStates() & Qt::WindowMinimized);
}

TEST_F(LinuxDesktopServicesTest, OpenUrlAndPrivacySettings)
{
    LinuxDesktopServices services(settingsFile());
    const FileUrlCatcher catcher;

    services.openPrivacySettings(); // nothing to open on this desktop
    services.openUrl(QUrl::fromLocalFile(qpath(dir.path())));

    EXPECT_EQ(catcher.opened, QList<QUrl>{QUrl::fromLocalFile(qpath(dir.path()))});
}

TEST_F(LinuxDesktopServicesTest, RevealWithoutABusOpensTheContainingFolder)
{
    LinuxDesktopServices services(settingsFile());
    services.setBus(QDBusConnection(QStringLiteral("tovik-no-such-bus")));
    const FileUrlCatcher catcher;

    services.revealFile(qpath(dir / "Tovik - Anna.txt"));

    EXPECT_EQ(catcher.opened, QList<QUrl>{QUrl::fromLocalFile(qpath(dir.path()))});
    EXPECT_EQ(app::containingFolderUrl(QStringLiteral("/home/anna/Downloads/x.txt")),
              QUrl::fromLocalFile(QStringLiteral("/home/anna/Downloads")));
}

// The file manager's D-Bus interface, on a private bus started for the test.
class RevealOnBusTest : public LinuxDesktopServicesTest
{
protected:
    void SetUp() override
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        bus.start(daemon,
                  {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!bus.waitForStarted()
            || !QTest::qWaitFor(
                [&] {
                    return bus.canReadLine();
                },
                patienceMs))
            GTEST_SKIP() << "dbus-daemon did not start";
        address = QString::fromUtf8(bus.readLine().trimmed());
    }

    void TearDown() override
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("tovik-test-client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("tovik-test-manager"));
        if (bus.state() != QProcess::NotRunning) {
            bus.kill();
            bus.waitForFinished();
        }
    }

    QProcess bus;
    QString address;
};

TEST_F(RevealOnBusTest, FileManagerIsAskedToShowTheFile)
{
    QDBusConnection managerSide = QDBusConnection::connectToBus(address, QStringLiteral("tovik-test-manager"));
    ASSERT_TRUE(managerSide.isConnected());
    FakeFileManager manager;
    ASSERT_TRUE(managerSide.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                           QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(managerSide.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    LinuxDesktopServices services(settingsFile());
    services.setBus(QDBusConnection::connectToBus(address, QStringLiteral("tovik-test-client")));
    const FileUrlCatcher catcher;
    const QString file = qpath(dir / "Tovik - Anna Berg.txt");

    services.revealFile(file);

    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !manager.shownItems.isEmpty();
        },
        patienceMs));
    EXPECT_EQ(manager.shownItems, QStringList{QUrl::fromLocalFile(file).toString()});
    EXPECT_EQ(manager.startupId, QString());
    QTest::qWait(0);
    EXPECT_TRUE(catcher.opened.isEmpty());
}

TEST_F(RevealOnBusTest, BusWithoutAFileManagerOpensTheContainingFolder)
{
    LinuxDesktopServices services(settingsFile());
    services.setBus(QDBusConnection::connectToBus(address, QStringLiteral("tovik-test-client")));
    const FileUrlCatcher catcher;

    services.revealFile(qpath(dir / "Tovik - Anna.txt"));

    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !catcher.opened.isEmpty();
        },
        patienceMs));
    EXPECT_EQ(catcher.opened, QList<QUrl>{QUrl::fromLocalFile(qpath(dir.path()))});
}

#include "linux_desktop_services_test.moc"
