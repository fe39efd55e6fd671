#include "l10n/strings.h"
#include "ui/conversation_list_model.h"
#include "ui/interface_font.h"
#include "ui/list_screen.h"
#include "ui/palette.h"
#include "ui/row_delegate.h"
#include "ui/text_style.h"
#include "ui/welcome_screen.h"
#include "ui_test_support.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QSet>
#include <QStyleOptionViewItem>
#include <QTest>

#include <gtest/gtest.h>

using Phase = app::AppModel::Phase;

TEST(Rendering, HashInitialOfANumberIsDrawnWhiteInTheTextFont)
{
    ui::ConversationListModel rows;
    rows.setConversations({uitest::conversation("+1 555 123 4567", 150), uitest::conversation("0176 555 01", 150)});
    const ui::RowDelegate delegate;
    for (int row = 0; row < rows.rowCount(); ++row) {
        ASSERT_EQ(rows.index(row).data(ui::ConversationListModel::InitialsRole).toString(), QStringLiteral("#"));
        QImage image(480, delegate.rowHeight(), QImage::Format_ARGB32);
        image.fill(ui::Palette::cream());
        {
            QPainter painter(&image);
            QStyleOptionViewItem option;
            option.rect = QRect(0, 0, image.width(), delegate.rowHeight() + ui::RowDelegate::rowSpacing);
            delegate.paint(&painter, option, rows.index(row));
        }
        // The glyph's strokes inside the disc are white; a colour-emoji "#" is a grey keycap.
        const QPoint centre(ui::RowDelegate::sideInset + ui::RowDelegate::horizontalPadding + 20,
                            delegate.rowHeight() / 2);
        int white = 0;
        for (int y = centre.y() - 12; y <= centre.y() + 12; ++y) {
            for (int x = centre.x() - 12; x <= centre.x() + 12; ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.red() > 240 && pixel.green() > 240 && pixel.blue() > 240)
                    ++white;
            }
        }
        EXPECT_GE(white, 25) << "row " << row;
    }
}

TEST(Rendering, InterfaceFontHasRealMediumAndSemiBoldFacesAndTheWelcomeTitleFitsOneLine)
{
    ui::useInterfaceFont();
    EXPECT_EQ(QFontInfo(ui::uiFont(15)).family(), ui::preferredFamily);
    // The face drawn, not the weight asked for: a font without SemiBold draws its Bold.
    for (const QFont::Weight weight : {QFont::Medium, QFont::DemiBold}) {
        const QFontInfo drawn(ui::uiFont(28, weight));
        EXPECT_EQ(QFontDatabase::weight(drawn.family(), drawn.styleName()), weight) << drawn.styleName().toStdString();
    }
    // The English title, 28 semibold, between the welcome screen's insets of 32.
    const QFontMetrics title(ui::uiFont(28, QFont::DemiBold));
    EXPECT_LE(title.horizontalAdvance(QStringLiteral("Export an iMessage chat for Tovik")),
              ui::MainWindow::contentWidth - 2 * 32);
}

// Run on small virtual screens too (see CMakeLists.txt): there the window is cut to the screen and
// scrolls, and Tab still brings every control into sight.
class SmallScreen : public uitest::ScreenTest
{
protected:
    void expectEveryControlReachable()
    {
        QSet<QWidget *> controls;
        for (QWidget *widget : window->rootView()->currentScreen()->findChildren<QWidget *>()) {
            if (widget->isVisibleTo(window.get()) && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus))
                controls.insert(widget);
        }
        ASSERT_FALSE(controls.isEmpty());
        QSet<QWidget *> seen;
        for (qsizetype i = 0; i < controls.size(); ++i) {
            QWidget *focus = QApplication::focusWidget();
            QTest::keyClick(focus != nullptr ? focus : window.get(), Qt::Key_Tab);
            focus = QApplication::focusWidget();
            ASSERT_NE(focus, nullptr);
            seen.insert(focus);
            const QRect inWindow(focus->mapTo(window.get(), QPoint(0, 0)), focus->size());
            EXPECT_TRUE(window->rect().contains(inWindow))
                << focus->metaObject()->className() << " at " << inWindow.y() << "+" << inWindow.height();
        }
        EXPECT_EQ(seen, controls);
    }
};

TEST_F(SmallScreen, WindowFitsTheScreenAndEveryControlIsReachable)
{
    services.seenWelcome = false;
    services.contactsStatus = contacts::AuthorizationStatus::NotDetermined;
    start(writeStandardHistory());
    // The frame as the platform reports it, or the room kept for a title bar it does not report.
    const int frame = std::max(window->frameGeometry().height() - window->height(), ui::MainWindow::titleBarAllowance);
    const int available = window->screen()->availableGeometry().height();
    EXPECT_LE(window->height() + frame, std::max(available, ui::MainWindow::contentHeight + frame));
    EXPECT_EQ(window->scrolls(), available < ui::MainWindow::contentHeight + frame);

    expectEveryControlReachable();
    model->finishWelcome();
    ASSERT_TRUE(waitForPhase(Phase::Contacts));
    expectEveryControlReachable();
    model->skipContacts();
    ASSERT_TRUE(waitForPhase(Phase::List));
    ASSERT_TRUE(waitForConversations());
    screen<ui::ListScreen>()->select(model->conversations().front().id);
    expectEveryControlReachable();
    model->exportConversation(model->conversations().front());
    ASSERT_TRUE(waitForPhase(Phase::Done));
    expectEveryControlReachable();
}

TEST_F(SmallScreen, TheFullWidthOfTheContentIsInSightFromTheFirstPicture)
{
    model = std::make_unique<app::AppModel>(services, dir / "chat.db");
    window = std::make_unique<ui::MainWindow>(*model);
    window->show();

    // With or without a scroll bar beside it, before any event has been handled.
    EXPECT_EQ(window->findChild<QScrollArea *>()->viewport()->width(), ui::MainWindow::contentWidth);
}
