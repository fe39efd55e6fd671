#pragma once

#include <QListView>

namespace ui
{

class RowDelegate;

// The scrolling column of rows: builds and paints only the rows in sight, scrolls by pixel, and
// keeps the bottom inset below the last row. Selection is the screen's, by conversation id, so the
// view's own selection is off and the screen moves it for the keys. Tab reaches the view; while it
// has the focus, the focus ring marks the selected row (the first row when none is shown).
class ConversationListView : public QListView
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConversationListView)

public:
    explicit ConversationListView(QWidget *parent = nullptr);

    static constexpr int bottomInset = 10;

    RowDelegate *rowDelegate() const { return m_delegate; }

    // The space right of the rows inside the viewport: the rows keep the same distance from both
    // window edges, the scroll bar sitting in the right one while it shows.
    int rightInset() const;

    // The face of the row at `row` in viewport coordinates; empty when it is not laid out.
    QRect rowFaceRect(int row) const;

    // The row the focus ring marks while the view has the focus; -1 when there are no rows.
    int focusRow() const;

    // How many whole rows the viewport shows: the step of Page Up and Page Down.
    int rowsPerPage() const;

protected:
    void updateGeometries() override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    RowDelegate *m_delegate = nullptr;
};

} // namespace ui
