#pragma once

#include "export/export_conversation.h"
#include "l10n/strings.h"
#include "sources/discovery.h"

#include <QString>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// Where the core's UTF-8 texts become Qt's: the screens call these instead of converting.
namespace app
{

[[nodiscard]] inline QString qs(const std::string &utf8)
{
    return QString::fromStdString(utf8);
}

[[nodiscard]] inline QString qs(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

[[nodiscard]] inline QString qs(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

[[nodiscard]] inline std::string utf8(const QString &text)
{
    return text.toStdString();
}

// The program's name in the window title, the task bar and tooltips: "Tovik" on Linux, where
// nothing is "for Mac"; "Tovik for Mac" on a Mac.
[[nodiscard]] inline QString applicationName()
{
    return l10n::linuxWords ? QStringLiteral("Tovik") : QStringLiteral("Tovik for Mac");
}

// The text that says the backup at `path` asks for `rounds` rounds of key derivation, far more than
// a phone's, so it was not unlocked.
[[nodiscard]] QString tooManyRoundsText(const QString &path, std::uint64_t rounds);

// `text` with "{path}" in it, naming `path`.
[[nodiscard]] QString naming(const std::string &text, const std::filesystem::path &path);

// The done screen's title: the text that says the file went into `folder`, by the folder's own name.
[[nodiscard]] QString savedInText(const QString &folder);

// The one short line under the export-failed text that names why: no space left, the folder
// `folder` cannot be written, or the messages can no longer be read.
[[nodiscard]] QString exportFailureReason(const exporter::ExportFailure &failure, const std::filesystem::path &folder);

// The list's hint on older messages that are missing, for a source of `kind`: a Mac's database
// gets them back through Messages in iCloud on the Mac, a backup through the iPhone.
[[nodiscard]] QString olderMessagesHint(sources::SourceKind kind);

// l10n::messageCountText(n) as a QString: "1 message", "1,234 messages", in the current language.
[[nodiscard]] QString messageCount(std::int64_t n);

// The name a backup goes by in a row: the phone's name, else its folder's.
[[nodiscard]] QString backupTitle(const sources::BackupDescription &backup);

// What tells one backup from another in a row: when it was made (in the user's language), the
// iOS version, the encrypted and incomplete marks, and the last characters of its folder's name,
// joined with " · ".
[[nodiscard]] QString backupDetails(const sources::BackupDescription &backup);

// A found source's row: a backup's title and details, or the database's name with its last change
// and folder.
[[nodiscard]] QString foundTitle(const sources::FoundSource &found);
[[nodiscard]] QString foundDetails(const sources::FoundSource &found);

} // namespace app
