#pragma once

#include "access_probe.h"
#include "access_watch.h"
#include "catalogue/conversation.h"
#include "contacts/contacts_index.h"
#include "desktop_services.h"
#include "discovery_runner.h"
#include "recent_sources.h"
#include "sources/message_sources.h"
#include "start_page.h"

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace app
{

using sources::BackupDescription;
using sources::MessageSources;
using sources::SourceCheck;
using sources::SourceKind;
using sources::UnlockOutcome;

// The file an export wrote, what it holds, for the done screen.
struct Exported {
    QString path; // absolute path of the written file
    QString title; // the conversation's title
    qint64 messages = 0; // message blocks written
    QString folder; // absolute path of the folder it went into

    QUrl url() const { return QUrl::fromLocalFile(path); }
    bool operator==(const Exported &) const = default;
};

// The one controller of the application: which screen is shown, where the messages come from, the
// conversation list, the state of the one export that may run, and the access timer. Every field is read and written on
// the main thread; checks, unlocks, loads and exports run on the model's own pool, each load and export with its own
// database connection, and their outcomes are applied on the main thread in the order they finish. Every outcome
// belongs to the source it was started for: a check or an unlock started before the user last moved to another
// source (chose a path, picked a backup, went back to the source step) is dropped, and so is a load or an export of a
// source that is no longer the current one; within one source nothing is dropped. Every assignment to a published
// field emits its change signal, also when the value is unchanged.
class AppModel : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AppModel)
    Q_PROPERTY(Phase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(std::vector<catalogue::Conversation> conversations READ conversations NOTIFY conversationsChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(std::optional<QString> exportingID READ exportingID NOTIFY exportingIDChanged)
    Q_PROPERTY(std::optional<QString> error READ error NOTIFY errorChanged)
    Q_PROPERTY(std::optional<QString> errorReason READ errorReason NOTIFY errorChanged)
    Q_PROPERTY(std::optional<QString> contactsProblem READ contactsProblem NOTIFY contactsProblemChanged)
    Q_PROPERTY(std::optional<app::Exported> exported READ exported NOTIFY exportedChanged)
    Q_PROPERTY(std::optional<std::filesystem::path> source READ source NOTIFY sourceChanged)
    Q_PROPERTY(bool checkingSource READ checkingSource NOTIFY checkingSourceChanged)
    Q_PROPERTY(std::optional<QString> sourceProblem READ sourceProblem NOTIFY sourceProblemChanged)
    Q_PROPERTY(std::vector<app::BackupDescription> backups READ backups NOTIFY backupsChanged)
    Q_PROPERTY(bool unlocking READ unlocking NOTIFY unlockingChanged)
    Q_PROPERTY(bool wrongPassword READ wrongPassword NOTIFY wrongPasswordChanged)
    Q_PROPERTY(std::optional<QString> unopened READ unopened NOTIFY unopenedChanged)

public:
    enum class Phase {
        Welcome,
        Access,
        NoMessages,
        Source, // where the messages come from: a database file or a backup
        Backups, // several backups in the chosen folder: one to pick
        Password, // an encrypted backup waiting for its password
        Contacts,
        List,
        Done,
    };
    Q_ENUM(Phase)

    // Loads that fail one after another while the database still probes readable are started again
    // by the phase decision at most this many times in all; after the last failure the list phase
    // stays, with an empty list, until the user or the access watch starts a load again.
    static constexpr int maxConsecutiveLoadFailures = 3;

    static constexpr std::chrono::milliseconds defaultPollInterval = AccessWatch::defaultInterval;

    // The service's own origin, used when the "TovikSite" setting is absent or not an http(s) origin.
    static QString builtInSiteURL();

    // The settings key of the source chosen last (its path only).
    static QString sourceKey();
    // The settings key of the sources opened last, most recent first, one path a line.
    static QString recentSourcesKey();
    static constexpr std::size_t maxRecentSources = 5;
    // How long the source step waits for discovery before it stops saying that it looks.
    static constexpr std::chrono::milliseconds discoveryBudget{3000};

    // Reads the one database at databasePath() and, without it, waits on the access or
    // no-messages screen, as on a Mac. A user who has seen the welcome screen before gets the
    // phase decided here, which may start the access timer or the first load.
    explicit AppModel(DesktopServices &services, QObject *parent = nullptr);
    AppModel(DesktopServices &services, std::filesystem::path databasePath, QObject *parent = nullptr);

    // Lets the user choose where the messages come from. The first decision tries, in order,
    // `asked` (a path given on the command line), the source remembered in the settings if it is
    // still there, then `defaultDatabase` when it is readable; without any, it shows the source
    // step. `sources` outlives the model and is used from the model's threads.
    AppModel(DesktopServices &services,
             MessageSources &sources,
             std::filesystem::path defaultDatabase,
             std::optional<std::filesystem::path> asked,
             QObject *parent = nullptr);

    // Stops running checks, unlocks, loads and exports (a key derivation or a statement ends within
    // milliseconds), waits for them, and drops outcomes not yet applied.
    ~AppModel() override;

    Phase phase() const { return m_phase; }
    const std::vector<catalogue::Conversation> &conversations() const { return m_conversations; }
    bool loading() const { return m_loading; }
    const std::optional<QString> &exportingID() const { return m_exportingID; }
    const std::optional<QString> &error() const { return m_error; }
    // The one short line under a failed export's error that names why it failed.
    const std::optional<QString> &errorReason() const { return m_errorReason; }
    // Why the contacts file chosen last was refused, naming it; none once a file was taken, the
    // question skipped or another step shown. The names read before stay.
    const std::optional<QString> &contactsProblem() const { return m_contactsProblem; }
    // True when the last load could not read the source's own address book: its names are skipped,
    // its conversations still listed. Changes just before conversationsChanged.
    bool addressBookUnreadable() const { return m_addressBookUnreadable; }
    const std::optional<Exported> &exported() const { return m_exported; }

    // The source the list is read from, once one was chosen (always the database on a Mac).
    const std::optional<std::filesystem::path> &source() const { return m_source; }
    // What the source is: a database file or a backup (always a database on a Mac).
    SourceKind sourceKind() const { return m_sourceKind; }
    // True while a chosen path is being looked at in the background.
    bool checkingSource() const { return m_checksRunning > 0; }
    // Why the last chosen path cannot be used, naming it; none while nothing went wrong.
    const std::optional<QString> &sourceProblem() const { return m_sourceProblem; }
    // The backups of the folder chosen last, for the backup picker.
    const std::vector<BackupDescription> &backups() const { return m_backups; }
    // The encrypted backup the password screen asks for; none elsewhere.
    const std::optional<BackupDescription> &lockedBackup() const { return m_lockedBackup; }
    // True while the password of an encrypted backup is being tried.
    bool unlocking() const { return m_unlocking; }
    // True after a password that did not open the backup, until the next try.
    bool wrongPassword() const { return m_wrongPassword; }
    // The folder the contacts file chooser opens in: the Downloads folder, where a vCard exported
    // elsewhere usually lands, or home while there is none. Looked up in the background when the
    // model starts (it reads the user-dirs file); home until then.
    const QString &contactsFileFolder() const { return m_contactsFileFolder; }
    // An address or a path the desktop could not open, for the user to copy; none otherwise.
    const std::optional<QString> &unopened() const { return m_unopened; }

    // True when the current source brings its own address book, so no contacts file is needed.
    bool sourceHasContacts() const { return m_sourceContacts != nullptr; }
    // True where the user chooses the source (the source step replaces the access screens).
    bool choosesSources() const { return m_choosesSources; }

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
    // Asks for the contacts, on the question or again from the list (to choose or change the
    // file); granted or refused, shows the list and loads it. A chooser cancelled changes nothing,
    // and a file refused keeps the names read before and says why. Returns before the answer: the
    // rest happens on the main thread when it arrives.
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

    // Looks at `path` in the background, then shows what fits it: the contacts question or the
    // list for a database or a backup, the password screen for an encrypted backup, the backup
    // picker for a folder of backups, or the source step with the problem named.
    void chooseSource(const std::filesystem::path &path);
    void pickBackup(const BackupDescription &backup);
    // Tries `password` on the encrypted backup shown, in the background. Ignored while a try runs.
    // The password is copied once, into memory that is wiped after the try.
    void unlock(const QString &password);
    // Back to the source step, to choose other messages; allowed while a check or an unlock
    // runs, which is then stopped and its outcome dropped.
    void showSources();
    // True on every step after the first: the backup picker, the password, contacts, list and done
    // screens of the source flow, and the done screen of the Mac flow.
    bool canGoBack() const;
    // One step back: the done screen to the list, the password screen to the picker it came from,
    // any other step after the first to the source step.
    void goBack();
    // Forgets the address or path shown for copying.
    void dismissUnopened();

    // Where the source step looks for messages by itself; without roots it does not look. Looks
    // at once when the source step is shown.
    void setDiscoveryRoots(sources::DiscoveryRoots roots);
    // Looks again in the background; the outcome replaces foundSources() when it comes in time.
    void discoverSources();
    // True while a look runs, at most discoveryBudget long.
    bool discovering() const { return m_discovering; }
    const std::vector<sources::FoundSource> &foundSources() const { return m_found; }
    // Whether idevicebackup2 is installed; none until a look has said.
    std::optional<bool> backupToolInstalled() const { return m_backupTool; }
    // The usual Messages database when it is there but may not be read.
    const std::optional<std::filesystem::path> &unreadableDatabase() const { return m_unreadableDatabase; }
    const std::vector<std::filesystem::path> &recentSources() const { return m_recent.paths(); }
    // Takes `path` off the sources opened last, and drops the keys of an unlocked backup there.
    void forgetRecent(const std::filesystem::path &path);

    // The text that names `path` and says why it cannot be used; none for a usable kind.
    static std::optional<QString> problemText(SourceKind kind, const std::filesystem::path &path);

    // The access timer, for tests: whether it runs, and a shorter interval for it (applies at once
    // when it runs).
    bool isPolling() const { return m_watch->isRunning(); }
    std::chrono::milliseconds pollInterval() const { return m_watch->interval(); }
    void setPollInterval(std::chrono::milliseconds interval) { m_watch->setInterval(interval); }

Q_SIGNALS:
    void phaseChanged();
    void conversationsChanged();
    void loadingChanged();
    void exportingIDChanged();
    void errorChanged();
    void exportedChanged();
    void sourceChanged();
    void checkingSourceChanged();
    void sourceProblemChanged();
    void backupsChanged();
    void unlockingChanged();
    void wrongPasswordChanged();
    void unopenedChanged();
    void contactsProblemChanged();
    void discoveryChanged();

private:
    struct LoadOutcome;
    struct ExportOutcome;
    struct CheckOutcome;
    struct UnlockResult;

    enum class Trigger {
        Fresh, // the user or the access watch asked
        FailedLoad, // a load just failed
    };

    void decide(Trigger trigger);
    // The user moves to another source: what runs for the one left is dropped when it ends.
    void moveOn();
    void decideSource(Trigger trigger);
    void check(const std::filesystem::path &path, Trigger trigger);
    void applyCheck(CheckOutcome outcome);
    void applyUnlock(UnlockResult result);
    void adopt(const std::filesystem::path &path,
               SourceKind kind,
               std::shared_ptr<contacts::ContactsService> ownContacts,
               Trigger trigger);
    void showContactsOrList(Trigger trigger);
    void reveal(const QString &path);
    void startLoad();
    // The access watch saw the database become readable (or go missing).
    void accessChanged();
    void applyLoad(LoadOutcome outcome);
    void applyExport(ExportOutcome outcome);

    void setPhase(Phase phase);
    void setConversations(std::vector<catalogue::Conversation> conversations);
    void setLoading(bool loading);
    void setExportingID(std::optional<QString> id);
    void setError(std::optional<QString> error, std::optional<QString> reason = std::nullopt);
    void setContactsProblem(std::optional<QString> problem);
    void applyContactsAnswer(const ContactsAnswer &answer);
    void lookUpContactsFileFolder();
    void setExported(std::optional<Exported> exported);
    void setCheckingSource(int running);
    void setSourceProblem(std::optional<QString> problem);
    void setBackups(std::vector<BackupDescription> backups);
    void setUnlocking(bool unlocking);
    void setWrongPassword(bool wrong);
    void setUnopened(std::optional<QString> unopened);
    void applyDiscovery(const Discovered &discovered);

    DesktopServices &m_services;
    std::unique_ptr<MessageSources> m_ownSources; // the database file reader of the Mac flow
    MessageSources &m_sources;
    const std::filesystem::path m_databasePath;
    const bool m_choosesSources;
    std::optional<std::filesystem::path> m_asked;

    Phase m_phase = Phase::Welcome;
    std::vector<catalogue::Conversation> m_conversations;
    bool m_loading = false;
    std::optional<QString> m_exportingID;
    std::optional<QString> m_error;
    std::optional<QString> m_errorReason;
    std::optional<QString> m_contactsProblem;
    QString m_contactsFileFolder;
    bool m_addressBookUnreadable = false;
    std::optional<Exported> m_exported;
    std::optional<std::filesystem::path> m_source;
    SourceKind m_sourceKind = SourceKind::Database;
    std::shared_ptr<contacts::ContactsService> m_sourceContacts;
    int m_checksRunning = 0;
    std::optional<QString> m_sourceProblem;
    std::vector<BackupDescription> m_backups;
    std::optional<std::filesystem::path> m_locked; // the encrypted backup on the password screen
    std::optional<BackupDescription> m_lockedBackup; // its description, for the password screen
    bool m_pickedFromList = false; // the source being looked at was picked in the backup picker
    // How often the user moved to another source; checks and unlocks carry the count they began in.
    std::uint64_t m_step = 0;
    bool m_unlocking = false;
    bool m_wrongPassword = false;
    std::optional<QString> m_unopened;
    std::shared_ptr<const contacts::ContactsIndex> m_contacts = std::make_shared<const contacts::ContactsIndex>();
    AccessWatch *m_watch = nullptr; // a child: the access watch of the Mac flow
    int m_failedLoadsInRow = 0;
    // Requested when the window closes, for every task; when the user moves to another source, for
    // its checks and unlocks; and when another source is adopted, for the loads of the one left.
    std::stop_source m_closing;
    std::stop_source m_leaving;
    std::stop_source m_reading;
    std::optional<sources::DiscoveryRoots> m_discoveryRoots;
    RecentSources m_recent;
    bool m_discovering = false;
    std::vector<sources::FoundSource> m_found;
    std::optional<bool> m_backupTool;
    std::optional<std::filesystem::path> m_unreadableDatabase;
    DiscoveryRunner m_discovery;

    // Last member: destroyed first, after the destructor has waited for it.
    QThreadPool m_pool;
};

} // namespace app
