#include "app_model.h"

#include "common/log.h"
#include "either_stop.h"
#include "l10n/strings.h"
#include "paths.h"
#include "secret_text.h"
#include "sources/file_system_sources.h"
#include "store/statement_guard.h"
#include "texts.h"

#include <QTimer>

#include <utility>

// The source step of the model: where the messages come from (a database file, a backup, a folder
// of backups, an encrypted backup and its password), the way back, and what discovery found.
namespace app
{

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
        adopt(found.path, found.kind, std::move(outcome.ownContacts), outcome.trigger);
        return;
    case SourceKind::EncryptedBackup:
        if (found.unlocked) {
            adopt(found.path, found.kind, std::move(outcome.ownContacts), outcome.trigger);
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
    case SourceKind::DatabaseTooOld:
    case SourceKind::NoMessagesInFolder:
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
                     SourceKind kind,
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
    m_sourceKind = kind;
    m_sourceContacts = std::move(ownContacts);
    Q_EMIT sourceChanged();
    // The path only: a password is never written anywhere.
    m_services.setTextSetting(sourceKey(), displayPath(path));
    m_recent.remember(path);
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
        adopt(result.backup, SourceKind::EncryptedBackup, std::move(result.ownContacts), Trigger::Fresh);
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
    roots.recent = m_recent.paths();
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

void AppModel::forgetRecent(const std::filesystem::path &path)
{
    m_recent.forget(path);
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
    case SourceKind::DatabaseTooOld:
        return naming(l10n::databaseTooOld(), path);
    case SourceKind::NoMessagesInFolder:
        return naming(l10n::sourceNoMessagesInFolder(), path);
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

} // namespace app
