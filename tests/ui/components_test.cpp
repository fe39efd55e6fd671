#include "ui/card.h"
#include "ui/chunky_button.h"
#include "ui/owl.h"
#include "ui/palette.h"

#include <QBoxLayout>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace
{

// The button drawn alone on a transparent picture.
QImage picture(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

TEST(ChunkyButton, PressMovesTheButtonDownAndShrinksItsShadow)
{
    ui::ChunkyButton button(QStringLiteral("Go"), ui::ChunkyButton::Look::Primary);
    button.resize(300, button.sizeHint().height());
    EXPECT_EQ(button.faceRect().top(), 0);
    EXPECT_EQ(button.shadowRect().top() - button.faceRect().top(), 4);

    button.setDown(true);
    EXPECT_EQ(button.faceRect().top(), 3);
    EXPECT_EQ(button.shadowRect().top() - button.faceRect().top(), 1);
    // The shadow's lower edge stays where it was.
    EXPECT_EQ(button.shadowRect().bottom(), button.faceRect().bottom() + 1);

    button.setDown(false);
    EXPECT_EQ(button.faceRect().top(), 0);
    EXPECT_EQ(button.shadowRect().top(), 4);
}

TEST(ChunkyButton, DisabledPrimaryKeepsItsColoursAtReducedOpacityAndIgnoresClicks)
{
    ui::ChunkyButton button(QString(), ui::ChunkyButton::Look::Primary);
    button.resize(300, button.sizeHint().height());
    const QPoint face(150, button.faceRect().center().toPoint().y());

    const QColor enabled = picture(button).pixelColor(face);
    EXPECT_EQ(enabled.rgb(), ui::Palette::accent().rgb());
    EXPECT_EQ(enabled.alpha(), 255);

    button.setEnabled(false);
    const QColor disabled = picture(button).pixelColor(face);
    EXPECT_NEAR(disabled.alpha(), 0.45 * 255, 2);
    EXPECT_NEAR(disabled.red(), ui::Palette::accent().red(), 3);
    EXPECT_NEAR(disabled.green(), ui::Palette::accent().green(), 3);
    EXPECT_NEAR(disabled.blue(), ui::Palette::accent().blue(), 3);

    QSignalSpy clicked(&button, &ui::ChunkyButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, face);
    button.click();
    EXPECT_EQ(clicked.count(), 0);
    button.setEnabled(true);
    QTest::mouseClick(&button, Qt::LeftButton, {}, face);
    EXPECT_EQ(clicked.count(), 1);
}

TEST(ChunkyButton, SecondaryLookIsWhiteWithInkLabelAndLineShadow)
{
    ui::ChunkyButton button(QString(), ui::ChunkyButton::Look::Secondary);
    button.resize(300, button.sizeHint().height());
    const QImage image = picture(button);
    EXPECT_EQ(image.pixelColor(150, button.faceRect().center().toPoint().y()).rgb(), ui::Palette::white().rgb());
    // Just below the face, the hard shadow.
    EXPECT_EQ(image.pixelColor(150, static_cast<int>(button.faceRect().bottom()) + 2).rgb(), ui::Palette::line().rgb());
}

TEST(ChunkyButton, WholeRectangleIncludingPaddingTakesClicks)
{
    ui::ChunkyButton button(QStringLiteral("Go"), ui::ChunkyButton::Look::Secondary);
    button.resize(300, button.sizeHint().height());
    QSignalSpy clicked(&button, &ui::ChunkyButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(4, 2));
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(296, button.height() - 2));
    EXPECT_EQ(clicked.count(), 2);
}

TEST(ChunkyButton, LongLabelIsElidedOnOneLine)
{
    ui::ChunkyButton button(QStringLiteral("Export for Tovik: ") + QString(200, QLatin1Char('a')),
                            ui::ChunkyButton::Look::Primary);
    button.setOneLine(true);
    button.resize(300, button.sizeHint().height());
    EXPECT_TRUE(button.displayedText().endsWith(QChar(0x2026)));
    EXPECT_LE(button.fontMetrics().horizontalAdvance(button.displayedText()), 300);
}

TEST(Card, ShortContentStillSpansTheFullWidthAtTheLeadingEdge)
{
    QWidget host;
    auto *column = new QVBoxLayout(&host);
    column->setContentsMargins(0, 0, 0, 0);
    auto *card = new ui::Card;
    auto *content = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("Hi"));
    content->addWidget(label);
    content->addStretch(1);
    card->setContent(content);
    column->addWidget(card);
    column->addStretch(1);
    host.resize(400, 300);
    host.show();
    QCoreApplication::processEvents();

    EXPECT_EQ(card->width(), 400);
    EXPECT_EQ(label->x(), ui::Card::padding);
    EXPECT_EQ(label->y(), ui::Card::padding);
}

TEST(Owl, AlwaysOccupiesItsSquare)
{
    const ui::Owl base(QStringLiteral("base"), 170);
    EXPECT_EQ(base.size(), QSize(170, 170));
    EXPECT_TRUE(base.hasPicture());
    const ui::Owl unknown(QStringLiteral("no-such-pose"), 86);
    EXPECT_EQ(unknown.size(), QSize(86, 86));
    EXPECT_FALSE(unknown.hasPicture());
}

TEST(Owl, EveryPoseOfTheScreensHasAPictureCentredInItsSquare)
{
    for (const char *pose : {"base", "think", "shocked", "heart", "laugh"}) {
        const QImage image = ui::Owl::render(QString::fromLatin1(pose), 100).toImage();
        EXPECT_EQ(image.size(), QSize(100, 100)) << pose;
        // Something is drawn in the middle, nothing in the very corners.
        EXPECT_GT(image.pixelColor(50, 60).alpha(), 0) << pose;
        EXPECT_EQ(image.pixelColor(0, 99).alpha(), 0) << pose;
    }
}
