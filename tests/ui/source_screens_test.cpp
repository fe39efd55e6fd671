#include "app/fake_message_sources.h"
#include "app/texts.h"
#include "l10n/strings.h"
#include "support/backup_fixture.h"
#include "support/temp_dir.h"
#include "ui/backups_screen.h"
#include "ui/chunky_button.h"
#include "ui/contacts_screen.h"
#include "ui/copy_panel.h"
#include "ui/done_screen.h"
#include "ui/list_screen.h"
#include "ui/password_screen.h"
#include "ui/source_screen.h"
#include "ui/text_button.h"
#include "ui_test_support.h"

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>

using app::BackupDescription;
using app::SourceKind;
using uitest::waitUntil;
using Phase = app::AppModel::Phase;
namespace fs = std::filesystem;

namespace
{

QString qpath(const fs::path &path)
{
    return QString::fromStdString(path.string());
}

} // namespace

// The window where the user chooses the source, on fake backups whose messages are real databases.
class SourceScreensTest : public uitest::ScreenTest
{
protected:
    void addDatabase(const fs::path &path)
    {
        sources.add(path, {SourceKind::Database, path, {}, {}, {}, false, false});
    }

    void drop(const fs::path &path)
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(qpath(path))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->rootView(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        EXPECT_TRUE(window->rootView()->isDropHighlighted());
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->rootView(), &dropped);
        EXPECT_FALSE(window->rootView()->isDropHighlighted());
    }
};

TEST_F(SourceScreensTest, WithoutMessagesTheSourceStepShowsAndADroppedPathThatIsNotThereIsNamed)
{
    startChoosing();
    ASSERT_TRUE(waitForPhase(Phase::Source));
    auto *source = screen<ui::SourceScreen>();
    ASSERT_NE(source, nullptr);
    EXPECT_FALSE(source->problemLabel()->isVisible());
    EXPECT_TRUE(source->findChild<QLabel *>(QStringLiteral("backupCommand"))
                    ->text()
                    .contains(QStringLiteral("idevicebackup2")));
    EXPECT_EQ(window->windowTitle(), app::applicationName());

    drop(dir / "typo.db");

    ASSERT_TRUE(waitUntil([&] {
        return source->problemLabel()->isVisible();
    }));
    EXPECT_EQ(source->problemLabel()->text(),
              app::qs(l10n::sourceNotFound()).replace(QStringLiteral("{path}"), qpath(dir / "typo.db")));
    EXPECT_EQ(screen<ui::SourceScreen>(), source);
}

TEST_F(SourceScreensTest, ADatabaseChosenInTheDialogLeadsToTheList)
{
    services.contactsStatus = contacts::AuthorizationStatus::Authorized;
    const fs::path database = writeStandardHistory();
    addDatabase(database);
    startChoosing();
    ASSERT_TRUE(waitForPhase(Phase::Source));

    screen<ui::SourceScreen>()->chooseButton()->click();
    ui::SourceDialog *dialog = screen<ui::SourceScreen>()->dialog();
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile(qpath(database));
    dialog->accept();

    ASSERT_TRUE(waitForPhase(Phase::List));
    ASSERT_TRUE(waitForConversations());
    EXPECT_EQ(model->source(), database);
    auto *list = screen<ui::ListScreen>();
    ASSERT_NE(list->otherMessagesLink(), nullptr);
    ASSERT_NE(list->chooseContactsLink(), nullptr);
}

TEST_F(SourceScreensTest, TheSourceDialogTakesAFolderAsWellAsAFile)
{
    fs::create_directories(dir / "Backups");
    ui::SourceDialog dialog;
    dialog.setDirectory(qpath(dir.path()));
    dialog.selectFile(qpath(dir / "Backups"));

    dialog.accept();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosen(), dir / "Backups");
}

TEST_F(SourceScreensTest, PickingAnEncryptedBackupAsksItsPasswordUntilItIsRight)
{
    const BackupDescription locked{dir / "all" / "locked", "Anna's iPhone", std::nullopt, true, true, "17.4"};
    const BackupDescription partial{dir / "all" / "partial", "Old iPhone", std::nullopt, false, false, "17.4"};
    sources.add(dir / "all", {SourceKind::BackupFolder, {}, {locked, partial}, {}, {}, false, false});
    sources.add(locked.path, backupSource("hunter2"));
    startChoosing(dir / "all");

    ASSERT_TRUE(waitForPhase(Phase::Backups));
    auto *picker = screen<ui::BackupsScreen>();
    ASSERT_EQ(picker->rows().size(), 2u);
    EXPECT_EQ(picker->rows()[0]->title(), QStringLiteral("Anna's iPhone"));
    EXPECT_TRUE(picker->rows()[0]->details().contains(app::qs(l10n::encryptedBadge())));
    EXPECT_TRUE(picker->rows()[1]->details().contains(app::qs(l10n::incompleteBadge())));

    picker->rows()[0]->click();
    ASSERT_TRUE(waitForPhase(Phase::Password));
    auto *password = screen<ui::PasswordScreen>();
    EXPECT_FALSE(password->unlockButton()->isEnabled());
    EXPECT_EQ(password->passwordInput()->echoMode(), QLineEdit::Password);

    QTest::keyClicks(password->passwordInput(), QStringLiteral("wrong"));
    QTest::keyClick(password->passwordInput(), Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] {
        return password->wrongLabel()->isVisible();
    }));
    EXPECT_EQ(screen<ui::PasswordScreen>(), password);

    password->passwordInput()->setText(QStringLiteral("hunter2"));
    password->unlockButton()->click();
    ASSERT_TRUE(waitForPhase(Phase::List));
    ASSERT_TRUE(waitForConversations());
    EXPECT_EQ(model->conversations()[0].title, "Anna Smith");
    // Names come from the backup: no contacts link.
    EXPECT_EQ(screen<ui::ListScreen>()->chooseContactsLink(), nullptr);
}

TEST_F(SourceScreensTest, ThePasswordScreenAndTheListLeadBackToTheSourceStep)
{
    sources.add(dir / "locked", backupSource("x"));
    addDatabase(dir / "chat.db");
    startChoosing(dir / "locked");
    ASSERT_TRUE(waitForPhase(Phase::Password));

    screen<ui::PasswordScreen>()->backButton()->click();
    ASSERT_TRUE(waitForPhase(Phase::Source));

    drop(dir / "chat.db");
    ASSERT_TRUE(waitForPhase(Phase::List));
    ASSERT_TRUE(waitForConversations());
    screen<ui::ListScreen>()->otherMessagesLink()->click();
    ASSERT_TRUE(waitForPhase(Phase::Source));
}

TEST_F(SourceScreensTest, WithoutABrowserTheDoneScreenOffersTheAddressForCopying)
{
    services.contactsStatus = contacts::AuthorizationStatus::Authorized;
    services.desktopOpensThings = false;
    addDatabase(writeStandardHistory());
    startChoosing(dir / "chat.db");
    ASSERT_TRUE(waitForConversations());
    model->exportConversation(model->conversations()[0]);
    ASSERT_TRUE(waitForPhase(Phase::Done));
    auto *done = screen<ui::DoneScreen>();
    EXPECT_FALSE(done->copyPanel()->isVisible());
    const QPoint before = done->uploadButton()->mapTo(window.get(), QPoint());

    done->uploadButton()->click();

    ASSERT_TRUE(done->copyPanel()->isVisible());
    QCoreApplication::processEvents();
    EXPECT_EQ(done->uploadButton()->mapTo(window.get(), QPoint()), before); // nothing jumps
    EXPECT_EQ(done->copyPanel()->textField()->text(), model->startURL().toString());
    done->copyPanel()->copyButton()->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), model->startURL().toString());
    fs::remove(model->exported()->path.toStdString());
}

TEST_F(SourceScreensTest, TheContactsButtonSaysWhatItDoesAndACancelOrARefusedFileStaysOnTheQuestion)
{
    services.contactsStatus = contacts::AuthorizationStatus::NotDetermined;
    addDatabase(writeStandardHistory());
    startChoosing(dir / "chat.db");
    ASSERT_TRUE(waitForPhase(Phase::Contacts));
    auto *contacts = screen<ui::ContactsScreen>();
    EXPECT_EQ(contacts->allowButton()->text(), app::qs(l10n::allowContacts()));
    if (l10n::linuxWords) {
        for (const l10n::StringEntry &entry : l10n::stringTable()) {
            if (entry.key == "allowContactsLinux") {
                EXPECT_EQ(contacts->allowButton()->text(), app::qs(l10n::localized(entry.english, entry.french)));
            }
        }
        ASSERT_NE(contacts->hintLabel(), nullptr);
        EXPECT_EQ(contacts->hintLabel()->text(), app::qs(l10n::contactsFileHint()));
    }
    EXPECT_FALSE(contacts->problemLabel()->isVisible());

    services.contactsAnswer = app::ContactsAnswer{app::ContactsAnswer::Outcome::Cancelled, {}};
    contacts->allowButton()->click();
    ASSERT_TRUE(waitUntil([&] {
        return services.contactsRequests == 1;
    }));
    QCoreApplication::processEvents();
    EXPECT_EQ(screen<ui::ContactsScreen>(), contacts);
    EXPECT_FALSE(contacts->problemLabel()->isVisible());

    const QString why = app::naming(l10n::contactsFileEmpty(), dir / "noise.vcf");
    services.contactsAnswer = app::ContactsAnswer{app::ContactsAnswer::Outcome::FileRefused, why};
    contacts->allowButton()->click();
    ASSERT_TRUE(waitUntil([&] {
        return contacts->problemLabel()->isVisible();
    }));
    EXPECT_EQ(contacts->problemLabel()->text(), why);
    EXPECT_EQ(model->phase(), Phase::Contacts);

    contacts->skipButton()->click();
    ASSERT_TRUE(waitForPhase(Phase::List));
}

TEST_F(SourceScreensTest, TheListsHintFitsTheSourceAndAFailedExportNamesItsReason)
{
    services.contactsStatus = contacts::AuthorizationStatus::Authorized;
    sources.add(dir / "backup", backupSource()); // its messages are dir / "chat.db"
    addDatabase(dir / "chat.db");
    startChoosing(dir / "chat.db");
    ASSERT_TRUE(waitForConversations());
    EXPECT_EQ(screen<ui::ListScreen>()->hintLabel()->text(), app::olderMessagesHint(SourceKind::Database));
    EXPECT_EQ(app::olderMessagesHint(SourceKind::Database) == app::qs(l10n::olderMessagesHint()), !l10n::linuxWords);

    drop(dir / "backup");
    ASSERT_TRUE(waitUntil([&] {
        return model->source() == dir / "backup" && !model->loading();
    }));
    auto *list = screen<ui::ListScreen>();
    EXPECT_EQ(list->hintLabel()->text(), app::qs(l10n::olderMessagesHint()));
    EXPECT_FALSE(list->errorReasonLabel()->isVisible());

    fs::remove(dir / "chat.db");
    model->exportConversation(model->conversations()[0]);
    ASSERT_TRUE(waitUntil([&] {
        return list->errorLabel()->isVisible();
    }));
    EXPECT_EQ(list->errorReasonLabel()->text(), app::qs(l10n::exportFailedSourceGone()));
    EXPECT_TRUE(list->errorReasonLabel()->isVisible());
}

TEST_F(SourceScreensTest, TheDoneScreenNamesTheDownloadFolderByItsOwnNameWithItsPath)
{
    const fs::path home = qEnvironmentVariable("HOME").toStdString();
    const fs::path userDirs = qEnvironmentVariable("XDG_CONFIG_HOME").toStdString() + "/user-dirs.dirs";
    fs::create_directories(userDirs.parent_path());
    testsupport::writeFile(userDirs, "XDG_DOWNLOAD_DIR=\"$HOME/Herunterladen\"\n");
    services.contactsStatus = contacts::AuthorizationStatus::Authorized;
    addDatabase(writeStandardHistory());
    startChoosing(dir / "chat.db");
    ASSERT_TRUE(waitForConversations());
    model->exportConversation(model->conversations()[0]);
    ASSERT_TRUE(waitForPhase(Phase::Done));
    fs::remove(userDirs);

    auto *done = screen<ui::DoneScreen>();
    EXPECT_EQ(done->titleLabel()->text(), app::savedInText(qpath(home / "Herunterladen")));
    if (l10n::linuxWords) {
        EXPECT_TRUE(done->titleLabel()->text().contains(QStringLiteral("Herunterladen")));
    }
    EXPECT_EQ(done->folderLabel()->text(), qpath(home / "Herunterladen"));
    EXPECT_TRUE(fs::exists(model->exported()->path.toStdString()));
    fs::remove_all(home / "Herunterladen");
}

TEST_F(SourceScreensTest, FoundSourcesTakeTheFocusOnlyWhenTheUserIsNowhereElse)
{
    const fs::path home = dir / "home";
    testsupport::makeBackup(home / "iPhone-Backup" / "phone", {});
    startChoosing();
    ASSERT_TRUE(waitForPhase(Phase::Source));
    auto *source = screen<ui::SourceScreen>();
    source->chooseButton()->setFocus(Qt::TabFocusReason);
    const auto lookedAgain = [&] {
        model->setDiscoveryRoots({home, dir / "no-mountinfo", {}, {}});
        return waitUntil([&] {
            return !model->discovering() && source->foundRows().size() == 1;
        });
    };

    ASSERT_TRUE(lookedAgain());
    EXPECT_EQ(QApplication::focusWidget(), source->chooseButton());

    // On a row, the keyboard stays on the row that replaces it.
    source->foundRows()[0]->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(lookedAgain());
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), source->foundRows()[0]);
}
