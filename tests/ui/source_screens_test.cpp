#include "app/fake_message_sources.h"
#include "app/texts.h"
#include "l10n/strings.h"
#include "ui/backups_screen.h"
#include "ui/chunky_button.h"
#include "ui/copy_panel.h"
#include "ui/done_screen.h"
#include "ui/list_screen.h"
#include "ui/password_screen.h"
#include "ui/source_screen.h"
#include "ui/text_button.h"
#include "ui_test_support.h"

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
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(window->rootView(), &dropped);
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

    done->uploadButton()->click();

    ASSERT_TRUE(done->copyPanel()->isVisible());
    EXPECT_EQ(done->copyPanel()->textField()->text(), model->startURL().toString());
    done->copyPanel()->copyButton()->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), model->startURL().toString());
    fs::remove(model->exported()->path.toStdString());
}
