#pragma once

#include <QFont>
#include <QStyledItemDelegate>

namespace ui
{

// Draws one `Row` of the conversation list from the roles of ConversationListModel: the avatar
// disc with initials, the title with a group badge, the subtitle and, when selected, a check mark,
// on a rounded face. Rows are inset from the view's sides and separated by a fixed gap, so every
// row has the same height and the view can lay out 20,000 of them without asking each one.
class RowDelegate : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RowDelegate)

public:
    explicit RowDelegate(QObject *parent = nullptr);

    static constexpr int sideInset = 20;
    static constexpr int rowSpacing = 6;
    static constexpr int horizontalPadding = 12;
    static constexpr int verticalPadding = 9;
    static constexpr int avatarDiameter = 40;
    static constexpr int cornerRadius = 14;
    static constexpr qreal shortRowOpacity = 0.55;

    // The height of a row's face, without the gap below it.
    int rowHeight() const { return m_rowHeight; }

    // The face of the row drawn in an item rectangle of the view, `rightInset` from its right end
    // (less than sideInset where a scroll bar already takes part of the inset).
    static QRect faceRect(const QRect &itemRect, int rightInset = sideInset);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    QFont m_initialsFont;
    QFont m_groupInitialsFont; // with the emoji font, for the group pictograph
    QFont m_titleFont;
    QFont m_badgeFont;
    QFont m_subtitleFont;
    int m_rowHeight = 0;
};

} // namespace ui
