#include "search_field.h"

#include "accessibility.h"
#include "card.h"
#include "palette.h"
#include "text_style.h"

#include <QBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>

namespace ui
{

namespace
{

// The magnifying-glass pictogram.
class MagnifierIcon : public QWidget
{
public:
    explicit MagnifierIcon(QWidget *parent = nullptr)
        : QWidget(parent)
    {
        setFixedSize(16, 16);
        markDecorative(this);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Palette::muted(), 1.8, Qt::SolidLine, Qt::RoundCap));
        painter.drawEllipse(QRectF(1.5, 1.5, 9.5, 9.5));
        painter.drawLine(QPointF(10.2, 10.2), QPointF(14.5, 14.5));
    }
};

} // namespace

SearchField::SearchField(const QString &placeholder, QWidget *parent)
    : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(14, 11, 14, 11);
    row->setSpacing(8);
    row->addWidget(new MagnifierIcon, 0, Qt::AlignVCenter);

    m_input = new QLineEdit;
    m_input->setFrame(false);
    m_input->setFont(uiFont(14));
    m_input->setPlaceholderText(placeholder);
    m_input->setAccessibleName(placeholder);
    m_input->setTextMargins(0, 0, 0, 0);
    m_input->setAttribute(Qt::WA_MacShowFocusRect, false);
    QPalette palette = m_input->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Palette::ink());
    palette.setColor(QPalette::PlaceholderText, Palette::muted());
    m_input->setPalette(palette);
    m_input->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; padding: 0; }"));
    row->addWidget(m_input, 1);
    setFocusProxy(m_input);
    m_input->installEventFilter(this);
}

bool SearchField::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_input && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        update();
    return QWidget::eventFilter(watched, event);
}

void SearchField::paintEvent(QPaintEvent *)
{
    paintPanel(*this, cornerRadius, borderWidth, m_input->hasFocus() ? Palette::accent() : Palette::line());
}

} // namespace ui
