#include "ui_test_support.h"

#include "ui/backups_screen.h"
#include "ui/chunky_button.h"
#include "ui/interface_font.h"
#include "ui/resources.h"
#include "ui/text_button.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QThread>
#include <QTimer>

namespace uitest
{

bool RecordsContactsService::enumerate(const std::function<void(const contacts::ContactRecord &)> &onContact)
{
    for (const contacts::ContactRecord &record : m_records)
        onContact(record);
    return true;
}

FakeServices::FakeServices()
    : applicationFile(QCoreApplication::applicationFilePath())
{
}

bool FakeServices::boolSetting(const QString &key)
{
    return key == QStringLiteral("seenWelcome") && seenWelcome;
}

void FakeServices::setBoolSetting(const QString &key, bool value)
{
    if (key == QStringLiteral("seenWelcome"))
        seenWelcome = value;
}

std::optional<QString> FakeServices::textSetting(const QString &key)
{
    if (!texts.contains(key))
        return std::nullopt;
    return texts.value(key);
}

QIcon FakeServices::applicationIcon()
{
    return ui::builtInApplicationIcon();
}

QIcon FakeServices::fileIcon(const QString &path)
{
    return QFileIconProvider().icon(QFileInfo(path));
}

void FakeServices::requestContactsAccess(std::function<void(app::ContactsAnswer answer)> done)
{
    ++contactsRequests;
    const app::ContactsAnswer answer =
        contactsAnswer.value_or(app::ContactsAnswer{app::ContactsAnswer::Outcome::Granted, {}});
    if (answer.outcome == app::ContactsAnswer::Outcome::Granted)
        contactsStatus = contacts::AuthorizationStatus::Authorized;
    QTimer::singleShot(0, qApp, [done = std::move(done), answer] {
        done(answer);
    });
}

std::shared_ptr<contacts::ContactsService> FakeServices::contactsService()
{
    if (contactsSource)
        return contactsSource;
    return std::make_shared<RecordsContactsService>(contactRecords);
}

void writeHistory(const std::filesystem::path &file, const std::vector<TestChat> &chats)
{
    testsupport::MessagesFixture fixture(file);
    fixture.exec("BEGIN");
    int service = 0;
    for (const TestChat &entry : chats) {
        std::vector<std::int64_t> handles;
        for (const std::string &handle : entry.handles)
            handles.push_back(fixture.addHandle(handle, "service" + std::to_string(++service)));
        testsupport::Columns more;
        if (!entry.displayName.empty())
            more.emplace_back("display_name", entry.displayName);
        const bool group = entry.handles.size() > 1;
        const std::int64_t chat =
            fixture.addChat(entry.handles.empty() ? "chat" : entry.handles.front(), group ? 43 : 45, handles, more);
        for (int i = 0; i < entry.messages; ++i) {
            const std::int64_t span = entry.lastUnix - entry.firstUnix;
            const std::int64_t at =
                entry.messages == 1 ? entry.lastUnix : entry.firstUnix + span * i / (entry.messages - 1);
            fixture.addMessage({chat},
                               {{"date", testsupport::appleNanoseconds(at)},
                                {"text", "message " + std::to_string(i)},
                                {"is_from_me", static_cast<std::int64_t>(i % 2)},
                                {"handle_id", handles.empty() ? std::int64_t{0} : handles.front()}});
        }
    }
    fixture.exec("COMMIT");
    fixture.close();
}

contacts::ContactRecord contact(const std::string &name, const std::string &handle)
{
    contacts::ContactRecord record;
    record.identifier = "contact-" + name;
    record.formattedName = name;
    if (handle.find('@') != std::string::npos)
        record.emails.push_back(handle);
    else
        record.phones.push_back(handle);
    return record;
}

namespace
{

// Whether `text` in the widget's font fits `box` with `flags`, as the widget itself lays it out.
bool fits(const QWidget &widget, const QRect &box, int flags, const QString &text)
{
    const QRect needed = widget.fontMetrics().boundingRect(QRect(0, 0, box.width(), 100000), flags, text);
    return needed.width() <= box.width() && needed.height() <= box.height();
}

} // namespace

QStringList textsThatDoNotFit(const QWidget *root)
{
    QStringList misfits;
    const auto report = [&](const QWidget *widget, const QString &text) {
        misfits.append(QString::fromLatin1(widget->metaObject()->className()) + QStringLiteral(": ") + text);
    };
    for (const QWidget *widget : root->findChildren<QWidget *>()) {
        if (!widget->isVisibleTo(root))
            continue;
        if (const auto *label = qobject_cast<const QLabel *>(widget)) {
            const int flags = label->wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
            if (!label->text().isEmpty() && !fits(*label, label->contentsRect(), flags, label->text()))
                report(label, label->text());
        } else if (const auto *button = qobject_cast<const ui::ChunkyButton *>(widget)) {
            if (button->isLabelCut() || button->heightForWidth(button->width()) > button->height())
                report(button, button->text());
        } else if (const auto *row = qobject_cast<const ui::BackupRow *>(widget)) {
            if (row->isCut())
                report(row, row->title() + QStringLiteral(" / ") + row->details());
        } else if (const auto *link = qobject_cast<const ui::TextButton *>(widget)) {
            if (!fits(*link, link->rect(), Qt::TextWordWrap, link->text()))
                report(link, link->text());
        } else if (const auto *input = qobject_cast<const QLineEdit *>(widget)) {
            if (input->fontMetrics().horizontalAdvance(input->placeholderText()) > input->width())
                report(input, input->placeholderText());
        }
    }
    return misfits;
}

bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeout.count())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

catalogue::Conversation conversation(const std::string &title,
                                     std::int64_t count,
                                     std::vector<std::string> members,
                                     std::vector<std::string> handles,
                                     bool isGroup)
{
    catalogue::Conversation value;
    value.id = "id:" + title + ":" + std::to_string(count);
    value.title = title;
    value.count = count;
    value.members = std::move(members);
    value.handles = std::move(handles);
    value.isGroup = isGroup;
    return value;
}

void ScreenTest::TearDown()
{
    window.reset();
    model.reset();
}

std::filesystem::path ScreenTest::writeStandardHistory()
{
    const std::filesystem::path file = dir / "chat.db";
    constexpr std::int64_t march2021 = 1614556800;
    constexpr std::int64_t june2024 = 1717200000;
    writeHistory(file,
                 {
                     {{annaPhone}, 150, march2021, june2024, ""},
                     {{annaPhone, bobPhone}, 120, march2021, june2024, "Book club"},
                     {{bobPhone}, 100, march2021, june2024, ""},
                     {{carlaPhone}, 99, march2021, march2021 + 86400, ""}, // 1 and 2 March 2021
                     {{"+15550000004"}, 10, march2021, june2024, ""},
                     {{"+15550000005"}, 9, march2021, june2024, ""},
                     {{"+15550000006"}, 8, march2021, june2024, ""},
                     {{"+15550000007"}, 7, march2021, june2024, ""},
                 });
    services.contactRecords = {
        contact("Anna Smith", annaPhone),
        contact("Bob Jones", bobPhone),
        contact("Carla Diaz", carlaPhone),
    };
    return file;
}

void ScreenTest::start(const std::filesystem::path &database)
{
    // The screens are tested in the font the application uses.
    ui::useInterfaceFont();
    model = std::make_unique<app::AppModel>(services, database);
    window = std::make_unique<ui::MainWindow>(*model);
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

void ScreenTest::startChoosing(std::optional<std::filesystem::path> asked)
{
    ui::useInterfaceFont();
    model = std::make_unique<app::AppModel>(services, sources, dir / "no-home" / "chat.db", std::move(asked));
    window = std::make_unique<ui::MainWindow>(*model);
    window->show();
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

apptest::FakeMessageSources::Source ScreenTest::backupSource(const std::string &password)
{
    apptest::FakeMessageSources::Source source;
    source.kind = password.empty() ? app::SourceKind::Backup : app::SourceKind::EncryptedBackup;
    source.database = writeStandardHistory();
    source.password = password;
    source.hasAddressBook = true;
    source.addressBook = services.contactRecords;
    return source;
}

void ScreenTest::startOnList()
{
    services.contactsStatus = contacts::AuthorizationStatus::Authorized;
    start(writeStandardHistory());
    ASSERT_TRUE(waitForConversations());
}

bool ScreenTest::waitForPhase(app::AppModel::Phase phase)
{
    return waitUntil([&] {
        return model->phase() == phase && window->rootView()->shownPhase() == phase;
    });
}

bool ScreenTest::waitForConversations()
{
    return waitUntil([&] {
        return !model->loading() && !model->conversations().empty();
    });
}

} // namespace uitest
