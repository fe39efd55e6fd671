#pragma once

#include "access_probe.h"
#include "catalogue/conversation.h"
#include "contacts/contacts_index.h"
#include "desktop_services.h"

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace app {

// The file an export wrote, what it holds, for the done screen.
struct Exported {
    QString path; // absolute path of the written file
    QString title; // the conversation's title
    qint64 messages = 0; // message blocks written

    QUrl url() const { return QUrl::fromLocalFile(path); }
    bool operator==(const Exported &) const = default;
};

// True for an http or https origin as text: scheme, "://", host and an optional port, with no
// user, path (not even "/"), query or fragment.
[[nodiscard]] bool isWebOrigin(const QString &text);

// The start page for `language` (a code such as "en" or "pt-PT"): `site` when it is a web origin,
// else AppModel::builtInSiteURL(); then "/" + the lower-case code, left out for "en"; then
// "/start?source=imessage&method=mac".
[[nodiscard]] QUrl startURLFor(const std::optional<QString> &site, const QString &language);

// The one controller of the application: which screen is shown, the conversation list, the state
// of the one export that may run, and the access timer. Every field is read and written on the main
// thread; loads and exports run on the model's own pool, each with its own database connection,
// and their outcomes are applied on the main thread in the order they finish, never dropped.
// Every assignment to a published field emits its change signal, also when the value is unchanged.
class AppModel : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppModel)
    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(std::vector<catalogue::Conversation> conversations READ conversations NOTIFY conversationsChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(std::optional<QString> exportingID READ exportingID NOTIFY exportingIDChanged)
    Q_PROPERTY(std::optional<QString> error READ error NOTIFY errorChanged)
    Q_PROPERTY(std::optional<app::Exported> exported READ exported NOTIFY exportedChanged)

public:
    enum class Phase {
        Welcome,
        Access,
        NoMessages,
        Contacts,
        List,
        Done,
    };
    Q_ENUM(Phase)

    // Loads that fail one after another while the database still probes readable are started again
    // by the phase decision at most this many times in all; after the last failure the list phase
    // stays, with an empty list, until the user or the access watch starts a load again.
    static constexpr int maxConsecutiveLoadFailures = 3;

    static constexpr std::chrono::milliseconds defaultPollInterval{1000};

    // The service's own origin, used when the "TovikSite" setting is absent or not an http(s) origin.
    static QString builtInSiteURL();

    // Uses databasePath(). A user who has seen the welcome screen before gets the phase decided
    // here, which may start the access timer or the first load.
    explicit AppModel(DesktopServices &services, QObject *parent = nullptr);
    AppModel(DesktopServices &services, std::filesystem::path databasePath, QObject *parent = nullptr);

    // Waits for running loads and exports; outcomes not yet applied are dropped.
    ~AppModel() override;

    Phase phase() const { return m_phase; }
    const std::vector<catalogue::Conversation> &conversations() const { return m_conversations; }
    bool loading() const { return m_loading; }
    const std::optional<QString> &exportingID() const { return m_exportingID; }
    const std::optional<QString> &error() const { return m_error; }
    const std::optional<Exported> &exported() const { return m_exported; }

    // The contacts index of the last completed load; each export shares it, read-only.
    const contacts::ContactsIndex &contacts() const { return *m_contacts; }

    const std::filesystem::path &databasePath() const { return m_databasePath; }
    DesktopServices &services() const { return m_services; }

    // The service's start page in the current language: the base, then "/" + the lower-case
    // language code (nothing for "en"), then "/start?source=imessage&method=mac". The base is the
    // "TovikSite" setting when it is an http or https origin, else builtInSiteURL().
    QUrl startURL() const;

    // Probes the database and shows the access, no-messages, contacts or list screen.
    void decidePhase();
    // Starts the access timer unless it runs.
    void startPolling();
    // Opens the system's privacy settings (nothing to open on Linux), then starts the access timer.
    void openPrivacySettings();
    // Remembers that the welcome screen was seen, then decides the phase.
    void finishWelcome();
    // Asks for the contacts and, whatever the answer, shows the list and loads it. Returns before
    // the answer: the rest happens on the main thread when it arrives.
    void requestContacts();
    void skipContacts();
    // Loads the conversation list in the background.
    void load();
    // Exports one conversation in the background into the Downloads folder. Ignored while another
    // export runs.
    void exportConversation(const catalogue::Conversation &conversation);
    // Reveals the written file, if any, then opens the start page.
    void openUploadPage();
    void revealInFinder();
    // Forgets the export and shows the freshly loaded list.
    void backToList();
    // Starts a new instance of the application and ends this one.
    void relaunch();

    // The access timer, for tests: whether it runs, and a shorter interval for it (applies at once
    // when it runs).
    bool isPolling() const { return m_poll != nullptr; }
    std::chrono::milliseconds pollInterval() const { return m_pollInterval; }
    void setPollInterval(std::chrono::milliseconds interval);

Q_SIGNALS:
    void phaseChanged();
    void conversationsChanged();
    void loadingChanged();
    void exportingIDChanged();
    void errorChanged();
    void exportedChanged();

private:
    struct LoadOutcome;
    struct ExportOutcome;

    enum class Trigger {
        Fresh, // the user or the access watch asked
        FailedLoad, // a load just failed
    };

    void decide(Trigger trigger);
    void startLoad();
    void tick();
    void stopPolling();
    void applyLoad(LoadOutcome outcome);
    void applyExport(ExportOutcome outcome);

    void setPhase(Phase phase);
    void setConversations(std::vector<catalogue::Conversation> conversations);
    void setLoading(bool loading);
    void setExportingID(std::optional<QString> id);
    void setError(std::optional<QString> error);
    void setExported(std::optional<Exported> exported);

    DesktopServices &m_services;
    const std::filesystem::path m_databasePath;

    Phase m_phase = Phase::Welcome;
    std::vector<catalogue::Conversation> m_conversations;
    bool m_loading = false;
    std::optional<QString> m_exportingID;
    std::optional<QString> m_error;
    std::optional<Exported> m_exported;
    std::shared_ptr<const contacts::ContactsIndex> m_contacts = std::make_shared<const contacts::ContactsIndex>();
    std::unique_ptr<QTimer> m_poll;
    std::chrono::milliseconds m_pollInterval = defaultPollInterval;
    int m_failedLoadsInRow = 0;

    // Last member: destroyed first, after the destructor has waited for it.
    QThreadPool m_pool;
};

} // namespace app
