#include "texts.h"

#include "crypto/unlock.h"
#include "l10n/date_time.h"
#include "l10n/message_count.h"
#include "paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <limits>

namespace app
{

QString naming(const std::string &text, const std::filesystem::path &path)
{
    return qs(text).replace(QStringLiteral("{path}"), displayPath(path));
}

QString savedInText(const QString &folder)
{
    // The last component of the path, without touching the disk; the path itself for the root.
    const QString name = QFileInfo(folder).fileName();
    return qs(l10n::doneTitle()).replace(QStringLiteral("{folder}"), name.isEmpty() ? folder : name);
}

QString exportFailureReason(const exporter::ExportFailure &failure, const std::filesystem::path &folder)
{
    if (failure.step == exporter::ExportFailure::Step::Database)
        return qs(l10n::exportFailedSourceGone());
    if (failure.kind == common::Error::Kind::NoSpace)
        return qs(l10n::exportFailedNoSpace());
    return naming(l10n::exportFailedNotWritable(), folder);
}

QString olderMessagesHint(sources::SourceKind kind)
{
    if (kind == sources::SourceKind::Database && l10n::linuxWords)
        return qs(l10n::olderMessagesHintDatabase());
    return qs(l10n::olderMessagesHint());
}

QString messageCount(std::int64_t n)
{
    return qs(l10n::messageCountText(n));
}

QString tooManyRoundsText(const QString &path, std::uint64_t rounds)
{
    const auto shown =
        static_cast<std::int64_t>(std::min<std::uint64_t>(rounds, std::numeric_limits<std::int64_t>::max()));
    return qs(l10n::tooManyRounds())
        .replace(QStringLiteral("{rounds}"), qs(l10n::groupedNumber(shown)))
        .replace(QStringLiteral("{phoneRounds}"), qs(l10n::groupedNumber(crypto::phoneRounds)))
        .replace(QStringLiteral("{path}"), path); // last: a path is never read for placeholders
}

namespace
{

const QString separator = QStringLiteral(" \u00B7 ");
constexpr qsizetype folderTail = 6;

QString whenMade(const std::optional<std::chrono::system_clock::time_point> &date)
{
    if (!date)
        return {};
    return qs(l10n::dateTimeText(std::chrono::time_point_cast<common::Instant::duration>(*date)));
}

QString folderName(const std::filesystem::path &path)
{
    return displayPath(path.filename());
}

} // namespace

QString backupTitle(const sources::BackupDescription &backup)
{
    return backup.deviceName.empty() ? folderName(backup.path) : qs(backup.deviceName);
}

QString backupDetails(const sources::BackupDescription &backup)
{
    QStringList details;
    if (const QString date = whenMade(backup.date); !date.isEmpty())
        details.append(date);
    if (!backup.iosVersion.empty())
        details.append(QStringLiteral("iOS ") + qs(backup.iosVersion));
    if (backup.encrypted)
        details.append(qs(l10n::encryptedBadge()));
    if (!backup.complete)
        details.append(qs(l10n::incompleteBadge()));
    const QString folder = folderName(backup.path);
    // The folder's tail tells backups of one device apart; a backup named by its folder already
    // shows it, unless nothing else would be said of it.
    const bool namedByFolder = backup.deviceName.empty() || qs(backup.deviceName) == folder;
    if (!folder.isEmpty() && (!namedByFolder || details.isEmpty()))
        details.append(folder.size() > folderTail ? QStringLiteral("\u2026") + folder.right(folderTail) : folder);
    return details.join(separator);
}

QString foundTitle(const sources::FoundSource &found)
{
    return found.backup ? backupTitle(*found.backup) : qs(l10n::messagesDatabaseRow());
}

QString foundDetails(const sources::FoundSource &found)
{
    if (found.backup)
        return backupDetails(*found.backup);
    QStringList details;
    if (const QString date = whenMade(found.date); !date.isEmpty())
        details.append(date);
    QString folder = displayPath(found.path.parent_path());
    const QString home = QDir::homePath();
    if (folder.startsWith(home + QLatin1Char('/')))
        folder = QStringLiteral("~") + folder.mid(home.size());
    details.append(folder);
    return details.join(separator);
}

} // namespace app
