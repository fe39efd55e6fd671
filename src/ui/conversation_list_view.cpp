#include "conversation_list_view.h"

#include "conversation_list_model.h"
#include "palette.h"
#include "row_delegate.h"

#include <QScrollBar>

namespace ui
{

ConversationListView::ConversationListView(QWidget *parent)
    : QListView(parent)
    , m_delegate(new RowDelegate(this))
{
    setItemDelegate(m_delegate);
    setUniformItemSizes(true);
    setLayoutMode(QListView::SinglePass);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab only: a click on a row leaves the focus in the search field, so typing goes on searching.
    setFocusPolicy(Qt::TabFocus);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(false);
    setSpacing(0);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(RowDelegate::rowSpacing * 4);
    const QColor &handle = Palette::muted();
    setStyleSheet(
        QStringLiteral(
            "QListView { background: transparent; border: none; }"
            "QScrollBar:vertical { background: transparent; width: 10px; margin: 2px 2px 2px 0; }"
            "QScrollBar::handle:vertical { background: rgba(%1, %2, %3, 0.5); border-radius: 4px; min-height: 32px; }"
            "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
            "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
            .arg(handle.red())
            .arg(handle.green())
            .arg(handle.blue()));
}

int ConversationListView::rightInset() const
{
    const QScrollBar *bar = verticalScrollBar();
    // isVisibleTo: the answer holds also before the view is first shown.
    const int taken = bar->isVisibleTo(this) ? bar->width() : 0;
    return std::max(0, RowDelegate::sideInset - taken);
}

QRect ConversationListView::rowFaceRect(int row) const
{
    const QRect item = visualRect(model()->index(row, 0));
    if (item.isEmpty())
        return {};
    return RowDelegate::faceRect(item, rightInset());
}

int ConversationListView::focusRow() const
{
    const auto *rows = qobject_cast<const ConversationListModel *>(model());
    if (rows == nullptr || rows->rowCount() == 0)
        return -1;
    return std::max(0, rows->selectedRow());
}

int ConversationListView::rowsPerPage() const
{
    return std::max(1, viewport()->height() / (m_delegate->rowHeight() + RowDelegate::rowSpacing));
}

void ConversationListView::focusInEvent(QFocusEvent *event)
{
    QListView::focusInEvent(event);
    viewport()->update();
}

void ConversationListView::focusOutEvent(QFocusEvent *event)
{
    QListView::focusOutEvent(event);
    viewport()->update();
}

void ConversationListView::updateGeometries()
{
    QListView::updateGeometries();
    // Each item carries the row gap below its face; the inset after the last row adds the rest.
    if (model() != nullptr && model()->rowCount() > 0) {
        QScrollBar *bar = verticalScrollBar();
        const int extra = bottomInset - RowDelegate::rowSpacing;
        const int contentHeight = model()->rowCount() * (m_delegate->rowHeight() + RowDelegate::rowSpacing) + extra;
        bar->setRange(0, std::max(0, contentHeight - viewport()->height()));
    }
}

} // namespace ui
