#include "backups_screen.h"

#include "app/app_model.h"
#include "app/texts.h"
#include "focus_ring.h"
#include "key_activation.h"
#include "l10n/strings.h"
#include "palette.h"
#include "screen_kit.h"
#include "text_button.h"
#include "text_style.h"

#include <QBoxLayout>
#include <QDateTime>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QScrollArea>

#include <algorithm>

namespace ui
{

namespace
{

constexpr int rowHeight = 64;
constexpr qreal cornerRadius = 14;

QFont titleFont()
{
    return uiFont(15, QFont::DemiBold);
}

QFont detailsFont()
{
    return uiFont(12);
}

} // namespace

BackupRow::BackupRow(const app::BackupDescription &backup, QWidget *parent)
    : QAbstractButton(parent)
    , m_backup(backup)
{
    m_title = app::backupTitle(backup);
    m_details = app::backupDetails(backup);
    setUp();
}

BackupRow::BackupRow(const sources::FoundSource &found, QWidget *parent)
    : QAbstractButton(parent)
    , m_backup(found.backup.value_or(sources::BackupDescription{found.path, {}, found.date, false, true, {}}))
{
    m_title = app::foundTitle(found);
    m_details = app::foundDetails(found);
    setUp();
}

void BackupRow::setUp()
{
    setText(m_title);
    setAccessibleDescription(m_details);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The keyboard's, not the mouse's: a click does not leave a ring behind.
    setFocusPolicy(Qt::TabFocus);
}

bool BackupRow::event(QEvent *event)
{
    return takeActivationKeys(*this, event) || QAbstractButton::event(event);
}

void BackupRow::focusInEvent(QFocusEvent *event)
{
    QAbstractButton::focusInEvent(event);
    // The picker's rows scroll inside the screen: the focused one is brought into sight there.
    for (QWidget *up = parentWidget(); up != nullptr; up = up->parentWidget()) {
        if (auto *scroll = qobject_cast<QScrollArea *>(up)) {
            scroll->ensureWidgetVisible(this, 0, 0);
            break;
        }
    }
}

void BackupRow::keyPressEvent(QKeyEvent *event)
{
    const QList<BackupRow *> rows = parentWidget()->findChildren<BackupRow *>(Qt::FindDirectChildrenOnly);
    const qsizetype here = rows.indexOf(this);
    qsizetype next = here;
    switch (event->key()) {
    case Qt::Key_Up:
        next = std::max<qsizetype>(here - 1, 0);
        break;
    case Qt::Key_Down:
        next = std::min<qsizetype>(here + 1, rows.size() - 1);
        break;
    case Qt::Key_Home:
        next = 0;
        break;
    case Qt::Key_End:
        next = rows.size() - 1;
        break;
    default:
        QAbstractButton::keyPressEvent(event);
        return;
    }
    rows.at(next)->setFocus(Qt::OtherFocusReason);
}

QRect BackupRow::wordsRect() const
{
    return rect().adjusted(16, 11, -16, -11);
}

bool BackupRow::isCut() const
{
    const int room = wordsRect().width();
    return QFontMetrics(titleFont()).horizontalAdvance(m_title) > room
        || QFontMetrics(detailsFont()).horizontalAdvance(m_details) > room;
}

QSize BackupRow::sizeHint() const
{
    return {200, rowHeight};
}

void BackupRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75);
    const bool lit = isDown() || underMouse();
    painter.setPen(QPen(lit ? Palette::accent() : Palette::line(), 1.5));
    painter.setBrush(isDown() ? Palette::accentSoft() : Palette::white());
    painter.drawRoundedRect(face, cornerRadius, cornerRadius);
    if (hasFocus())
        FocusRing::paint(painter, face, cornerRadius, Palette::accent());
    // An incomplete backup reads dimmer, as a too-short conversation does in the list.
    painter.setOpacity(m_backup.complete ? 1.0 : 0.55);
    const QRect words = wordsRect();
    painter.setFont(titleFont());
    painter.setPen(Palette::ink());
    painter.drawText(words, Qt::AlignLeft | Qt::AlignTop,
                     painter.fontMetrics().elidedText(m_title, Qt::ElideRight, words.width()));
    painter.setFont(detailsFont());
    painter.setPen(m_backup.complete ? Palette::muted() : Palette::accentDeep());
    painter.drawText(words, Qt::AlignLeft | Qt::AlignBottom,
                     painter.fontMetrics().elidedText(m_details, Qt::ElideRight, words.width()));
}

BackupsScreen::BackupsScreen(app::AppModel &model, QWidget *parent)
    : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(32, 32, 32, 28);
    column->setSpacing(0);
    addOwlHeading(column, QStringLiteral("think"), l10n::backupsTitle());
    column->addSpacing(16);

    auto *list = new QWidget;
    auto *rows = new QVBoxLayout(list);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(8);
    for (const app::BackupDescription &backup : model.backups()) {
        auto *row = new BackupRow(backup);
        rows->addWidget(row);
        m_rows.push_back(row);
        connect(row, &BackupRow::clicked, &model, [&model, backup] {
            model.pickBackup(backup);
        });
    }
    rows->addStretch(1);
    auto *scroll = new QScrollArea;
    scroll->setWidget(list);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    // Not a stop of its own for Tab: the rows are, and scroll themselves into sight.
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    list->setAutoFillBackground(false);
    column->addWidget(scroll, 1);

    column->addSpacing(14);
    m_back = new TextButton(app::qs(l10n::otherMessages()), uiFont(13, QFont::Medium), Palette::muted());
    column->addWidget(m_back);
    connect(m_back, &TextButton::clicked, &model, &app::AppModel::showSources);
}

} // namespace ui
