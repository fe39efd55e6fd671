#include "l10n/strings.h"
#include "ui/access_screen.h"
#include "ui/card.h"
#include "ui/chunky_button.h"
#include "ui/contacts_screen.h"
#include "ui/done_screen.h"
#include "ui/file_drag.h"
#include "ui/list_screen.h"
#include "ui/no_messages_screen.h"
#include "ui/text_button.h"
#include "ui/welcome_screen.h"
#include "ui_test_support.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using Phase = app::AppModel::Phase;

class RootViewTest : public uitest::ScreenTest
{
protected:
    // A folder where the database should be: it exists but cannot be read as a file.
    std::filesystem::path unreadableDatabase()
    {
        const std::filesystem::path path = dir / "protected/chat.db";
        std::filesystem::create_directories(path);
        return path;
    }
    std::filesystem::path missingDatabase()
    {
        std::filesystem::create_directories(dir / "empty");
        return dir / "empty/chat.db";
    }
};

TEST_F(RootViewTest, EachPhaseShowsItsScreen)
{
    services.seenWelcome = false;
    services.contactsStatus = contacts::AuthorizationStatus::NotDetermined;
    start(writeStandardHistory());
    EXPECT_NE(screen<ui::WelcomeScreen>(), nullptr);

    model->finishWelcome();
    ASSERT_TRUE(waitForPhase(Phase::Contacts));
    EXPECT_NE(screen<ui::ContactsScreen>(), nullptr);

    model->skipContacts();
    ASSERT_TRUE(waitForPhase(Phase::List));
    EXPECT_NE(screen<ui::ListScreen>(), nullptr);
    ASSERT_TRUE(waitForConversations());

    model->exportConversation(model->conversations().front());
    ASSERT_TRUE(waitForPhase(Phase::Done));
    EXPECT_NE(screen<ui::DoneScreen>(), nullptr);
}

TEST_F(RootViewTest, UnreadableDatabaseShowsAccessScreenAndMissingOneTheNoMessagesScreen)
{
    start(unreadableDatabase());
    EXPECT_EQ(model->phase(), Phase::Access);
    EXPECT_NE(screen<ui::AccessScreen>(), nullptr);

    TearDown();
    start(missingDatabase());
    EXPECT_EQ(model->phase(), Phase::NoMessages);
    EXPECT_NE(screen<ui::NoMessagesScreen>(), nullptr);
}

TEST_F(RootViewTest, ChangeOfScreenFadesWithAnEaseOutCurve)
{
    services.seenWelcome = false;
    start(writeStandardHistory());
    EXPECT_FALSE(window->rootView()->isTransitionRunning());
    model->finishWelcome();
    EXPECT_TRUE(window->rootView()->isTransitionRunning());
    EXPECT_TRUE(uitest::waitUntil([&] {
        return !window->rootView()->isTransitionRunning();
    }));

    const QEasingCurve curve = ui::RootView::transitionCurve();
    EXPECT_EQ(ui::RootView::transitionMilliseconds, 250);
    EXPECT_DOUBLE_EQ(curve.valueForProgress(0.0), 0.0);
    EXPECT_DOUBLE_EQ(curve.valueForProgress(1.0), 1.0);
    // Fast at first, slow at the end.
    EXPECT_GT(curve.valueForProgress(0.25), 0.35);
    EXPECT_GT(curve.valueForProgress(0.5), 0.65);
}

TEST_F(RootViewTest, RepeatedAnnouncementOfTheSamePhaseKeepsTheScreen)
{
    startOnList();
    auto *list = screen<ui::ListScreen>();
    ASSERT_NE(list, nullptr);
    list->searchInput()->setText(QStringLiteral("anna"));
    list->select(model->conversations().front().id);

    // The model announces the list phase again and reloads.
    model->skipContacts();
    ASSERT_TRUE(waitForConversations());
    EXPECT_EQ(screen<ui::ListScreen>(), list);
    EXPECT_EQ(list->searchInput()->text(), QStringLiteral("anna"));
    EXPECT_TRUE(list->selectedID().has_value());
}

TEST_F(RootViewTest, ReenteringTheListPhaseClearsSearchAndSelection)
{
    startOnList();
    auto *list = screen<ui::ListScreen>();
    list->searchInput()->setText(QStringLiteral("anna"));
    list->select(model->conversations().front().id);
    list->exportButton()->click();
    ASSERT_TRUE(waitForPhase(Phase::Done));

    screen<ui::DoneScreen>()->exportAnotherButton()->click();
    ASSERT_TRUE(waitForPhase(Phase::List));
    auto *fresh = screen<ui::ListScreen>();
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(fresh->searchInput()->text().isEmpty());
    EXPECT_FALSE(fresh->selectedID().has_value());
}

TEST_F(RootViewTest, ReturnActsAsTheDefaultButtonOfWelcomeAccessAndContacts)
{
    services.seenWelcome = false;
    services.contactsStatus = contacts::AuthorizationStatus::NotDetermined;
    start(writeStandardHistory());
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_TRUE(services.seenWelcome);
    ASSERT_TRUE(waitForPhase(Phase::Contacts));

    QTest::keyClick(window.get(), Qt::Key_Enter);
    EXPECT_EQ(services.contactsRequests, 1);
    ASSERT_TRUE(waitForPhase(Phase::List));

    TearDown();
    start(unreadableDatabase());
    ASSERT_NE(screen<ui::AccessScreen>(), nullptr);
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_EQ(services.privacySettingsOpened, 1);
}

TEST_F(RootViewTest, ReturnDoesNothingOnTheNoMessagesScreen)
{
    start(missingDatabase());
    ASSERT_NE(screen<ui::NoMessagesScreen>(), nullptr);
    QTest::keyClick(window.get(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(services.relaunches, 0);
    EXPECT_EQ(model->phase(), Phase::NoMessages);
}

TEST_F(RootViewTest, BothQuitAndReopenControlsRelaunch)
{
    start(unreadableDatabase());
    auto *access = screen<ui::AccessScreen>();
    ASSERT_NE(access, nullptr);
    QTest::mouseClick(access->quitAndReopenLink(), Qt::LeftButton);
    EXPECT_EQ(services.relaunches, 1);

    TearDown();
    start(missingDatabase());
    auto *noMessages = screen<ui::NoMessagesScreen>();
    ASSERT_NE(noMessages, nullptr);
    QTest::mouseClick(noMessages->quitAndReopenButton(), Qt::LeftButton);
    EXPECT_EQ(services.relaunches, 2);
}

TEST_F(RootViewTest, AccessStepsShowTheHintOnlyOnTheSecondAndTheIconAtItsRight)
{
    start(unreadableDatabase());
    auto *access = screen<ui::AccessScreen>();
    ASSERT_NE(access, nullptr);
    const QList<ui::Step *> steps = access->findChildren<ui::Step *>();
    ASSERT_EQ(steps.size(), 3);
    EXPECT_FALSE(steps[0]->hasHint());
    EXPECT_TRUE(steps[1]->hasHint());
    EXPECT_FALSE(steps[2]->hasHint());

    auto *icon = access->findChild<ui::AppIconDrag *>();
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->size(), QSize(52, 52));
    EXPECT_EQ(icon->toolTip(), l10n::linuxWords ? QStringLiteral("Tovik") : QStringLiteral("Tovik for Mac"));
    const QPoint iconRight = icon->mapTo(access, QPoint(icon->width(), 0));
    const QPoint stepRight = steps[1]->mapTo(access, QPoint(steps[1]->width(), 0));
    EXPECT_GE(iconRight.x(), stepRight.x());
    EXPECT_EQ(iconRight.x(), access->width() - 32 - ui::Card::padding);
}

TEST_F(RootViewTest, AppIconDragOffersTheApplicationFile)
{
    start(unreadableDatabase());
    auto *icon = screen<ui::AccessScreen>()->findChild<ui::AppIconDrag *>();
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->filePath(), services.applicationFile);
    const std::unique_ptr<QMimeData> data = ui::fileDragData(icon->filePath());
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->urls().front(), QUrl::fromLocalFile(services.applicationFile));
}

class DoneScreenTest : public uitest::ScreenTest
{};

TEST_F(DoneScreenTest, ShowsTheWrittenFileAsADraggableCard)
{
    startOnList();
    model->exportConversation(model->conversations().front());
    ASSERT_TRUE(waitForPhase(Phase::Done));
    auto *done = screen<ui::DoneScreen>();
    ASSERT_NE(done->fileCard(), nullptr);
    const QString path = model->exported()->path;
    EXPECT_EQ(done->fileCard()->filePath(), path);
    EXPECT_EQ(done->fileCard()->nameLabel()->text(), QFileInfo(path).fileName());
    EXPECT_TRUE(QFileInfo(path).fileName().startsWith(QStringLiteral("Tovik - Anna Smith")));
    EXPECT_NE(ui::fileDragData(path), nullptr);

    QFile::remove(path);
    EXPECT_EQ(ui::fileDragData(done->fileCard()->filePath()), nullptr);
}

TEST_F(DoneScreenTest, ReturnOpensTheUploadPageAndRevealsTheFile)
{
    startOnList();
    model->exportConversation(model->conversations().front());
    ASSERT_TRUE(waitForPhase(Phase::Done));
    QTest::keyClick(window.get(), Qt::Key_Return);
    ASSERT_EQ(services.openedUrls.size(), 1);
    EXPECT_EQ(services.openedUrls.front(), model->startURL());
    EXPECT_EQ(services.revealedFiles, QStringList{model->exported()->path});
}

TEST_F(DoneScreenTest, LongFileNameStaysOnOneLine)
{
    startOnList();
    catalogue::Conversation longTitle = model->conversations().front();
    longTitle.title = std::string(58, 'W');
    model->exportConversation(longTitle);
    ASSERT_TRUE(waitForPhase(Phase::Done));
    ui::ElidedLabel *name = screen<ui::DoneScreen>()->fileCard()->nameLabel();
    EXPECT_EQ(name->height(), name->fontMetrics().height());
    EXPECT_TRUE(name->displayedText().endsWith(QChar(0x2026)));
}

TEST_F(DoneScreenTest, WithoutAnExportTheCardIsLeftOutAndTheButtonsStillWork)
{
    startOnList();
    model->exportConversation(model->conversations().front());
    ASSERT_TRUE(waitForPhase(Phase::Done));
    // Going back forgets the export before the screen changes; the card goes with it.
    auto *done = screen<ui::DoneScreen>();
    QSignalSpy forgotten(model.get(), &app::AppModel::exportedChanged);
    QObject::connect(model.get(), &app::AppModel::exportedChanged, done, [&] {
        EXPECT_EQ(done->fileCard(), nullptr);
        done->showInFinderButton()->click();
        done->uploadButton()->click();
    });
    model->backToList();
    ASSERT_EQ(forgotten.count(), 1);
    EXPECT_TRUE(services.revealedFiles.isEmpty());
    EXPECT_EQ(services.openedUrls, QList<QUrl>{model->startURL()});
}
