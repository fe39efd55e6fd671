#pragma once

#include "catalogue/conversation.h"
#include "list_rules.h"

#include <QAbstractListModel>
#include <QColor>
#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace ui
{

// The conversations the list screen shows: the whole list, the ones that match the search text, and
// which one is selected. Rows are the filtered conversations, in the list's order; texts of a row
// are worked out only when a view asks for them, and the subtitles are kept once made.
class ConversationListModel : public QAbstractListModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConversationListModel)

public:
    enum Role {
        TitleRole = Qt::DisplayRole,
        SubtitleRole = Qt::UserRole + 1,
        InitialsRole,
        AvatarColorRole, // QColor: the group colour for a group, else the row colour of the position
        IsGroupRole,
        IsSelectedRole,
        IsExportableRole,
        IdRole,
    };

    explicit ConversationListModel(QObject *parent = nullptr);

    // Replaces the list; the search text and the selected id stay.
    void setConversations(std::vector<catalogue::Conversation> conversations);
    const std::vector<catalogue::Conversation> &conversations() const { return m_conversations; }

    void setQuery(const QString &query);
    const QString &query() const { return m_query; }

    // The id stays selected while the search hides its conversation, and across list replacements.
    void setSelectedID(std::optional<std::string> id);
    const std::optional<std::string> &selectedID() const { return m_selectedID; }

    // The row of the selected conversation in the filtered list; -1 when none is shown.
    int selectedRow() const;

    // The first conversation of the whole list with the selected id; nullptr when there is none.
    const catalogue::Conversation *selectedConversation() const;

    // The conversation of a row of the filtered list; `row` must be valid.
    const catalogue::Conversation &conversationAt(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

Q_SIGNALS:
    void selectionChanged();

private:
    void refilter();

    std::vector<catalogue::Conversation> m_conversations;
    ConversationSearch m_search;
    std::vector<std::size_t> m_rows; // positions in m_conversations
    mutable std::vector<std::optional<QString>> m_subtitles; // by position in m_conversations
    QString m_query;
    std::optional<std::string> m_selectedID;
};

} // namespace ui
