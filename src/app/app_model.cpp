#include "app_model.h"

#include "catalogue/conversations.h"
#include "export/build_export.h"
#include "export/export_file.h"
#include "l10n/language.h"
#include "l10n/strings.h"
#include "store/database_file_check.h"
#include "store/messages_store.h"
#include "texts.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>

#include <algorithm>
#include <utility>

namespace app {

namespace {

const QString siteKey = QStringLiteral("TovikSite");
const QString seenWelcomeKey = QStringLiteral("seenWelcome");

// Loads and exports are never cancelled and may pile up while the user moves on; a few threads
// keep one slow task from holding up the others.
constexpr int poolThreads = 8;

// The store for one load or export. What is at the path is checked first: SQLite would wait for
// ever on a FIFO there, holding a pool thread.
common::Result<store::MessagesStore, store::SQLiteDB::Failure> openStore(const std::filesystem::path &path)
{
    if (auto checked = store::checkDatabaseFile(path); !checked)
        return common::failure(store::SQLiteDB::Failure::open(0, std::move(checked.error().detail)));
    return store::MessagesStore::open(path);
}

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
    contacts::ContactsIndex contacts;
    common::Result<std::vector<catalogue::Conversation>, store::SQLiteDB::Failure> conversations;
};

struct AppModel::ExportOutcome {
    QString title;
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
    , m_databasePath(std::move(databasePath))
{
    m_pool.setMaxThreadCount(std::max(poolThreads, QThread::idealThreadCount()));
    if (m_services.boolSetting(seenWelcomeKey))
        decidePhase();
}

AppModel::~AppModel()
{
    // A running task posts its outcome to `this`; wait for it while the object is whole. Outcomes
    // still queued die with the object.
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
    if (m_services.contactsAuthorizationStatus() == contacts::AuthorizationStatus::NotDetermined) {
        setPhase(Phase::Contacts);
        return;
    }
    setPhase(Phase::List);
    if (trigger == Trigger::Fresh) {
        load();
        return;
    }
    // The database reads as fine but the last loads failed: try again, a bounded number of times.
    if (m_failedLoadsInRow < maxConsecutiveLoadFailures)
        startLoad();
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
    m_pool.start([this, source = m_services.contactsService(), path = m_databasePath] {
        // Pool thread: only the captured copies are used here, never the model's fields.
        LoadOutcome outcome{contacts::ContactsIndex::build(*source), common::failure(store::SQLiteDB::Failure{})};
        {
            auto store = openStore(path);
            if (store)
                outcome.conversations = catalogue::loadConversations(*store, outcome.contacts);
            else
                outcome.conversations = common::failure(std::move(store.error()));
        } // the connection closes here, before the outcome is applied
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
    if (m_exportingID)
        return;
    setExportingID(qs(conversation.id));
    setError(std::nullopt);
    m_pool.start([this, conversation, index = m_contacts, path = m_databasePath] {
        ExportOutcome outcome{qs(conversation.title), std::nullopt};
        {
            auto store = openStore(path);
            if (store) {
                const auto result = exporter::buildExport(*store, conversation, index);
                if (result) {
                    const auto file = exporter::writeExport(result->text, conversation.title);
                    if (file)
                        outcome.written = Exported{QFile::decodeName(file->c_str()), outcome.title, result->messages};
                }
            }
        }
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
        m_services.revealFile(m_exported->path);
    m_services.openUrl(startURL());
}

void AppModel::revealInFinder()
{
    if (m_exported)
        m_services.revealFile(m_exported->path);
}

void AppModel::backToList()
{
    setExported(std::nullopt);
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

} // namespace app
