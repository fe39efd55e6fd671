// Renders every screen of the application, offscreen, to PNG files: each phase, the list in its
// states, and the done screen. Run once per language:
//   ui_screenshots --out DIR [--language CODE] [--region LOCALE]
// The region (a locale such as de_DE) sets the month names and digit grouping of the list.
// The history is the demo generator's, in a home folder of its own under the system's temporary
// folder, so the export of the done screen lands there. Every picture is also checked: a text that
// does not fit its control (cut, or wrapped past it) fails the run, so the tool doubles as the test
// that every screen fits in every language.

#include "app/app_model.h"
#include "app/texts.h"
#include "contacts/vcard_contacts_service.h"
#include "demo/demo_history.h"
#include "l10n/language.h"
#include "l10n/strings.h"
#include "support/temp_dir.h"
#include "ui/chunky_button.h"
#include "ui/conversation_list_model.h"
#include "ui/conversation_list_view.h"
#include "ui/list_rules.h"
#include "ui/list_screen.h"
#include "ui/main_window.h"
#include "ui/password_screen.h"
#include "ui/root_view.h"
#include "ui_test_support.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace
{

struct Options {
    QString out;
    std::string language = "en";
    std::string region;
};

std::optional<Options> parseOptions(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--out" && i + 1 < argc)
            options.out = QString::fromLocal8Bit(argv[++i]);
        else if (argument == "--language" && i + 1 < argc)
            options.language = argv[++i];
        else if (argument == "--region" && i + 1 < argc)
            options.region = argv[++i];
        else
            return std::nullopt;
    }
    if (options.out.isEmpty())
        return std::nullopt;
    return options;
}

void noChange(uitest::FakeServices &)
{
}

class Shooter
{
public:
    Shooter(QString out, std::filesystem::path home)
        : m_out(std::move(out))
        , m_home(std::move(home))
        , m_database(m_home / "Library/Messages/chat.db")
    {
    }

    const std::filesystem::path &database() const { return m_database; }
    const std::filesystem::path &home() const { return m_home; }
    int failures() const { return m_failures; }

    // One window on a fresh model of the database: `prepare` sets up the services, `act` drives the
    // window once the model has settled, and the picture is taken when `ready` holds.
    void shoot(const QString &name,
               const std::filesystem::path &database,
               const std::function<void(uitest::FakeServices &)> &prepare,
               const std::function<void(app::AppModel &, ui::MainWindow &)> &act = {},
               const std::function<bool(app::AppModel &)> &ready = {})
    {
        shootModel(
            name, prepare,
            [&](uitest::FakeServices &services) {
                return std::make_unique<app::AppModel>(services, database);
            },
            act, ready);
    }

    // The same on message sources: the source step, or the source `asked` for at start; `after`
    // runs once the picture is taken, before the model goes.
    void shootSources(const QString &name,
                      apptest::FakeMessageSources &sources,
                      const std::optional<std::filesystem::path> &asked,
                      const std::function<void(app::AppModel &, ui::MainWindow &)> &act = {},
                      const std::function<bool(app::AppModel &)> &ready = {},
                      const std::function<void()> &after = {})
    {
        shootModel(
            name, noChange,
            [&](uitest::FakeServices &services) {
                return std::make_unique<app::AppModel>(services, sources, m_home / "no-home/chat.db", asked);
            },
            act, ready, after);
    }

private:
    void shootModel(const QString &name,
                    const std::function<void(uitest::FakeServices &)> &prepare,
                    const std::function<std::unique_ptr<app::AppModel>(uitest::FakeServices &)> &makeModel,
                    const std::function<void(app::AppModel &, ui::MainWindow &)> &act,
                    const std::function<bool(app::AppModel &)> &ready,
                    const std::function<void()> &after = {})
    {
        uitest::FakeServices services;
        services.contactsSource = std::make_shared<contacts::VCardContactsService>(m_home / "contacts.vcf");
        services.contactsStatus = contacts::AuthorizationStatus::Authorized;
        prepare(services);
        const std::unique_ptr<app::AppModel> model = makeModel(services);
        ui::MainWindow window(*model);
        window.show();
        uitest::waitUntil([&] {
            return !model->loading() && !model->checkingSource();
        });
        if (act)
            act(*model, window);
        bool settled = true;
        if (ready)
            settled = uitest::waitUntil([&] {
                return ready(*model);
            });
        settled = settled && uitest::waitUntil([&] {
                      return !window.rootView()->isTransitionRunning();
                  });
        const QString file = m_out + QLatin1Char('/') + name + QStringLiteral(".png");
        const bool saved = settled && window.grab().save(file);
        const QStringList misfits = uitest::textsThatDoNotFit(&window);
        if (after)
            after();
        if (!saved) {
            std::fprintf(stderr, "ui_screenshots: %s failed\n", qPrintable(name));
            ++m_failures;
            return;
        }
        for (const QString &misfit : misfits)
            std::fprintf(stderr, "ui_screenshots: %s: does not fit: %s\n", qPrintable(name), qPrintable(misfit));
        if (!misfits.isEmpty())
            ++m_failures;
        std::printf("%s\n", qPrintable(file));
    }

    QString m_out;
    std::filesystem::path m_home;
    std::filesystem::path m_database;
    int m_failures = 0;
};

ui::ListScreen *listScreen(ui::MainWindow &window)
{
    return qobject_cast<ui::ListScreen *>(window.rootView()->currentScreen());
}

// The last conversation of the list that is too short to export.
const catalogue::Conversation *shortConversation(const app::AppModel &model)
{
    const auto &all = model.conversations();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        if (!ui::isExportable(*it))
            return &*it;
    }
    return nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    const std::optional<Options> options = parseOptions(argc, argv);
    if (!options) {
        std::fputs("usage: ui_screenshots --out DIR [--language CODE] [--region LOCALE]\n", stderr);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    l10n::setPreferredLanguages({options->language});

    const QTemporaryDir home(QDir::tempPath() + QStringLiteral("/tovik-screenshots-XXXXXX"));
    if (!home.isValid())
        return 1;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    const std::filesystem::path homePath = home.path().toStdString();
    demo::Summary summary;
    if (const auto failure = demo::writeDemoHistory(homePath, 1, summary)) {
        std::fprintf(stderr, "ui_screenshots: %s\n", failure->c_str());
        return 1;
    }

    QApplication application(argc, argv);
    // Set after the C library has read its locale, which need not be installed: only the list's own
    // month and number formatting reads these, on first use.
    if (!options->region.empty()) {
        qputenv("LC_TIME", QByteArray::fromStdString(options->region));
        qputenv("LC_NUMERIC", QByteArray::fromStdString(options->region));
        qunsetenv("LC_ALL");
    }
    ui::applyLightLook();
    QDir().mkpath(options->out);
    Shooter shooter(options->out, homePath);
    const std::filesystem::path database = shooter.database();

    shooter.shoot(QStringLiteral("01-welcome"), database, [](uitest::FakeServices &services) {
        services.seenWelcome = false;
    });

    // A folder where the database should be cannot be read: the access screen.
    const std::filesystem::path unreadable = homePath / "unreadable/chat.db";
    std::filesystem::create_directories(unreadable);
    shooter.shoot(QStringLiteral("02-access"), unreadable, noChange);

    const std::filesystem::path missing = homePath / "empty/chat.db";
    std::filesystem::create_directories(missing.parent_path());
    shooter.shoot(QStringLiteral("03-no-messages"), missing, noChange);

    shooter.shoot(QStringLiteral("04-contacts"), database, [](uitest::FakeServices &services) {
        services.contactsStatus = contacts::AuthorizationStatus::NotDetermined;
    });

    shooter.shoot(QStringLiteral("05-list"), database, noChange);

    shooter.shoot(QStringLiteral("06-list-selected"), database, noChange,
                  [](app::AppModel &model, ui::MainWindow &window) {
                      listScreen(window)->select(model.conversations().front().id);
                  });

    shooter.shoot(QStringLiteral("07-list-search"), database, noChange, [](app::AppModel &, ui::MainWindow &window) {
        listScreen(window)->searchInput()->setText(QStringLiteral("an"));
    });

    shooter.shoot(QStringLiteral("08-list-too-short"), database, noChange,
                  [](app::AppModel &model, ui::MainWindow &window) {
                      if (const catalogue::Conversation *conversation = shortConversation(model)) {
                          ui::ListScreen *screen = listScreen(window);
                          screen->select(conversation->id);
                          screen->listView()->scrollToBottom();
                      }
                  });

    shooter.shoot(QStringLiteral("09-list-nothing-found"), database, noChange,
                  [](app::AppModel &, ui::MainWindow &window) {
                      listScreen(window)->searchInput()->setText(QStringLiteral("zzzz"));
                  });

    // The picture is taken before the event loop applies the load's outcome.
    shooter.shoot(QStringLiteral("10-list-loading"), database, noChange, [](app::AppModel &model, ui::MainWindow &) {
        model.load();
    });

    shooter.shoot(QStringLiteral("11-list-exporting"), database, noChange,
                  [](app::AppModel &model, ui::MainWindow &window) {
                      listScreen(window)->select(model.conversations().front().id);
                      model.exportConversation(model.conversations().front());
                  });

    // Without its database the export fails and says so.
    shooter.shoot(
        QStringLiteral("12-list-error"), database, noChange,
        [&](app::AppModel &model, ui::MainWindow &window) {
            listScreen(window)->select(model.conversations().front().id);
            std::filesystem::rename(database, homePath / "chat.db.away");
            model.exportConversation(model.conversations().front());
        },
        [&](app::AppModel &model) {
            if (!model.error())
                return false;
            std::filesystem::rename(homePath / "chat.db.away", database);
            return true;
        });

    // A Downloads folder that cannot be written: the reason names it.
    shooter.shoot(
        QStringLiteral("12-list-error-folder"), database, noChange,
        [&](app::AppModel &model, ui::MainWindow &window) {
            listScreen(window)->select(model.conversations().front().id);
            std::filesystem::remove_all(homePath / "Downloads");
            testsupport::writeFile(homePath / "Downloads", "a file where the folder should be");
            model.exportConversation(model.conversations().front());
        },
        [&](app::AppModel &model) {
            if (!model.error())
                return false;
            std::filesystem::remove(homePath / "Downloads");
            return true;
        });

    // A contacts file refused on the question, and one refused from the list.
    const auto refusing = [&](const QString &problem) {
        return [&, problem](uitest::FakeServices &services) {
            services.contactsStatus = contacts::AuthorizationStatus::NotDetermined;
            services.contactsAnswer = app::ContactsAnswer{app::ContactsAnswer::Outcome::FileRefused, problem};
        };
    };
    const auto refused = [](app::AppModel &model) {
        return model.contactsProblem().has_value();
    };
    shooter.shoot(
        QStringLiteral("04-contacts-refused"), database,
        refusing(app::naming(l10n::contactsFileEmpty(), homePath / "Downloads" / "contacts (exported).vcf")),
        [](app::AppModel &model, ui::MainWindow &) {
            model.requestContacts();
        },
        refused);
    shooter.shoot(
        QStringLiteral("12-list-notice"), database, refusing(app::qs(l10n::backupContactsUnreadable())),
        [](app::AppModel &model, ui::MainWindow &) {
            model.skipContacts();
            model.requestContacts();
        },
        refused);

    shooter.shoot(
        QStringLiteral("13-done"), database, noChange,
        [](app::AppModel &model, ui::MainWindow &window) {
            ui::ListScreen *screen = listScreen(window);
            screen->select(model.conversations().front().id);
            screen->exportButton()->click();
        },
        [](app::AppModel &model) {
            return model.phase() == app::AppModel::Phase::Done;
        });

    // The keyboard's way: the focus ring on a button, and on the row the arrow keys selected.
    shooter.shoot(
        QStringLiteral("14-contacts-focus"), database,
        [](uitest::FakeServices &services) {
            services.contactsStatus = contacts::AuthorizationStatus::NotDetermined;
        },
        [](app::AppModel &, ui::MainWindow &window) {
            QTest::keyClick(&window, Qt::Key_Tab);
        });

    shooter.shoot(QStringLiteral("15-list-keyboard"), database, noChange, [](app::AppModel &, ui::MainWindow &window) {
        ui::ListScreen *screen = listScreen(window);
        QTest::keyClick(screen->searchInput(), Qt::Key_Down);
        QTest::keyClick(screen->searchInput(), Qt::Key_Tab);
        QTest::keyClick(screen->listView(), Qt::Key_Down);
    });

    // On a desktop without the interface font the system's sans draws it, wider: the button's
    // label then takes two lines instead of being cut.
    const QFont interfaceFont = QApplication::font();
    QFont systemSans = interfaceFont;
    systemSans.setFamilies({QStringLiteral("DejaVu Sans")});
    QApplication::setFont(systemSans);
    shooter.shoot(QStringLiteral("16-no-messages-system-font"), missing, noChange);
    QApplication::setFont(interfaceFont);

    // Choosing the source: the step itself, what was wrong with a path, the backups of a folder, the
    // password of an encrypted one (wrong, then while unlocking), and the copy panel of a desktop
    // that could not open an address.
    using Phase = app::AppModel::Phase;
    const auto reaches = [](Phase phase) {
        return [phase](app::AppModel &model) {
            return model.phase() == phase;
        };
    };
    apptest::FakeMessageSources sources;
    shooter.shootSources(QStringLiteral("17-source"), sources, std::nullopt, {}, reaches(Phase::Source));

    const std::filesystem::path oldBackup = homePath / "Backups/00008030-001A2B3C4D5E6F70";
    sources.add(oldBackup, {app::SourceKind::BackupTooOld, {}, {}, {}, {}, false, false});
    shooter.shootSources(QStringLiteral("18-source-problem"), sources, oldBackup, {}, [](app::AppModel &model) {
        return model.phase() == Phase::Source && model.sourceProblem().has_value();
    });

    const auto madeOn = [](std::int64_t unixSeconds) {
        return std::chrono::system_clock::time_point(std::chrono::seconds(unixSeconds));
    };
    const app::BackupDescription annasPhone{
        homePath / "Backups/anna", "Anna's iPhone", madeOn(1717200000), true, true, "17.4"};
    const app::BackupDescription ipad{homePath / "Backups/ipad", "iPad", madeOn(1709251200), false, true, "17.4"};
    const app::BackupDescription oldPhone{
        homePath / "Backups/old", "iPhone 8", madeOn(1614556800), false, false, "17.4"};
    sources.add(homePath / "Backups",
                {app::SourceKind::BackupFolder, {}, {annasPhone, ipad, oldPhone}, {}, {}, false, false});
    shooter.shootSources(QStringLiteral("19-backups"), sources, homePath / "Backups", {}, reaches(Phase::Backups));

    apptest::FakeMessageSources::Source encrypted;
    encrypted.kind = app::SourceKind::EncryptedBackup;
    encrypted.database = database;
    encrypted.password = "secret";
    sources.add(annasPhone.path, encrypted);
    const auto typePassword = [](app::AppModel &, ui::MainWindow &window) {
        auto *screen = qobject_cast<ui::PasswordScreen *>(window.rootView()->currentScreen());
        if (screen == nullptr)
            return;
        QTest::keyClicks(screen->passwordInput(), QStringLiteral("wrong"));
        screen->unlockButton()->click();
    };
    const auto onPassword = [&](app::AppModel &model, ui::MainWindow &window) {
        uitest::waitUntil([&] {
            return model.phase() == Phase::Password;
        });
        typePassword(model, window);
    };
    shooter.shootSources(QStringLiteral("20-password-wrong"), sources, annasPhone.path, onPassword,
                         [](app::AppModel &model) {
                             return model.wrongPassword() && !model.unlocking();
                         });

    const auto gate = std::make_shared<apptest::Gate>();
    sources.holdUnlocks(gate);
    shooter.shootSources(
        QStringLiteral("21-password-unlocking"), sources, annasPhone.path, onPassword,
        [](app::AppModel &model) {
            return model.unlocking();
        },
        [&] {
            gate->open();
        });

    shooter.shoot(
        QStringLiteral("22-copy-panel"), database,
        [](uitest::FakeServices &services) {
            services.desktopOpensThings = false;
        },
        [](app::AppModel &model, ui::MainWindow &) {
            model.exportConversation(model.conversations().front());
        },
        [](app::AppModel &model) {
            if (model.phase() != Phase::Done)
                return false;
            if (!model.unopened())
                model.openUploadPage();
            return true;
        });

    return shooter.failures() == 0 ? 0 : 1;
}
