#include "list_screen.h"

#include "accessibility.h"
#include "app/app_model.h"
#include "app/texts.h"
#include "chunky_button.h"
#include "common/text.h"
#include "conversation_list_model.h"
#include "conversation_list_view.h"
#include "l10n/strings.h"
#include "list_rules.h"
#include "palette.h"
#include "screen_kit.h"
#include "search_field.h"
#include "spinner.h"
#include "text_button.h"
#include "text_style.h"

#include <QBoxLayout>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QStackedWidget>

#include <algorithm>

namespace ui
{

namespace
{

// The footer's face: cream to the window's edges.
class Footer : public QWidget
{
public:
    explicit Footer(QWidget *parent = nullptr)
        : QWidget(parent)
    {
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Palette::cream());
    }
};

// The soft shadow the footer casts upwards over the list (black at 6 %, blurred 8, raised 4).
class FooterShadow : public QWidget
{
public:
    static constexpr int height = 12;

    explicit FooterShadow(QWidget *parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        markDecorative(this);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QLinearGradient fade(0, 0, 0, QWidget::height());
        fade.setColorAt(0.0, QColor(0, 0, 0, 0));
        fade.setColorAt(0.6, QColor(0, 0, 0, 6));
        fade.setColorAt(1.0, QColor(0, 0, 0, 12));
        painter.fillRect(rect(), fade);
    }
};

} // namespace

ListScreen::ListScreen(app::AppModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_rows(new ConversationListModel(this))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    QLabel *title = makeLabel(app::qs(l10n::listTitle()), uiFont(26, QFont::DemiBold), Palette::ink());
    title->setContentsMargins(28, 30, 28, 0);
    column->addWidget(title);

    column->addSpacing(14);
    auto *searchRow = new QHBoxLayout;
    searchRow->setContentsMargins(28, 0, 28, 0);
    auto *searchField = new SearchField(app::qs(l10n::searchPlaceholder()));
    m_search = searchField->input();
    searchRow->addWidget(searchField);
    column->addLayout(searchRow);

    QLabel *caption = makeLabel(app::qs(common::uppercased(l10n::sortMostMessages())), uiFont(11, QFont::DemiBold),
                                Palette::muted(), Lines::OneLine);
    caption->setContentsMargins(30, 16, 30, 6);
    column->addWidget(caption);

    m_content = new QStackedWidget;
    auto *loading = new QWidget;
    auto *loadingColumn = new QVBoxLayout(loading);
    loadingColumn->setSpacing(10);
    loadingColumn->addStretch(1);
    auto *spinner = new Spinner(20, Palette::muted());
    spinner->setAccessibleName(app::qs(l10n::readingMessages()));
    loadingColumn->addWidget(spinner, 0, Qt::AlignHCenter);
    loadingColumn->addWidget(
        makeLabel(app::qs(l10n::readingMessages()), uiFont(13), Palette::muted(), Lines::OneLine, Qt::AlignHCenter));
    loadingColumn->addStretch(1);
    m_content->addWidget(loading);

    m_content->addWidget(
        makeLabel(app::qs(l10n::noConversationFound()), uiFont(13), Palette::muted(), Lines::Wrap, Qt::AlignCenter));

    m_list = new ConversationListView;
    m_list->setModel(m_rows);
    m_list->setAccessibleName(title->text());
    m_content->addWidget(m_list);
    column->addWidget(m_content, 1);

    m_footer = new Footer;
    auto *footer = new QVBoxLayout(m_footer);
    footer->setContentsMargins(28, 12, 28, 22);
    footer->setSpacing(10);
    m_notice = makeLabel(QString(), uiFont(12), Palette::muted(), Lines::Wrap, Qt::AlignHCenter);
    m_notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    footer->addWidget(m_notice);
    m_error = makeLabel(QString(), uiFont(12), Palette::accentDeep(), Lines::Wrap, Qt::AlignHCenter);
    footer->addWidget(m_error);
    m_errorReason = makeLabel(QString(), uiFont(11), Palette::accentDeep(), Lines::Wrap, Qt::AlignHCenter);
    m_errorReason->setTextInteractionFlags(Qt::TextSelectableByMouse);
    footer->addWidget(m_errorReason);
    m_tooShort =
        makeLabel(app::qs(l10n::tooShortHint()), uiFont(12), Palette::accentDeep(), Lines::Wrap, Qt::AlignHCenter);
    footer->addWidget(m_tooShort);
    // The button's shadow falls into the space below it, so the hint follows a little closer.
    auto *buttonAndHint = new QVBoxLayout;
    buttonAndHint->setSpacing(10 - ChunkyButton::restingShadow);
    m_export = new ChunkyButton(QString(), ChunkyButton::Look::Primary);
    m_export->setOneLine(true);
    buttonAndHint->addWidget(m_export);
    m_hint = makeLabel(app::olderMessagesHint(model.sourceKind()), uiFont(11), Palette::muted(), Lines::Wrap,
                       Qt::AlignHCenter);
    buttonAndHint->addWidget(m_hint);
    footer->addLayout(buttonAndHint);
    if (model.choosesSources()) {
        // Quiet ways to other messages and to names, without restarting.
        auto *links = new QHBoxLayout;
        links->setSpacing(18);
        m_otherMessages = new TextButton(app::qs(l10n::otherMessages()), uiFont(12, QFont::Medium), Palette::muted());
        links->addWidget(m_otherMessages);
        connect(m_otherMessages, &TextButton::clicked, &model, &app::AppModel::showSources);
        if (!model.sourceHasContacts()) {
            m_chooseContacts =
                new TextButton(app::qs(l10n::chooseContactsFile()), uiFont(12, QFont::Medium), Palette::muted());
            links->addWidget(m_chooseContacts);
            connect(m_chooseContacts, &TextButton::clicked, &model, &app::AppModel::requestContacts);
        }
        footer->addLayout(links);
    }
    column->addWidget(m_footer);

    m_footerShadow = new FooterShadow(this);
    m_footer->installEventFilter(this);
    m_search->installEventFilter(this);
    m_list->installEventFilter(this);

    setDefaultButton(this, m_export);
    connect(m_export, &ChunkyButton::clicked, this, &ListScreen::exportSelected);
    connect(m_search, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_rows->setQuery(text);
        m_list->scrollToTop();
        showContent();
    });
    connect(m_list, &QListView::clicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            select(m_rows->conversationAt(index.row()).id);
    });
    connect(m_list, &QListView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            activate(m_rows->conversationAt(index.row()));
    });
    connect(m_rows, &ConversationListModel::selectionChanged, this, &ListScreen::showFooter);
    connect(m_rows, &ConversationListModel::selectionChanged, this, &ListScreen::showSelectionInView);
    connect(m_rows, &ConversationListModel::modelReset, this, &ListScreen::showSelectionInView);

    connect(&model, &app::AppModel::conversationsChanged, this, &ListScreen::showConversations);
    connect(&model, &app::AppModel::loadingChanged, this, &ListScreen::showContent);
    connect(&model, &app::AppModel::exportingIDChanged, this, &ListScreen::showFooter);
    connect(&model, &app::AppModel::errorChanged, this, &ListScreen::showFooter);
    connect(&model, &app::AppModel::contactsProblemChanged, this, &ListScreen::showFooter);
    connect(&model, &app::AppModel::conversationsChanged, this, &ListScreen::showFooter);
    // A source dropped onto the list is shown in the same screen.
    connect(&model, &app::AppModel::sourceChanged, this, [this] {
        m_hint->setText(app::olderMessagesHint(m_model.sourceKind()));
    });

    showConversations();
    showFooter();
}

ListScreen::Content ListScreen::content() const
{
    if (m_model.loading())
        return Content::Loading;
    return m_rows->rowCount() == 0 ? Content::NothingFound : Content::Rows;
}

void ListScreen::select(const std::string &id)
{
    m_rows->setSelectedID(id);
}

const std::optional<std::string> &ListScreen::selectedID() const
{
    return m_rows->selectedID();
}

const catalogue::Conversation *ListScreen::selectedConversation() const
{
    return m_rows->selectedConversation();
}

void ListScreen::activate(const catalogue::Conversation &conversation)
{
    select(conversation.id);
    // The model itself ignores the request while another export runs.
    if (isExportable(conversation))
        m_model.exportConversation(conversation);
}

void ListScreen::showConversations()
{
    m_rows->setConversations(m_model.conversations());
    showContent();
}

void ListScreen::showContent()
{
    switch (content()) {
    case Content::Loading:
        m_content->setCurrentIndex(0);
        break;
    case Content::NothingFound:
        m_content->setCurrentIndex(1);
        break;
    case Content::Rows:
        m_content->setCurrentIndex(2);
        break;
    }
}

void ListScreen::showFooter()
{
    const catalogue::Conversation *selected = selectedConversation();
    const bool exporting = m_model.exportingID().has_value();

    const std::optional<QString> &error = m_model.error();
    m_error->setText(error.value_or(QString()));
    m_error->setVisible(error.has_value());
    const std::optional<QString> &reason = m_model.errorReason();
    m_errorReason->setText(reason.value_or(QString()));
    m_errorReason->setVisible(reason.has_value());
    std::optional<QString> notice = m_model.contactsProblem();
    if (!notice && m_model.addressBookUnreadable())
        notice = app::qs(l10n::backupContactsUnreadable());
    m_notice->setText(notice.value_or(QString()));
    m_notice->setVisible(notice.has_value());
    m_tooShort->setVisible(selected != nullptr && !isExportable(*selected));

    m_export->setText(app::qs(exportButtonLabel(selected, exporting)));
    m_export->setBusy(exporting);
    m_export->setEnabled(isExportButtonEnabled(selected, exporting));
}

void ListScreen::exportSelected()
{
    if (const catalogue::Conversation *selected = selectedConversation())
        m_model.exportConversation(*selected);
}

bool ListScreen::moveSelection(int key, bool fromSearch)
{
    const int count = m_rows->rowCount();
    const int row = m_rows->selectedRow();
    const int page = m_list->rowsPerPage();
    int target = -1;
    switch (key) {
    case Qt::Key_Up:
        target = row < 0 ? count - 1 : row - 1;
        break;
    case Qt::Key_Down:
        target = row < 0 ? 0 : row + 1;
        break;
    case Qt::Key_PageUp:
        target = row < 0 ? 0 : row - page;
        break;
    case Qt::Key_PageDown:
        target = row < 0 ? page - 1 : row + page;
        break;
    case Qt::Key_Home:
    case Qt::Key_End:
        // In the search field these move the text cursor.
        if (fromSearch)
            return false;
        target = key == Qt::Key_Home ? 0 : count - 1;
        break;
    default:
        return false;
    }
    if (count == 0 || content() != Content::Rows)
        return true;
    target = std::clamp(target, 0, count - 1);
    select(m_rows->conversationAt(target).id);
    m_list->scrollTo(m_rows->index(target));
    return true;
}

void ListScreen::showSelectionInView()
{
    const int row = m_rows->selectedRow();
    QItemSelectionModel *selection = m_list->selectionModel();
    if (row < 0) {
        selection->clear();
        return;
    }
    selection->setCurrentIndex(m_rows->index(row), QItemSelectionModel::ClearAndSelect);
    m_list->viewport()->update();
}

void ListScreen::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Typing goes straight into the search.
    m_search->setFocus();
}

bool ListScreen::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_search || watched == m_list) && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (key->key() == Qt::Key_Escape && !m_search->text().isEmpty()) {
                m_search->clear();
                return true;
            }
            if (moveSelection(key->key(), watched == m_search))
                return true;
        }
    }
    // The footer grows and shrinks with its hints; the shadow follows its top edge.
    if (watched == m_footer && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
        m_footerShadow->setGeometry(0, m_footer->y() - FooterShadow::height, width(), FooterShadow::height);
        m_footerShadow->raise();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace ui
