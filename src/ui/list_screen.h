#pragma once

#include <QString>
#include <QWidget>

#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QStackedWidget;

namespace app
{
class AppModel;
}

namespace catalogue
{
struct Conversation;
}

namespace ui
{

class ChunkyButton;
class TextButton;
class ConversationListModel;
class ConversationListView;

// The conversation list: a search field, the conversations that match it (largest first), and a
// footer with the export button. The search text and the selection are the screen's own and start
// empty with each new screen; everything else is read from the model as it changes.
//
// Keys: Up and Down move the selection from the search field and from the list, Page Up, Page Down,
// Home and End from the list, always keeping the selected row in sight; Escape empties the search;
// Return exports through the default button, which refuses while it is disabled.
class ListScreen : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListScreen)

public:
    explicit ListScreen(app::AppModel &model, QWidget *parent = nullptr);

    // What the content area shows.
    enum class Content {
        Loading,
        NothingFound,
        Rows,
    };
    Content content() const;

    // Selects by id, whatever the conversation's count; a single click on a row does this.
    void select(const std::string &id);
    const std::optional<std::string> &selectedID() const;
    // The selected conversation, looked up in the whole list; nullptr when there is none.
    const catalogue::Conversation *selectedConversation() const;

    // A double click on a row: selects it and, when it is long enough, exports it at once.
    void activate(const catalogue::Conversation &conversation);

    QLineEdit *searchInput() const { return m_search; }
    ConversationListView *listView() const { return m_list; }
    ConversationListModel *listModel() const { return m_rows; }
    ChunkyButton *exportButton() const { return m_export; }
    QLabel *errorLabel() const { return m_error; }
    QLabel *tooShortLabel() const { return m_tooShort; }
    // The short line under the error that names why the export failed.
    QLabel *errorReasonLabel() const { return m_errorReason; }
    // A refused contacts file, or the source's own address book that could not be read.
    QLabel *noticeLabel() const { return m_notice; }
    // The hint on older messages missing, for the kind of source shown.
    QLabel *hintLabel() const { return m_hint; }
    // The footer's quiet links where the user chooses the source; null elsewhere, and the contacts
    // link also for a source with an address book of its own.
    TextButton *otherMessagesLink() const { return m_otherMessages; }
    TextButton *chooseContactsLink() const { return m_chooseContacts; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showConversations();
    void showContent();
    void showFooter();
    void exportSelected();
    // Moves the selection for a navigation key; false when `key` is not one.
    bool moveSelection(int key, bool fromSearch);
    // Mirrors the selection into the view, whose current row is what assistive tools follow.
    void showSelectionInView();

    app::AppModel &m_model;
    ConversationListModel *m_rows = nullptr;
    QLineEdit *m_search = nullptr;
    QStackedWidget *m_content = nullptr;
    ConversationListView *m_list = nullptr;
    QWidget *m_footer = nullptr;
    QWidget *m_footerShadow = nullptr;
    QLabel *m_error = nullptr;
    QLabel *m_tooShort = nullptr;
    QLabel *m_errorReason = nullptr;
    QLabel *m_notice = nullptr;
    QLabel *m_hint = nullptr;
    ChunkyButton *m_export = nullptr;
    TextButton *m_otherMessages = nullptr;
    TextButton *m_chooseContacts = nullptr;
};

} // namespace ui
