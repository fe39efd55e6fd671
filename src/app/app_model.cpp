#include "app_model.h"

#include "catalogue/conversations.h"
#include "common/log.h"
#include "contacts_read.h"
#include "either_stop.h"
#include "l10n/language.h"
#include "l10n/strings.h"
#include "paths.h"
#include "sources/file_system_sources.h"
#include "store/messages_store.h"
#include "store/statement_guard.h"
#include "texts.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>

#include <algorithm>
#include <utility>

namespace app
{

namespace
{

const QString siteKey = QStringLiteral("TovikSite");
const QString seenWelcomeKey = QStringLiteral("seenWelcome");

// Exports are stopped only when the window closes, loads also when their source is left, and both
// may pile up while the user moves on; a few threads keep one slow task from holding up the others.
constexpr int poolThreads = 8;

} // namespace

struct AppModel::LoadOutcome {
    std::filesystem::path source;
    std::shared_ptr<const contacts::ContactsIndex> contacts;
    common::Result<std::vector<catalogue::Conversation>, store::SQLiteDB::Failure> conversations;
    bool stopped = false; // its source was left while it ran: whatever it read is dropped
    bool addressBookUnreadable = false; // the source's own address book could not be read
};

QString AppModel::builtInSiteURL()
{
    return app::builtInSiteURL();
}

AppModel::AppModel(DesktopServices &services, QObject *parent)
    : AppModel(services, app::databasePath(), parent)
{
}

AppModel::AppModel(DesktopServices &services, std::filesystem::path databasePath, QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_ownSources(std::make_unique<sources::FileSystemSources>())
    , m_sources(*m_ownSources)
    , m_databasePath(std::move(databasePath))
    , m_choosesSources(false)
    , m_source(m_databasePath)
    , m_watch(new AccessWatch(m_databasePath, this))
    , m_recent(services, recentSourcesKey(), maxRecentSources)
{
    connect(m_watch, &AccessWatch::accessChanged, this, &AppModel::accessChanged);
    m_pool.setMaxThreadCount(std::max(poolThreads, QThread::idealThreadCount()));
    lookUpContactsFileFolder();
    if (m_services.boolSetting(seenWelcomeKey))
        decidePhase();
}

AppModel::AppModel(DesktopServices &services,
                   MessageSources &sources,
                   std::filesystem::path defaultDatabase,
                   std::optional<std::filesystem::path> asked,
                   QObject *parent)
    : QObject(parent)
    , m_services(services)
    , m_sources(sources)
    , m_databasePath(std::move(defaultDatabase))
    , m_choosesSources(true)
    , m_asked(std::move(asked))
    , m_watch(new AccessWatch(m_databasePath, this))
    , m_recent(services, recentSourcesKey(), maxRecentSources)
{
    m_pool.setMaxThreadCount(std::max(poolThreads, QThread::idealThreadCount()));
    lookUpContactsFileFolder();
    connect(&m_discovery, &DiscoveryRunner::found, this, &AppModel::applyDiscovery);
    if (m_services.boolSetting(seenWelcomeKey))
        decidePhase();
}

QString AppModel::sourceKey()
{
    return QStringLiteral("source");
}

QString AppModel::recentSourcesKey()
{
    return QStringLiteral("recentSources");
}

AppModel::~AppModel()
{
    // A running task posts its outcome to `this`; wait for it while the object is whole. Outcomes
    // still queued die with the object. Stopped first, a task ends soon: nothing keeps the process
    // deriving a key after its window has gone.
    m_closing.request_stop();
    m_pool.clear();
    m_pool.waitForDone();
}

QUrl AppModel::startURL() const
{
    return startURLFor(m_services.textSetting(siteKey), qs(l10n::currentLanguage()));
}

void AppModel::decidePhase()
{
    decide(Trigger::Fresh);
}

void AppModel::decide(Trigger trigger)
{
    if (m_choosesSources) {
        decideSource(trigger);
        return;
    }
    switch (probeAccess(m_databasePath)) {
    case AccessProbe::Denied:
        setPhase(Phase::Access);
        startPolling();
        return;
    case AccessProbe::Missing:
        setPhase(Phase::NoMessages);
        return;
    case AccessProbe::Readable:
        break;
    }
    m_watch->stop();
    showContactsOrList(trigger);
}

void AppModel::showContactsOrList(Trigger trigger)
{
    if (!m_sourceContacts && m_services.contactsAuthorizationStatus() == contacts::AuthorizationStatus::NotDetermined) {
        setPhase(Phase::Contacts);
        return;
    }
    setPhase(Phase::List);
    if (trigger == Trigger::Fresh) {
        load();
        return;
    }
    // The source reads as fine but the last loads failed: try again, a bounded number of times.
    if (m_failedLoadsInRow < maxConsecutiveLoadFailures)
        startLoad();
}

void AppModel::startPolling()
{
    m_watch->start();
}

void AppModel::accessChanged()
{
    if (m_phase != Phase::Access && m_phase != Phase::NoMessages)
        return;
    decidePhase();
    m_services.activate();
}

void AppModel::openPrivacySettings()
{
    m_services.openPrivacySettings();
    startPolling();
}

void AppModel::finishWelcome()
{
    m_services.setBoolSetting(seenWelcomeKey, true);
    decidePhase();
}

void AppModel::load()
{
    m_failedLoadsInRow = 0;
    startLoad();
}

void AppModel::startLoad()
{
    setLoading(true);
    setError(std::nullopt);
    if (!m_source) {
        setLoading(false);
        return;
    }
    auto contactsSource =
        std::make_shared<ContactsRead>(m_sourceContacts ? m_sourceContacts : m_services.contactsService());
    const bool ownContacts = m_sourceContacts != nullptr;
    m_pool.start([this, contactsSource, ownContacts, sources = &m_sources, path = *m_source,
                  closing = m_closing.get_token(), reading = m_reading.get_token()] {
        // Pool thread: only the captured copies are used here, never the model's fields.
        const EitherStop stop(closing, reading);
        const store::StatementCancelScope cancel(stop.token());
        LoadOutcome outcome{
            path, std::make_shared<const contacts::ContactsIndex>(contacts::ContactsIndex::build(*contactsSource)),
            common::failure(store::SQLiteDB::Failure{})};
        // A contacts file the user chose that has gone bad meanwhile is the contacts question's
        // business; only the source's own address book is said to be unreadable here.
        outcome.addressBookUnreadable = ownContacts && contactsSource->failed();
        {
            auto store = sources->openStore(path);
            if (store)
                outcome.conversations = catalogue::loadConversations(*store, *outcome.contacts);
            else
                outcome.conversations = common::failure(std::move(store.error()));
            if (!outcome.conversations)
                common::log(common::LogCategory::App,
                            "load of " + path.string() + " failed: " + store::describe(outcome.conversations.error()));
        } // the connection closes here, before the outcome is applied
        outcome.stopped = stop.token().stop_requested();
        QMetaObject::invokeMethod(
            this,
            [this, outcome = std::move(outcome)]() mutable {
                applyLoad(std::move(outcome));
            },
            Qt::QueuedConnection);
    });
}

void AppModel::applyLoad(LoadOutcome outcome)
{
    if (outcome.source != m_source || outcome.stopped) {
        common::log(common::LogCategory::App,
                    "load of " + outcome.source.string() + " dropped: another source is shown");
        return;
    }
    m_contacts = std::move(outcome.contacts);
    m_addressBookUnreadable = outcome.addressBookUnreadable;
    setLoading(false);
    if (!outcome.conversations) {
        ++m_failedLoadsInRow;
        setConversations({});
        decide(Trigger::FailedLoad);
        return;
    }
    m_failedLoadsInRow = 0;
    setConversations(std::move(*outcome.conversations));
}

void AppModel::relaunch()
{
    m_services.relaunch();
}

void AppModel::setPhase(Phase phase)
{
    if (phase != m_phase && m_contactsProblem)
        setContactsProblem(std::nullopt);
    m_phase = phase;
    Q_EMIT phaseChanged();
}

void AppModel::setConversations(std::vector<catalogue::Conversation> conversations)
{
    m_conversations = std::move(conversations);
    Q_EMIT conversationsChanged();
}

void AppModel::setLoading(bool loading)
{
    m_loading = loading;
    Q_EMIT loadingChanged();
}

void AppModel::setExportingID(std::optional<QString> id)
{
    m_exportingID = std::move(id);
    Q_EMIT exportingIDChanged();
}

void AppModel::setError(std::optional<QString> error, std::optional<QString> reason)
{
    m_error = std::move(error);
    m_errorReason = m_error ? std::move(reason) : std::nullopt;
    Q_EMIT errorChanged();
}

void AppModel::setContactsProblem(std::optional<QString> problem)
{
    m_contactsProblem = std::move(problem);
    Q_EMIT contactsProblemChanged();
}

void AppModel::setExported(std::optional<Exported> exported)
{
    m_exported = std::move(exported);
    Q_EMIT exportedChanged();
}

void AppModel::setCheckingSource(int running)
{
    m_checksRunning = running;
    Q_EMIT checkingSourceChanged();
}

void AppModel::setSourceProblem(std::optional<QString> problem)
{
    m_sourceProblem = std::move(problem);
    Q_EMIT sourceProblemChanged();
}

void AppModel::setBackups(std::vector<BackupDescription> backups)
{
    m_backups = std::move(backups);
    Q_EMIT backupsChanged();
}

void AppModel::setUnlocking(bool unlocking)
{
    m_unlocking = unlocking;
    Q_EMIT unlockingChanged();
}

void AppModel::setWrongPassword(bool wrong)
{
    m_wrongPassword = wrong;
    Q_EMIT wrongPasswordChanged();
}

void AppModel::setUnopened(std::optional<QString> unopened)
{
    m_unopened = std::move(unopened);
    Q_EMIT unopenedChanged();
}

} // namespace app
