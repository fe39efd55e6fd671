#pragma once

#include "app/app_model.h"
#include "app/desktop_services.h"
#include "app/fake_message_sources.h"
#include "catalogue/conversation.h"
#include "contacts/contact_record.h"
#include "support/messages_fixture.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"
#include "ui/root_view.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QUrl>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace uitest
{

// Contacts handed to every load, authorised.
class RecordsContactsService final : public contacts::ContactsService
{
public:
    explicit RecordsContactsService(std::vector<contacts::ContactRecord> records)
        : m_records(std::move(records))
    {
    }
    contacts::AuthorizationStatus authorizationStatus() const override
    {
        return contacts::AuthorizationStatus::Authorized;
    }
    bool requestAccess() override { return true; }
    bool enumerate(const std::function<void(const contacts::ContactRecord &)> &onContact) override;

private:
    std::vector<contacts::ContactRecord> m_records;
};

// The desktop as the screens meet it: settings in memory, every outward action counted, and the
// contacts question answered by the test.
class FakeServices final : public app::DesktopServices
{
public:
    FakeServices();

    bool seenWelcome = true;
    contacts::AuthorizationStatus contactsStatus = contacts::AuthorizationStatus::Denied;
    std::vector<contacts::ContactRecord> contactRecords;
    // When set, handed to every load instead of contactRecords.
    std::shared_ptr<contacts::ContactsService> contactsSource;
    QString applicationFile;
    int privacySettingsOpened = 0;
    int relaunches = 0;
    int contactsRequests = 0;
    // How the next contacts requests are answered; a grant when none is set.
    std::optional<app::ContactsAnswer> contactsAnswer;
    QList<QUrl> openedUrls;
    QStringList revealedFiles;
    bool desktopOpensThings = true; // false: no browser and no file manager
    QHash<QString, QString> texts;

    bool boolSetting(const QString &key) override;
    void setBoolSetting(const QString &key, bool value) override;
    std::optional<QString> textSetting(const QString &key) override;
    void setTextSetting(const QString &key, const QString &value) override { texts.insert(key, value); }
    bool openUrl(const QUrl &url) override
    {
        openedUrls.append(url);
        return desktopOpensThings;
    }
    void openPrivacySettings() override { ++privacySettingsOpened; }
    void revealFile(const QString &path, std::function<void(bool)> done = {}) override
    {
        revealedFiles.append(path);
        if (done)
            done(desktopOpensThings);
    }
    void activate() override {}
    void relaunch() override { ++relaunches; }
    QString applicationPath() override { return applicationFile; }
    QIcon applicationIcon() override;
    QIcon fileIcon(const QString &path) override;
    contacts::AuthorizationStatus contactsAuthorizationStatus() override { return contactsStatus; }
    // Answers at once (on the next turn of the event loop) with contactsAnswer, or a grant.
    void requestContactsAccess(std::function<void(app::ContactsAnswer answer)> done) override;
    std::shared_ptr<contacts::ContactsService> contactsService() override;
};

// One chat of a test history.
struct TestChat {
    std::vector<std::string> handles; // two or more make a group
    int messages = 0;
    std::int64_t firstUnix = 1614556800; // 2021-03-01
    std::int64_t lastUnix = 1717200000; // 2024-06-01
    std::string displayName; // groups only
};

// Writes a Messages database at `file` holding the chats, their messages spread evenly from the
// first date to the last.
void writeHistory(const std::filesystem::path &file, const std::vector<TestChat> &chats);

// A contact with a name and one phone number or e-mail address.
contacts::ContactRecord contact(const std::string &name, const std::string &handle);

// The texts under `root`, as laid out now, that do not fit the control showing them: cut, wrapped
// past the control's height, or wider than it. Each entry names the control's class and its text.
QStringList textsThatDoNotFit(const QWidget *root);

// Lets the event loop run until `done` holds or `timeout` passes; true when it holds.
bool waitUntil(const std::function<bool()> &done, std::chrono::milliseconds timeout = std::chrono::seconds(10));

// A conversation value for the list's rules.
catalogue::Conversation conversation(const std::string &title,
                                     std::int64_t count,
                                     std::vector<std::string> members = {},
                                     std::vector<std::string> handles = {},
                                     bool isGroup = false);

// Handles of the standard history written by ScreenTest::writeStandardHistory().
inline const std::string annaPhone = "+15550000001";
inline const std::string bobPhone = "+15550000002";
inline const std::string carlaPhone = "+15550000003";

// A model on a real Messages database and fake desktop services, shown in the real window, which
// is active so that Return reaches the screens' default buttons.
class ScreenTest : public ::testing::Test
{
protected:
    void TearDown() override;

    // Eight conversations: Anna Smith (150 messages), the group "Book club" (120), Bob Jones (100),
    // Carla Diaz (99, too short), then four of 10 down to 7 messages.
    std::filesystem::path writeStandardHistory();

    // Creates the model and the window and shows it.
    void start(const std::filesystem::path &database);
    // start() on the standard history, with contacts answered, and waits for the list.
    void startOnList();
    // Creates the model on `sources`, with no database at home, starting with `asked` when given
    // (as from the command line), and shows the window.
    void startChoosing(std::optional<std::filesystem::path> asked = std::nullopt);
    // A backup whose messages are the standard history and whose address book holds the
    // services' contact records; encrypted with `password` when one is given.
    apptest::FakeMessageSources::Source backupSource(const std::string &password = {});

    template<typename Screen>
    Screen *screen() const
    {
        return qobject_cast<Screen *>(window->rootView()->currentScreen());
    }

    // Waits for the model to reach `phase` and the root view to show it.
    bool waitForPhase(app::AppModel::Phase phase);
    bool waitForConversations();

    testsupport::TempDir dir;
    FakeServices services;
    apptest::FakeMessageSources sources;
    std::unique_ptr<app::AppModel> model;
    std::unique_ptr<ui::MainWindow> window;
};

} // namespace uitest
