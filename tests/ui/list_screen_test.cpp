#include "l10n/message_count.h"
#include "l10n/strings.h"
#include "ui/chunky_button.h"
#include "ui/conversation_list_model.h"
#include "ui/conversation_list_view.h"
#include "ui/list_rules.h"
#include "ui/list_screen.h"
#include "ui/palette.h"
#include "ui/row_delegate.h"
#include "ui_test_support.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

using catalogue::Conversation;
using Content = ui::ListScreen::Content;

class ListScreenTest : public uitest::ScreenTest
{
protected:
    void SetUp() override
    {
        startOnList();
        list = screen<ui::ListScreen>();
        ASSERT_NE(list, nullptr);
    }

    const Conversation &named(const std::string &title) const
    {
        for (const Conversation &conversation : model->conversations()) {
            if (conversation.title == title)
                return conversation;
        }
        ADD_FAILURE() << "no conversation " << title;
        return model->conversations().front();
    }

    int rowOf(const std::string &title) const
    {
        for (int row = 0; row < list->listModel()->rowCount(); ++row) {
            if (list->listModel()->conversationAt(row).title == title)
                return row;
        }
        return -1;
    }

    QPoint rowCentre(int row) const
    {
        list->listView()->scrollTo(list->listModel()->index(row));
        return list->listView()->rowFaceRect(row).center();
    }

    // What the platform delivers for a double click: a click, then a second press reported as a
    // double click, then its release.
    void doubleClick(QPoint at) const
    {
        QWidget *viewport = list->listView()->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
    }

    QString buttonText() const { return list->exportButton()->text(); }

    ui::ListScreen *list = nullptr;
};

TEST_F(ListScreenTest, ShowsEveryConversationLargestFirstUntilSearched)
{
    EXPECT_EQ(list->content(), Content::Rows);
    ASSERT_EQ(list->listModel()->rowCount(), 8);
    EXPECT_EQ(list->listModel()->conversationAt(0).title, "Anna Smith");
    EXPECT_EQ(list->listModel()->conversationAt(1).title, "Book club");

    list->searchInput()->setText(QStringLiteral("   "));
    EXPECT_EQ(list->listModel()->rowCount(), 8);

    list->searchInput()->setText(QStringLiteral("ANNA"));
    EXPECT_EQ(list->listModel()->rowCount(), 2); // Anna Smith, and Book club through its member
    list->searchInput()->setText(QStringLiteral("zzz"));
    EXPECT_EQ(list->content(), Content::NothingFound);
}

TEST_F(ListScreenTest, ClickAnywhereOnARowSelectsIt)
{
    const int bob = rowOf("Bob Jones");
    QTest::mouseClick(list->listView()->viewport(), Qt::LeftButton, {}, rowCentre(bob));
    EXPECT_EQ(list->selectedID(), named("Bob Jones").id);

    // The empty space between the texts and the right end of the row.
    const QRect face = list->listView()->rowFaceRect(rowOf("Carla Diaz"));
    QTest::mouseClick(list->listView()->viewport(), Qt::LeftButton, {}, QPoint(face.right() - 4, face.center().y()));
    EXPECT_EQ(list->selectedID(), named("Carla Diaz").id);
}

TEST_F(ListScreenTest, NinetyNineMessagesAreTooShortAndAHundredAreEnough)
{
    EXPECT_FALSE(list->exportButton()->isEnabled());
    EXPECT_TRUE(list->tooShortLabel()->isHidden());
    EXPECT_EQ(buttonText(), QString::fromStdString(l10n::exportButton()));

    list->select(named("Carla Diaz").id);
    EXPECT_FALSE(list->tooShortLabel()->isHidden());
    EXPECT_FALSE(list->exportButton()->isEnabled());
    EXPECT_EQ(buttonText(), QString::fromStdString(l10n::exportButton() + ": Carla Diaz"));

    list->select(named("Bob Jones").id);
    EXPECT_TRUE(list->tooShortLabel()->isHidden());
    EXPECT_TRUE(list->exportButton()->isEnabled());
}

TEST_F(ListScreenTest, ShortRowsAreDrawnAtFiftyFivePercent)
{
    ui::RowDelegate *delegate = list->listView()->rowDelegate();
    const auto faceAlpha = [&](const std::string &title) {
        QImage image(400, delegate->rowHeight() + ui::RowDelegate::rowSpacing, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.rect = image.rect();
        delegate->paint(&painter, option, list->listModel()->index(rowOf(title)));
        painter.end();
        // Inside the face, right of the texts.
        return image.pixelColor(image.width() - ui::RowDelegate::sideInset - 8, delegate->rowHeight() / 2).alpha();
    };
    EXPECT_EQ(faceAlpha("Bob Jones"), 255);
    EXPECT_NEAR(faceAlpha("Carla Diaz"), 0.55 * 255, 2);
}

TEST_F(ListScreenTest, DisabledExportButtonIgnoresClicksAndReturn)
{
    QTest::mouseClick(list->exportButton(), Qt::LeftButton);
    QTest::keyClick(window.get(), Qt::Key_Return);
    list->select(named("Carla Diaz").id);
    QTest::mouseClick(list->exportButton(), Qt::LeftButton);
    QTest::keyClick(window.get(), Qt::Key_Return);
    EXPECT_FALSE(model->exportingID().has_value());
}

TEST_F(ListScreenTest, ReturnExportsTheSelectedConversation)
{
    list->select(named("Bob Jones").id);
    QTest::keyClick(list->searchInput(), Qt::Key_Return);
    EXPECT_EQ(model->exportingID(), QString::fromStdString(named("Bob Jones").id));
}

TEST_F(ListScreenTest, DoubleClickExportsOnlyALongEnoughConversation)
{
    doubleClick(rowCentre(rowOf("Carla Diaz")));
    EXPECT_EQ(list->selectedID(), named("Carla Diaz").id);
    EXPECT_FALSE(model->exportingID().has_value());

    doubleClick(rowCentre(rowOf("Bob Jones")));
    EXPECT_EQ(list->selectedID(), named("Bob Jones").id);
    EXPECT_EQ(model->exportingID(), QString::fromStdString(named("Bob Jones").id));
}

TEST_F(ListScreenTest, WhileAnExportRunsTheButtonSpinsAndRowsStillSelect)
{
    list->select(named("Anna Smith").id);
    list->exportButton()->click();
    const QString running = QString::fromStdString(named("Anna Smith").id);
    ASSERT_EQ(model->exportingID(), running);
    EXPECT_FALSE(list->exportButton()->isEnabled());
    EXPECT_TRUE(list->exportButton()->isBusy());
    EXPECT_EQ(buttonText(), QString::fromStdString(l10n::exporting()));

    list->activate(named("Bob Jones"));
    EXPECT_EQ(list->selectedID(), named("Bob Jones").id);
    EXPECT_EQ(model->exportingID(), running);
}

TEST_F(ListScreenTest, AvatarColoursFollowThePositionInTheShownList)
{
    ui::ConversationListModel *rows = list->listModel();
    const auto colour = [&](int row) {
        return rows->data(rows->index(row), ui::ConversationListModel::AvatarColorRole).value<QColor>();
    };
    EXPECT_EQ(colour(0), ui::Palette::rowColors()[0]);
    EXPECT_EQ(colour(1), ui::Palette::inkSoft()); // the group
    EXPECT_EQ(colour(6), colour(0));
    EXPECT_EQ(colour(7), ui::Palette::rowColors()[1]);

    // Bob Jones comes second when the search leaves the group before him.
    list->searchInput()->setText(QStringLiteral("bob"));
    ASSERT_EQ(rows->rowCount(), 2);
    EXPECT_EQ(rows->conversationAt(1).title, "Bob Jones");
    EXPECT_EQ(colour(1), ui::Palette::rowColors()[1]);
}

TEST_F(ListScreenTest, SubtitleOfASameMonthConversationNamesTheMonthOnce)
{
    ui::ConversationListModel *rows = list->listModel();
    const Conversation &carla = named("Carla Diaz");
    ASSERT_TRUE(carla.first && carla.last);
    const QString subtitle =
        rows->data(rows->index(rowOf("Carla Diaz")), ui::ConversationListModel::SubtitleRole).toString();
    const QString month = QString::fromStdString(l10n::sharedMonthYearFormatter().format(*carla.first));
    EXPECT_TRUE(subtitle.startsWith(QString::fromStdString(l10n::messageCountText(99)) + QStringLiteral(" \u00B7 ")));
    EXPECT_TRUE(subtitle.endsWith(month));
    EXPECT_EQ(subtitle.count(month), 1);
    EXPECT_FALSE(subtitle.contains(QStringLiteral(" - ")));
}

TEST_F(ListScreenTest, SelectionSurvivesASearchThatHidesItAndAReload)
{
    list->select(named("Carla Diaz").id);
    list->searchInput()->setText(QStringLiteral("anna"));
    EXPECT_EQ(rowOf("Carla Diaz"), -1);
    EXPECT_EQ(buttonText(), QString::fromStdString(l10n::exportButton() + ": Carla Diaz"));
    EXPECT_FALSE(list->tooShortLabel()->isHidden());

    model->load();
    EXPECT_EQ(list->content(), Content::Loading);
    ASSERT_TRUE(waitForConversations());
    EXPECT_EQ(list->content(), Content::Rows);
    EXPECT_EQ(list->selectedID(), named("Carla Diaz").id);
    EXPECT_EQ(list->listModel()->rowCount(), 2);
}

TEST_F(ListScreenTest, FailedExportShowsTheErrorAndStaysOnTheList)
{
    EXPECT_TRUE(list->errorLabel()->isHidden());
    std::filesystem::rename(dir / "chat.db", dir / "gone.db");
    list->select(named("Anna Smith").id);
    list->exportButton()->click();
    ASSERT_TRUE(uitest::waitUntil([&] {
        return model->error().has_value();
    }));
    EXPECT_FALSE(list->errorLabel()->isHidden());
    EXPECT_EQ(list->errorLabel()->text(), QString::fromStdString(l10n::exportFailed()));
    EXPECT_TRUE(list->exportButton()->isEnabled());
    EXPECT_EQ(screen<ui::ListScreen>(), list);
}
