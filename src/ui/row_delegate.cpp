#include "row_delegate.h"

#include "app/texts.h"
#include "conversation_list_model.h"
#include "conversation_list_view.h"
#include "focus_ring.h"
#include "l10n/strings.h"
#include "palette.h"
#include "text_style.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace ui
{

namespace
{

constexpr int columnSpacing = 12; // between avatar, texts and check mark
constexpr int lineSpacing = 3; // between title and subtitle
constexpr int badgeSpacing = 6;
constexpr int badgePaddingX = 6;
constexpr int badgePaddingY = 2;
constexpr int checkDiameter = 18;

void paintCheckMark(QPainter &painter, const QRectF &circle)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::accent());
    painter.drawEllipse(circle);
    const qreal s = circle.width();
    QPainterPath tick;
    tick.moveTo(circle.left() + s * 0.28, circle.top() + s * 0.52);
    tick.lineTo(circle.left() + s * 0.44, circle.top() + s * 0.67);
    tick.lineTo(circle.left() + s * 0.73, circle.top() + s * 0.36);
    painter.setPen(QPen(Palette::white(), s * 0.12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(tick);
}

} // namespace

RowDelegate::RowDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
    , m_initialsFont(uiFont(16, QFont::DemiBold))
    , m_groupInitialsFont(emojiFont(16, QFont::DemiBold))
    , m_titleFont(uiFont(15, QFont::DemiBold))
    , m_badgeFont(uiFont(9, QFont::Bold))
    , m_subtitleFont(uiFont(12))
{
    const int texts = QFontMetrics(m_titleFont).height() + lineSpacing + QFontMetrics(m_subtitleFont).height();
    m_rowHeight = verticalPadding + std::max(avatarDiameter, texts) + verticalPadding;
}

QRect RowDelegate::faceRect(const QRect &itemRect, int rightInset)
{
    return QRect(itemRect.left() + sideInset, itemRect.top(), std::max(0, itemRect.width() - sideInset - rightInset),
                 itemRect.height() - rowSpacing);
}

QSize RowDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    return QSize(0, m_rowHeight + rowSpacing);
}

void RowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const bool selected = index.data(ConversationListModel::IsSelectedRole).toBool();
    const bool isGroup = index.data(ConversationListModel::IsGroupRole).toBool();
    const bool exportable = index.data(ConversationListModel::IsExportableRole).toBool();
    const auto *view = qobject_cast<const ConversationListView *>(option.widget);
    const QRect face = faceRect(option.rect, view != nullptr ? view->rightInset() : sideInset);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setOpacity(exportable ? 1.0 : shortRowOpacity);

    // Face and border; the border lies inside the edge.
    const qreal border = selected ? 1.5 : 1.0;
    QPainterPath outline;
    outline.addRoundedRect(QRectF(face).adjusted(border / 2, border / 2, -border / 2, -border / 2), cornerRadius,
                           cornerRadius);
    painter->fillPath(outline, selected ? Palette::accentSoft() : Palette::white());
    painter->strokePath(outline, QPen(selected ? Palette::accent() : Palette::line(), border));
    if (view != nullptr && view->hasFocus() && view->focusRow() == index.row())
        FocusRing::paint(*painter, face, cornerRadius, Palette::accent());

    const QRect inner = face.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);

    // Avatar.
    const QRectF avatar(inner.left(), face.center().y() - avatarDiameter / 2.0 + 0.5, avatarDiameter, avatarDiameter);
    painter->setPen(Qt::NoPen);
    painter->setBrush(index.data(ConversationListModel::AvatarColorRole).value<QColor>());
    painter->drawEllipse(avatar);
    painter->setFont(isGroup ? m_groupInitialsFont : m_initialsFont);
    painter->setPen(Palette::white());
    painter->drawText(avatar, Qt::AlignCenter, index.data(ConversationListModel::InitialsRole).toString());

    // Check mark at the trailing edge.
    int textRight = inner.right();
    if (selected) {
        const QRectF check(inner.right() - checkDiameter + 1, face.center().y() - checkDiameter / 2.0 + 0.5,
                           checkDiameter, checkDiameter);
        paintCheckMark(*painter, check);
        textRight = static_cast<int>(check.left()) - columnSpacing;
    }

    // Title line and subtitle, centred as a block.
    const QFontMetrics titleMetrics(m_titleFont);
    const QFontMetrics subtitleMetrics(m_subtitleFont);
    const int textLeft = static_cast<int>(avatar.right()) + columnSpacing;
    const int textWidth = std::max(0, textRight - textLeft + 1);
    const int blockHeight = titleMetrics.height() + lineSpacing + subtitleMetrics.height();
    const int top = face.center().y() - blockHeight / 2 + 1;

    int titleWidth = textWidth;
    QString badge;
    int badgeWidth = 0;
    if (isGroup) {
        badge = app::qs(l10n::groupBadge());
        badgeWidth = QFontMetrics(m_badgeFont).horizontalAdvance(badge) + 2 * badgePaddingX;
        titleWidth = std::max(0, textWidth - badgeSpacing - badgeWidth);
    }
    const QString title =
        titleMetrics.elidedText(index.data(ConversationListModel::TitleRole).toString(), Qt::ElideRight, titleWidth);
    painter->setFont(m_titleFont);
    painter->setPen(Palette::ink());
    const QRect titleRect(textLeft, top, titleWidth, titleMetrics.height());
    painter->drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);

    if (isGroup) {
        const QFontMetrics badgeMetrics(m_badgeFont);
        const int badgeHeight = badgeMetrics.height() + 2 * badgePaddingY;
        const QRectF capsule(textLeft + titleMetrics.horizontalAdvance(title) + badgeSpacing,
                             titleRect.center().y() - badgeHeight / 2.0 + 0.5, badgeWidth, badgeHeight);
        painter->setPen(Qt::NoPen);
        painter->setBrush(Palette::sand());
        painter->drawRoundedRect(capsule, badgeHeight / 2.0, badgeHeight / 2.0);
        painter->setFont(m_badgeFont);
        painter->setPen(Palette::ink());
        painter->drawText(capsule, Qt::AlignCenter, badge);
    }

    painter->setFont(m_subtitleFont);
    painter->setPen(Palette::muted());
    const QRect subtitleRect(textLeft, titleRect.bottom() + 1 + lineSpacing, textWidth, subtitleMetrics.height());
    painter->drawText(subtitleRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      subtitleMetrics.elidedText(index.data(ConversationListModel::SubtitleRole).toString(),
                                                 Qt::ElideRight, textWidth));
    painter->restore();
}

} // namespace ui
