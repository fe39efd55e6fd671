#include "conversation_list_model.h"

#include "app/texts.h"
#include "l10n/strings.h"
#include "palette.h"

namespace ui
{

ConversationListModel::ConversationListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

void ConversationListModel::setConversations(std::vector<catalogue::Conversation> conversations)
{
    beginResetModel();
    m_conversations = std::move(conversations);
    m_search = ConversationSearch(m_conversations);
    m_subtitles.assign(m_conversations.size(), std::nullopt);
    m_rows = m_search.filter(app::utf8(m_query));
    endResetModel();
    Q_EMIT selectionChanged();
}

void ConversationListModel::setQuery(const QString &query)
{
    if (query == m_query)
        return;
    m_query = query;
    refilter();
}

void ConversationListModel::refilter()
{
    beginResetModel();
    m_rows = m_search.filter(app::utf8(m_query));
    endResetModel();
}

void ConversationListModel::setSelectedID(std::optional<std::string> id)
{
    if (id == m_selectedID)
        return;
    const int before = selectedRow();
    m_selectedID = std::move(id);
    const int after = selectedRow();
    for (const int row : {before, after}) {
        if (row >= 0)
            Q_EMIT dataChanged(index(row), index(row), {IsSelectedRole});
    }
    Q_EMIT selectionChanged();
}

int ConversationListModel::selectedRow() const
{
    if (!m_selectedID)
        return -1;
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        if (m_conversations[m_rows[row]].id == *m_selectedID)
            return static_cast<int>(row);
    }
    return -1;
}

const catalogue::Conversation *ConversationListModel::selectedConversation() const
{
    return findConversation(m_conversations, m_selectedID);
}

const catalogue::Conversation &ConversationListModel::conversationAt(int row) const
{
    return m_conversations[m_rows[static_cast<std::size_t>(row)]];
}

int ConversationListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return static_cast<int>(m_rows.size());
}

QVariant ConversationListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || static_cast<std::size_t>(index.row()) >= m_rows.size())
        return {};
    const std::size_t position = m_rows[static_cast<std::size_t>(index.row())];
    const catalogue::Conversation &conversation = m_conversations[position];
    switch (role) {
    case TitleRole:
        return app::qs(conversation.title);
    case SubtitleRole: {
        std::optional<QString> &subtitle = m_subtitles[position];
        if (!subtitle)
            subtitle = app::qs(rowSubtitle(conversation, l10n::sharedMonthYearFormatter()));
        return *subtitle;
    }
    case Qt::AccessibleDescriptionRole: {
        // What a screen reader says after the title: the subtitle, and why a short one cannot go.
        QString description = data(index, SubtitleRole).toString();
        if (conversation.isGroup)
            description = app::qs(l10n::groupBadge()) + QStringLiteral(", ") + description;
        if (!isExportable(conversation))
            description += QStringLiteral(". ") + app::qs(l10n::tooShortHint());
        return description;
    }
    case InitialsRole:
        return app::qs(avatarInitials(conversation));
    case AvatarColorRole:
        if (conversation.isGroup)
            return Palette::inkSoft();
        return Palette::rowColors()[avatarColorIndex(static_cast<std::size_t>(index.row()))];
    case IsGroupRole:
        return conversation.isGroup;
    case IsSelectedRole:
        return m_selectedID && conversation.id == *m_selectedID;
    case IsExportableRole:
        return isExportable(conversation);
    case IdRole:
        return app::qs(conversation.id);
    default:
        return {};
    }
}

QHash<int, QByteArray> ConversationListModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(SubtitleRole, QByteArrayLiteral("subtitle"));
    names.insert(InitialsRole, QByteArrayLiteral("initials"));
    names.insert(AvatarColorRole, QByteArrayLiteral("avatarColor"));
    names.insert(IsGroupRole, QByteArrayLiteral("isGroup"));
    names.insert(IsSelectedRole, QByteArrayLiteral("isSelected"));
    names.insert(IsExportableRole, QByteArrayLiteral("isExportable"));
    names.insert(IdRole, QByteArrayLiteral("id"));
    return names;
}

} // namespace ui
