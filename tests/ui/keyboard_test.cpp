#include "ui/access_screen.h"
#include "ui/backups_screen.h"
#include "ui/chunky_button.h"
#include "ui/contacts_screen.h"
#include "ui/conversation_list_model.h"
#include "ui/conversation_list_view.h"
#include "ui/list_screen.h"
#include "ui/palette.h"
#include "ui/password_screen.h"
#include "ui/source_screen.h"
#include "ui/text_button.h"
#include "ui_test_support.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using Phase = app::AppModel::Phase;

class KeyboardTest : public uitest::ScreenTest
{
protected:
    // A key as the platform delivers it: to whatever has the focus.
    void press(Qt::Key key)
    {
        QWidget *target = QApplication::focusWidget();
        QTest::keyClick(target != nullptr ? target : window.get(), key);
    }

    std::string selectedTitle(ui::ListScreen *list) const
    {
        const catalogue::Conversation *selected = list->selectedConversation();
        return selected != nullptr ? selected->title : std::string();
    }

    // True when the selected row lies wholly inside the list's viewport.
    bool selectionInSight(ui::ListScreen *list) const
    {
        const int row = list->listModel()->selectedRow();
        const QRect face = list->listView()->rowFaceRect(row);
        return row >= 0 && !face.isEmpty() && list->listView()->viewport()->rect().contains(face);
    }
};

TEST_F(KeyboardTest, TabVisitsEveryControlInReadingOrderWithAVisibleRing)
{
    services.contactsStatus = contacts::AuthorizationStatus::NotDetermined;
    start(writeStandardHistory());
    auto *contacts = screen<ui::ContactsScreen>();
    ASSERT_NE(contacts, nullptr);
    auto *allow = contacts->findChildren<ui::ChunkyButton *>().at(0);
    auto *skip = contacts->findChildren<ui::ChunkyButton *>().at(1);
    const QImage before = allow->grab().toImage();

    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), allow);
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), skip);
    press(Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), allow);

    // The ring: white, just inside the accent face, where the face was plain accent before.
    const QImage focused = allow->grab().toImage();
    const QPoint onRing(allow->width() / 2, static_cast<int>(allow->faceRect().top()) + 4);
    EXPECT_EQ(before.pixelColor(onRing), ui::Palette::accent());
    EXPECT_EQ(focused.pixelColor(onRing), ui::Palette::white());

    // A click does not take the focus; Return then acts on the focused button, not the default.
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), skip);
    press(Qt::Key_Return);
    EXPECT_EQ(services.contactsRequests, 0);
    EXPECT_TRUE(waitForPhase(Phase::List));
}

TEST_F(KeyboardTest, FocusedTextButtonTakesSpaceAndReturnItself)
{
    std::filesystem::create_directories(dir / "protected/chat.db");
    start(dir / "protected/chat.db");
    auto *access = screen<ui::AccessScreen>();
    ASSERT_NE(access, nullptr);
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), access->openSettingsButton());
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), access->quitAndReopenLink());
    press(Qt::Key_Return);
    press(Qt::Key_Space);
    EXPECT_EQ(services.relaunches, 2);
    EXPECT_EQ(services.privacySettingsOpened, 0);
}

TEST_F(KeyboardTest, ListSelectionFollowsTheKeysAndReturnExportsOnlyWhatIsLongEnough)
{
    startOnList();
    auto *list = screen<ui::ListScreen>();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(QApplication::focusWidget(), list->searchInput());
    list->listView()->setFixedHeight(130); // a few rows in sight, so the keys must scroll

    press(Qt::Key_Down);
    EXPECT_EQ(selectedTitle(list), "Anna Smith");
    press(Qt::Key_Down);
    press(Qt::Key_Up);
    press(Qt::Key_Up); // stays on the first row
    EXPECT_EQ(selectedTitle(list), "Anna Smith");

    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), list->listView());
    press(Qt::Key_End);
    EXPECT_EQ(list->listModel()->selectedRow(), list->listModel()->rowCount() - 1);
    EXPECT_TRUE(selectionInSight(list));
    press(Qt::Key_Home);
    EXPECT_EQ(list->listModel()->selectedRow(), 0);
    EXPECT_TRUE(selectionInSight(list));
    press(Qt::Key_PageDown);
    EXPECT_EQ(list->listModel()->selectedRow(), list->listView()->rowsPerPage());
    EXPECT_TRUE(selectionInSight(list));
    press(Qt::Key_PageUp);
    EXPECT_EQ(list->listModel()->selectedRow(), 0);

    // Back in the search: a 99-message conversation is selected but Return does not export it.
    press(Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), list->searchInput());
    QTest::keyClicks(list->searchInput(), QStringLiteral("carla"));
    press(Qt::Key_Down);
    EXPECT_EQ(selectedTitle(list), "Carla Diaz");
    press(Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_FALSE(model->exportingID().has_value());
    EXPECT_EQ(model->phase(), Phase::List);

    press(Qt::Key_Escape);
    EXPECT_TRUE(list->searchInput()->text().isEmpty());
    EXPECT_EQ(list->listModel()->rowCount(), static_cast<int>(model->conversations().size()));

    press(Qt::Key_Home); // in the search field Home is the text cursor's
    EXPECT_EQ(selectedTitle(list), "Carla Diaz");
    press(Qt::Key_Up);
    EXPECT_EQ(selectedTitle(list), "Bob Jones");
    press(Qt::Key_Return);
    EXPECT_TRUE(waitForPhase(Phase::Done));
}

TEST_F(KeyboardTest, BackupRowsFollowTheArrowKeysAndThePasswordScreenTheTabKey)
{
    const app::BackupDescription anna{dir / "all/anna", "Anna's iPhone", std::nullopt, false, true, "17.4"};
    const app::BackupDescription bob{dir / "all/bob", "Bob's iPad", std::nullopt, true, true, "17.4"};
    const app::BackupDescription old{dir / "all/old", "Old iPhone", std::nullopt, false, false, "17.4"};
    sources.add(dir / "all", {app::SourceKind::BackupFolder, {}, {anna, bob, old}, {}, {}, false, false});
    sources.add(bob.path, backupSource("secret"));
    startChoosing(dir / "all");
    ASSERT_TRUE(waitForPhase(Phase::Backups));
    const auto &rows = screen<ui::BackupsScreen>()->rows();
    ASSERT_EQ(rows.size(), 3U);
    const QPoint onRing(rows[0]->width() / 2, 4);
    const QImage before = rows[0]->grab().toImage();

    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), rows[0]);
    EXPECT_EQ(before.pixelColor(onRing), ui::Palette::white());
    EXPECT_EQ(rows[0]->grab().toImage().pixelColor(onRing), ui::Palette::accent());
    press(Qt::Key_End);
    EXPECT_EQ(QApplication::focusWidget(), rows[2]);
    press(Qt::Key_Down); // stays on the last row
    press(Qt::Key_Home);
    EXPECT_EQ(QApplication::focusWidget(), rows[0]);
    press(Qt::Key_Down);
    ASSERT_EQ(QApplication::focusWidget(), rows[1]);
    press(Qt::Key_Return);
    ASSERT_TRUE(waitForPhase(Phase::Password));

    // The field has the focus; Return does nothing while the unlock button is disabled.
    auto *password = screen<ui::PasswordScreen>();
    ASSERT_TRUE(uitest::waitUntil([&] {
        return QApplication::focusWidget() == password->passwordInput();
    }));
    press(Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(sources.unlockAttempts(), 0);
    const auto gate = std::make_shared<apptest::Gate>();
    sources.holdUnlocks(gate);
    QTest::keyClicks(password->passwordInput(), QStringLiteral("wrong"));
    press(Qt::Key_Return);
    ASSERT_TRUE(uitest::waitUntil([&] {
        return model->unlocking();
    }));
    EXPECT_EQ(QApplication::focusWidget(), password->passwordInput());
    press(Qt::Key_Return); // while unlocking: nothing
    gate->open();
    ASSERT_TRUE(uitest::waitUntil([&] {
        return password->wrongLabel()->isVisible();
    }));
    EXPECT_EQ(model->phase(), Phase::Password);
    EXPECT_EQ(sources.unlockAttempts(), 1);
    EXPECT_EQ(QApplication::focusWidget(), password->passwordInput());
    // The field is empty and takes the next password key by key, not one selected character.
    EXPECT_TRUE(password->passwordInput()->text().isEmpty());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("again"));
    EXPECT_EQ(password->passwordInput()->text(), QStringLiteral("again"));

    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), password->unlockButton());
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), password->backButton());
    press(Qt::Key_Space);
    ASSERT_TRUE(waitForPhase(Phase::Source));
    EXPECT_EQ(sources.unlockAttempts(), 1);

    // The source step's one button is its default.
    press(Qt::Key_Return);
    EXPECT_NE(screen<ui::SourceScreen>()->dialog(), nullptr);
    screen<ui::SourceScreen>()->dialog()->reject();
}
