#include "app_model.h"

#include "catalogue/conversations.h"
#include "common/log.h"
#include "either_stop.h"
#include "export/export_conversation.h"
#include "l10n/language.h"
#include "l10n/strings.h"
#include "paths.h"
#include "secret_text.h"
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

// A text with "{path}" in it, naming `path`.
QString naming(const std::string &text, const std::filesystem::path &path)
{
    return qs(text).replace(QStringLiteral("{path}"), displayPath(path));
}

// Exports are stopped only when the window closes, loads also when their source is left, and both
// may pile up while the user moves on; a few threads keep one slow task from holding up the others.
constexpr int poolThreads = 8;

} // namespace

bool isWebOrigin(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme();
    if (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))
        return false;
    return !url.host().isEmpty() && url.userInfo().isEmpty() && url.path().isEmpty() && !url.hasQuery()
        && !url.hasFragment() && text.startsWith(scheme + QStringLiteral("://"), Qt::CaseInsensitive);
}

QUrl startURLFor(const std::optional<QString> &site, const QString &language)
{
    // "https://tovik.example/" names the same origin as "https://tovik.example"; one slash at the
    // end is dropped before the check, so the path below does not begin with two.
    std::optional<QString> origin = site;
    if (origin && origin->endsWith(QLatin1Char('/')))
        origin->chop(1);
    const QString base = origin && isWebOrigin(*origin) ? *origin : AppModel::builtInSiteURL();
    const QString segment = language == QStringLiteral("en") ? QString() : QLatin1Char('/') + language.toLower();
    return QUrl(base + segment + QStringLiteral("/start?source=imessage&method=mac"));
}

struct AppModel::LoadOutcome {
    std::filesystem::path source;
    std::shared_ptr<const contacts::ContactsIndex> contacts;
    common::Result<std::vector<catalogue::Conversation>, store::SQLiteDB::Failure> conversations;
    bool stopped = false; // its source was left while it ran: whatever it read is dropped
};

struct AppModel::CheckOutcome {
    SourceCheck check;
    Trigger trigger = Trigger::Fresh;
    std::shared_ptr<contacts::ContactsService> ownContacts; // of a usable source
    std::optional<BackupDescription> locked; // of an encrypted backup still locked
    std::uint64_t step = 0; // the user's move it was started in
};

struct AppModel::UnlockResult {
    std::filesystem::path backup;
    sources::UnlockReport outcome;
    std::shared_ptr<contacts::ContactsService> ownContacts;
    std::uint64_t step = 0;
};

struct AppModel::ExportOutcome {
    QString title;
    std::filesystem::path source;
    std::optional<Exported> written; // none when any step failed
};

QString AppModel::builtInSiteURL()
{
    return QStringLiteral("https://tovik.app");
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
{
    m_pool.setMaxThreadCount(std::max(poolThreads, QThread::idealThreadCount()));
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
{
    m_pool.setMaxThreadCount(std::max(poolThreads, QThread::idealThreadCount()));
    const QStringList recent =
        m_services.textSetting(recentSourcesKey()).value_or(QString()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &path : recent) {
        if (m_recent.size() < maxRecentSources)
            m_recent.push_back(pathFrom(path));
    }
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
    stopPolling();
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

void AppModel::decideSource(Trigger trigger)
{
    if (m_source) {
        // Decided before: look at the source again, as a failed load may mean it has changed.
        check(*m_source, trigger);
        return;
    }
    std::optional<std::filesystem::path> first = std::exchange(m_asked, std::nullopt);
    if (!first) {
        const std::optional<QString> remembered = m_services.textSetting(sourceKey());
        std::error_code error;
        if (remembered && !remembered->isEmpty() && std::filesystem::exists(pathFrom(*remembered), error))
            first = pathFrom(*remembered);
    }
    if (!first && probeAccess(m_databasePath) == AccessProbe::Readable)
        first = m_databasePath;
    setPhase(Phase::Source);
    discoverSources();
    if (first)
        check(*first, Trigger::Fresh);
}

void AppModel::chooseSource(const std::filesystem::path &path)
{
    moveOn();
    check(path, Trigger::Fresh);
}

void AppModel::pickBackup(const BackupDescription &backup)
{
    moveOn();
    m_pickedFromList = true;
    check(backup.path, Trigger::Fresh);
}

bool AppModel::canGoBack() const
{
    switch (m_phase) {
    case Phase::Done:
        return true;
    case Phase::Backups:
    case Phase::Password:
    case Phase::Contacts:
    case Phase::List:
        return m_choosesSources;
    case Phase::Welcome:
    case Phase::Access:
    case Phase::NoMessages:
    case Phase::Source:
        return false;
    }
    return false;
}

void AppModel::goBack()
{
    if (!canGoBack())
        return;
    if (m_phase == Phase::Done) {
        backToList();
        return;
    }
    if (m_phase == Phase::Password && m_pickedFromList && !m_backups.empty()) {
        moveOn();
        setPhase(Phase::Backups);
        return;
    }
    showSources();
}

void AppModel::moveOn()
{
    ++m_step;
    std::exchange(m_leaving, {}).request_stop();
    m_pickedFromList = false;
    m_locked.reset();
    m_lockedBackup.reset();
    if (m_unlocking)
        setUnlocking(false);
    setWrongPassword(false);
}

void AppModel::check(const std::filesystem::path &path, Trigger trigger)
{
    setCheckingSource(m_checksRunning + 1);
    setSourceProblem(std::nullopt);
    m_pool.start([this, sources = &m_sources, path, trigger, step = m_step, closing = m_closing.get_token(),
                  leaving = m_leaving.get_token()] {
        const EitherStop stop(closing, leaving);
        const store::StatementCancelScope cancel(stop.token());
        CheckOutcome outcome{sources->check(path), trigger, nullptr, std::nullopt, step};
        if (outcome.check.usable())
            outcome.ownContacts = sources->contacts(outcome.check.path);
        else if (outcome.check.kind == SourceKind::EncryptedBackup)
            outcome.locked = sources::describe(sources::readBackupInfo(outcome.check.path));
        QMetaObject::invokeMethod(
            this,
            [this, outcome = std::move(outcome)]() mutable {
                applyCheck(std::move(outcome));
            },
            Qt::QueuedConnection);
    });
}

void AppModel::applyCheck(CheckOutcome outcome)
{
    setCheckingSource(m_checksRunning - 1);
    const SourceCheck &found = outcome.check;
    if (outcome.step != m_step) {
        common::log(common::LogCategory::App, "check of " + found.path.string() + " dropped: the user moved on");
        return;
    }
    switch (found.kind) {
    case SourceKind::Database:
    case SourceKind::Backup:
        adopt(found.path, std::move(outcome.ownContacts), outcome.trigger);
        return;
    case SourceKind::EncryptedBackup:
        if (found.unlocked) {
            adopt(found.path, std::move(outcome.ownContacts), outcome.trigger);
            return;
        }
        m_locked = found.path;
        m_lockedBackup = std::move(outcome.locked);
        setWrongPassword(false);
        setPhase(Phase::Password);
        return;
    case SourceKind::BackupFolder:
        setBackups(found.backups);
        setPhase(Phase::Backups);
        return;
    case SourceKind::NotFound:
    case SourceKind::Unreadable:
    case SourceKind::NotRegularFile:
    case SourceKind::NotMessagesDatabase:
    case SourceKind::BackupWithoutMessages:
    case SourceKind::BackupTooOld:
    case SourceKind::BackupIncomplete:
    case SourceKind::BackupWithoutManifest:
    case SourceKind::BackupMessagesUnreadable:
        break;
    }
    if (m_source == found.path) {
        // The source in use has changed under the list: it is no longer offered.
        std::exchange(m_reading, {}).request_stop();
        m_source.reset();
        m_sourceContacts.reset();
        Q_EMIT sourceChanged();
        setConversations({});
    }
    setSourceProblem(problemText(found.kind, found.path));
    setPhase(Phase::Source);
}

void AppModel::adopt(const std::filesystem::path &path,
                     std::shared_ptr<contacts::ContactsService> ownContacts,
                     Trigger trigger)
{
    if (m_source != path) {
        // Another source: nothing of the last one's list stays, and its loads still running are
        // stopped, and dropped when they end.
        std::exchange(m_reading, {}).request_stop();
        setConversations({});
        setLoading(false);
    }
    m_source = path;
    m_sourceContacts = std::move(ownContacts);
    Q_EMIT sourceChanged();
    // The path only: a password is never written anywhere.
    m_services.setTextSetting(sourceKey(), displayPath(path));
    remember(path);
    showContactsOrList(trigger);
}

void AppModel::unlock(const QString &password)
{
    if (!m_locked || m_unlocking)
        return;
    setUnlocking(true);
    setWrongPassword(false);
    // Shared only because a pool task must be copyable; the one copy is wiped when the task goes.
    auto secret = std::make_shared<const crypto::SecureBytes>(secretUtf8(password));
    m_pool.start([this, sources = &m_sources, backup = *m_locked, secret = std::move(secret), step = m_step,
                  closing = m_closing.get_token(), leaving = m_leaving.get_token()]() mutable {
        const EitherStop stop(closing, leaving);
        UnlockResult result{backup, sources->unlock(backup, crypto::textOf(*secret), stop.token()), nullptr, step};
        secret.reset();
        if (result.outcome.outcome == UnlockOutcome::Unlocked)
            result.ownContacts = sources->contacts(backup);
        QMetaObject::invokeMethod(
            this,
            [this, result = std::move(result)]() mutable {
                applyUnlock(std::move(result));
            },
            Qt::QueuedConnection);
    });
}

void AppModel::applyUnlock(UnlockResult result)
{
    if (result.step != m_step) {
        common::log(common::LogCategory::App, "unlock of " + result.backup.string() + " dropped: the user moved on");
        return;
    }
    setUnlocking(false);
    switch (result.outcome.outcome) {
    case UnlockOutcome::Unlocked:
        adopt(result.backup, std::move(result.ownContacts), Trigger::Fresh);
        return;
    case UnlockOutcome::WrongPassword:
        setWrongPassword(true);
        return;
    case UnlockOutcome::Failed:
        setSourceProblem(naming(l10n::unlockFailed(), result.backup));
        setPhase(Phase::Source);
        return;
    case UnlockOutcome::TooManyRounds:
        setSourceProblem(tooManyRoundsText(displayPath(result.backup), result.outcome.rounds));
        setPhase(Phase::Source);
        return;
    case UnlockOutcome::Cancelled: // only when the user left or the window closed: nothing to say
        return;
    }
}

void AppModel::showSources()
{
    moveOn();
    setPhase(Phase::Source);
    discoverSources();
}

void AppModel::setDiscoveryRoots(sources::DiscoveryRoots roots)
{
    m_discoveryRoots = std::move(roots);
    if (m_phase == Phase::Source)
        discoverSources();
}

void AppModel::discoverSources()
{
    if (!m_discoveryRoots)
        return;
    sources::DiscoveryRoots roots = *m_discoveryRoots;
    roots.recent = m_recent;
    m_discovering = true;
    Q_EMIT discoveryChanged();
    const std::uint64_t look = m_discovery.start(std::move(roots), discoveryBudget);
    // A look that is late leaves the step as it is, without saying that it still looks.
    QTimer::singleShot(discoveryBudget, this, [this, look] {
        if (m_discovery.isLatest(look) && m_discovering) {
            m_discovering = false;
            Q_EMIT discoveryChanged();
        }
    });
}

void AppModel::applyDiscovery(const Discovered &discovered)
{
    m_discovering = false;
    m_found = discovered.discovery.found;
    m_backupTool = discovered.backupToolInstalled;
    m_unreadableDatabase = discovered.discovery.unreadableDatabase;
    Q_EMIT discoveryChanged();
}

void AppModel::remember(const std::filesystem::path &path)
{
    std::erase(m_recent, path);
    m_recent.insert(m_recent.begin(), path);
    if (m_recent.size() > maxRecentSources)
        m_recent.resize(maxRecentSources);
    saveRecent();
}

void AppModel::forgetRecent(const std::filesystem::path &path)
{
    std::erase(m_recent, path);
    saveRecent();
    m_sources.forget(path);
    // Found in a place of its own, it stays offered; only as a recent source, it goes.
    std::erase_if(m_found, [&](const sources::FoundSource &found) {
        return found.path == path && found.place == sources::Place::Recent;
    });
    for (auto &found : m_found) {
        if (found.path == path)
            found.recent = false;
    }
    Q_EMIT discoveryChanged();
}

void AppModel::saveRecent()
{
    QStringList paths;
    for (const auto &path : m_recent) {
        // A path with a line break in it cannot be kept in this list.
        if (!displayPath(path).contains(QLatin1Char('\n')))
            paths.append(displayPath(path));
    }
    m_services.setTextSetting(recentSourcesKey(), paths.join(QLatin1Char('\n')));
}

void AppModel::chooseContactsFile()
{
    m_services.requestContactsAccess([model = QPointer<AppModel>(this)](bool) {
        if (model && model->m_phase == Phase::List)
            model->load();
    });
}

std::optional<QString> AppModel::problemText(SourceKind kind, const std::filesystem::path &path)
{
    switch (kind) {
    case SourceKind::Database:
    case SourceKind::Backup:
    case SourceKind::EncryptedBackup:
    case SourceKind::BackupFolder:
        return std::nullopt;
    case SourceKind::NotFound:
        return naming(l10n::sourceNotFound(), path);
    case SourceKind::Unreadable:
        return naming(l10n::sourceUnreadable(), path);
    case SourceKind::NotRegularFile:
        return naming(l10n::sourceNotRegularFile(), path);
    case SourceKind::NotMessagesDatabase:
        return naming(l10n::sourceNotMessages(), path);
    case SourceKind::BackupWithoutMessages:
        return naming(l10n::backupWithoutMessages(), path);
    case SourceKind::BackupTooOld:
        return naming(l10n::backupTooOld(), path);
    case SourceKind::BackupIncomplete:
        return naming(l10n::backupIncomplete(), path);
    case SourceKind::BackupWithoutManifest:
        return naming(l10n::backupWithoutManifest(), path);
    case SourceKind::BackupMessagesUnreadable:
        return naming(l10n::backupNotMessages(), path);
    }
    return std::nullopt;
}

void AppModel::startPolling()
{
    if (m_poll)
        return;
    // A child, so that it lives on the model's (main) thread; the model still owns it alone.
    m_poll = std::make_unique<QTimer>(this);
    m_poll->setObjectName(QStringLiteral("accessTimer"));
    m_poll->setInterval(m_pollInterval);
    connect(m_poll.get(), &QTimer::timeout, m_poll.get(), [model = QPointer<AppModel>(this)] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [model] {
                if (model)
                    model->tick();
            },
            Qt::QueuedConnection);
    });
    m_poll->start();
}

void AppModel::stopPolling()
{
    m_poll.reset();
}

void AppModel::setPollInterval(std::chrono::milliseconds interval)
{
    m_pollInterval = interval;
    if (m_poll)
        m_poll->setInterval(interval);
}

void AppModel::tick()
{
    if (m_phase != Phase::Access && m_phase != Phase::NoMessages)
        return;
    if (probeAccess(m_databasePath) == AccessProbe::Denied)
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

void AppModel::requestContacts()
{
    m_services.requestContactsAccess([model = QPointer<AppModel>(this)](bool) {
        if (!model)
            return;
        model->setPhase(Phase::List);
        model->load();
    });
}

void AppModel::skipContacts()
{
    setPhase(Phase::List);
    load();
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
    auto contactsSource = m_sourceContacts ? m_sourceContacts : m_services.contactsService();
    m_pool.start([this, contactsSource, sources = &m_sources, path = *m_source, closing = m_closing.get_token(),
                  reading = m_reading.get_token()] {
        // Pool thread: only the captured copies are used here, never the model's fields.
        const EitherStop stop(closing, reading);
        const store::StatementCancelScope cancel(stop.token());
        LoadOutcome outcome{
            path, std::make_shared<const contacts::ContactsIndex>(contacts::ContactsIndex::build(*contactsSource)),
            common::failure(store::SQLiteDB::Failure{})};
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

void AppModel::exportConversation(const catalogue::Conversation &conversation)
{
    if (m_exportingID || !m_source)
        return;
    setExportingID(qs(conversation.id));
    setError(std::nullopt);
    m_pool.start([this, conversation, index = m_contacts, sources = &m_sources, path = *m_source,
                  closing = m_closing.get_token()] {
        // Only the window closing stops an export: one the user started is finished for them.
        const store::StatementCancelScope cancel(closing);
        ExportOutcome outcome{qs(conversation.title), path, std::nullopt};
        // The reason of a failure is for diagnostics; the window shows its one failure text.
        if (auto store = sources->openStore(path)) {
            if (auto written = exporter::exportConversation(*store, conversation, *index))
                outcome.written = Exported{displayPath(written->file), outcome.title, written->built.messages};
            else
                common::log(common::LogCategory::Export, "export failed: " + written.error().reason);
        } else {
            common::log(common::LogCategory::Export, "export failed: " + store::describe(store.error()));
        } // the connection closes here, before the outcome is applied
        QMetaObject::invokeMethod(
            this,
            [this, outcome = std::move(outcome)]() mutable {
                applyExport(std::move(outcome));
            },
            Qt::QueuedConnection);
    });
}

void AppModel::applyExport(ExportOutcome outcome)
{
    setExportingID(std::nullopt);
    if (outcome.source != m_source) {
        common::log(common::LogCategory::App,
                    "export of " + outcome.source.string() + " done: another source is shown");
        return;
    }
    if (!outcome.written) {
        setError(qs(l10n::exportFailed()));
        return;
    }
    setExported(std::move(outcome.written));
    setPhase(Phase::Done);
}

void AppModel::openUploadPage()
{
    if (m_exported)
        reveal(m_exported->path);
    const QUrl page = startURL();
    if (!m_services.openUrl(page))
        setUnopened(page.toString());
}

void AppModel::revealInFinder()
{
    if (m_exported)
        reveal(m_exported->path);
}

void AppModel::reveal(const QString &path)
{
    m_services.revealFile(path, [model = QPointer<AppModel>(this), path](bool shown) {
        // Without a file manager, the path itself tells the user where to look. An address that
        // could not be opened either is not hidden by it.
        if (model && !shown && !model->m_unopened)
            model->setUnopened(path);
    });
}

void AppModel::dismissUnopened()
{
    setUnopened(std::nullopt);
}

void AppModel::backToList()
{
    setExported(std::nullopt);
    setUnopened(std::nullopt);
    setPhase(Phase::List);
    load();
}

void AppModel::relaunch()
{
    m_services.relaunch();
}

void AppModel::setPhase(Phase phase)
{
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

void AppModel::setError(std::optional<QString> error)
{
    m_error = std::move(error);
    Q_EMIT errorChanged();
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
