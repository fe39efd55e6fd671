#include "access_screen.h"

#include "accessibility.h"
#include "app/app_model.h"
#include "app/texts.h"
#include "card.h"
#include "chunky_button.h"
#include "l10n/strings.h"
#include "owl.h"
#include "palette.h"
#include "screen_kit.h"
#include "spinner.h"
#include "text_button.h"
#include "text_style.h"

#include <QBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace ui
{

namespace
{

// The step number on its disc.
class StepNumber : public QWidget
{
public:
    explicit StepNumber(int n, QWidget *parent = nullptr)
        : QWidget(parent)
        , m_text(QString::number(n))
    {
        setFixedSize(Step::discDiameter, Step::discDiameter);
        setFont(uiFont(12, QFont::Bold));
        describeAccessibly(this, QAccessible::StaticText, m_text);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Palette::cream());
        painter.drawEllipse(QRectF(rect()));
        painter.setPen(Palette::ink());
        painter.drawText(rect(), Qt::AlignCenter, m_text);
    }

private:
    QString m_text;
};

} // namespace

Step::Step(int n, const QString &text, const std::optional<QString> &hint, QWidget *parent)
    : QWidget(parent)
    , m_hasHint(hint.has_value())
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(new StepNumber(n), 0, Qt::AlignTop);
    auto *words = new QVBoxLayout;
    words->setSpacing(3);
    words->addWidget(makeLabel(text, uiFont(14, QFont::Medium), Palette::ink()));
    if (hint)
        words->addWidget(makeLabel(*hint, uiFont(12), Palette::muted()));
    row->addLayout(words, 1);
}

AppIconDrag::AppIconDrag(app::DesktopServices &services, QWidget *parent)
    : QWidget(parent)
    , m_services(services)
    , m_icon(services.applicationIcon())
{
    setFixedSize(side, side);
    setToolTip(app::applicationName());
    describeAccessibly(this, QAccessible::Graphic, toolTip());
    setCursor(Qt::OpenHandCursor);
}

QString AppIconDrag::filePath() const
{
    return m_services.applicationPath();
}

void AppIconDrag::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    m_icon.paint(&painter, rect());
}

void AppIconDrag::mousePressEvent(QMouseEvent *event)
{
    m_gesture.press(*event);
}

void AppIconDrag::mouseMoveEvent(QMouseEvent *event)
{
    m_gesture.move(this, *event, filePath(), m_icon.pixmap(QSize(side, side), devicePixelRatioF()));
}

AccessScreen::AccessScreen(app::AppModel &model, QWidget *parent)
    : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(32, 32, 32, 32);
    column->setSpacing(0);

    addOwlHeading(column, QStringLiteral("think"), l10n::accessTitle());

    column->addSpacing(14);
    column->addWidget(makeLabel(app::qs(l10n::accessBody()), uiFont(14), Palette::inkSoft()));

    column->addSpacing(18);
    auto *card = new Card;
    auto *steps = new QVBoxLayout;
    steps->setSpacing(14);
    steps->addWidget(new Step(1, app::qs(l10n::accessStep1()), std::nullopt));
    auto *second = new QHBoxLayout;
    second->setSpacing(0);
    second->addWidget(new Step(2, app::qs(l10n::accessStep2()), app::qs(l10n::accessStep2Hint())), 1, Qt::AlignTop);
    second->addWidget(new AppIconDrag(model.services()), 0, Qt::AlignTop | Qt::AlignRight);
    steps->addLayout(second);
    steps->addWidget(new Step(3, app::qs(l10n::accessStep3()), std::nullopt));
    card->setContent(steps);
    column->addWidget(card);

    column->addSpacing(14);
    auto *watching = new QHBoxLayout;
    watching->setSpacing(8);
    auto *spinner = new Spinner(16, Palette::muted());
    spinner->setAccessibleName(app::qs(l10n::watchingForAccess()));
    watching->addWidget(spinner, 0, Qt::AlignVCenter);
    watching->addWidget(makeLabel(app::qs(l10n::watchingForAccess()), uiFont(13), Palette::muted(), Lines::OneLine), 0,
                        Qt::AlignVCenter);
    watching->addStretch(1);
    column->addLayout(watching);

    addFlexibleSpace(column, 16);
    m_openSettings = arrowButton(l10n::openSystemSettings());
    column->addWidget(m_openSettings);
    setDefaultButton(this, m_openSettings);
    connect(m_openSettings, &ChunkyButton::clicked, &model, &app::AppModel::openPrivacySettings);

    addSpacingAfterButton(column, 14);
    m_quitAndReopen = new TextButton(app::qs(l10n::quitAndReopen()), uiFont(12, QFont::Medium), Palette::muted());
    column->addWidget(m_quitAndReopen);
    connect(m_quitAndReopen, &TextButton::clicked, &model, &app::AppModel::relaunch);
}

} // namespace ui
