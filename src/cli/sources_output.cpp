#include "cli/sources_output.h"

#include "cli/commands.h"
#include "cli/json.h"
#include "cli/local_time.h"
#include "common/home.h"
#include "common/terminal_text.h"
#include "sources/discovery.h"

namespace cli
{

using common::terminalText;

namespace
{

std::string localDateTime(const std::optional<std::int64_t> &unixSeconds)
{
    return localTimeText(unixSeconds, "%Y-%m-%d %H:%M");
}

std::string deviceOf(const sources::BackupInfo &backup)
{
    return backup.deviceName.empty() ? "an unnamed device" : terminalText(backup.deviceName);
}

std::string stateOf(const sources::BackupInfo &backup)
{
    std::string state = backup.encrypted ? "encrypted" : "not encrypted";
    if (!backup.complete)
        state += ", unfinished";
    return state;
}

void printBackupLines(const std::vector<sources::BackupInfo> &backups, std::ostream &out, const std::string &indent)
{
    for (const auto &backup : backups) {
        out << indent << terminalText(backup.folder.filename().string()) << "  " << deviceOf(backup) << "  "
            << localDateTime(backup.lastBackup) << "  " << stateOf(backup) << "\n";
    }
}

std::string backupIn(const sources::BackupInfo &backup)
{
    return terminalText(backup.folder.string()) + ": the backup of " + deviceOf(backup);
}

} // namespace

std::string backupPasswordPrompt(const sources::BackupInfo &backup)
{
    return "Password of the encrypted backup of " + deviceOf(backup) + ": ";
}

namespace
{

// What discovery finds, one line each (or a JSON array): where it was found, and what it is.
int runDiscovered(const BackupsCommand &command, std::ostream &out)
{
    using namespace std::chrono;
    const auto found = sources::discover(sources::discoveryRoots(), steady_clock::now() + seconds(10));
    if (!command.json) {
        for (const auto &source : found.found) {
            out << sources::nameOf(source.place) << "  " << terminalText(source.path.string()) << "  ";
            if (source.backup) {
                out << (source.backup->deviceName.empty() ? "an unnamed device"
                                                          : terminalText(source.backup->deviceName));
                if (!source.backup->iosVersion.empty())
                    out << ", iOS " << terminalText(source.backup->iosVersion);
                out << "  ";
            } else {
                out << "a Messages database  ";
            }
            const auto date = source.date
                ? std::optional<std::int64_t>(duration_cast<seconds>(source.date->time_since_epoch()).count())
                : std::nullopt;
            out << localDateTime(date);
            if (source.backup)
                out << "  " << (source.backup->encrypted ? "encrypted" : "not encrypted")
                    << (source.backup->complete ? "" : ", unfinished");
            out << "\n";
        }
        if (found.unreadableDatabase)
            out << terminalText(found.unreadableDatabase->string()) << ": there, but may not be read\n";
        out << found.found.size() << (found.found.size() == 1 ? " source found\n" : " sources found\n");
        return Success;
    }
    out << "[";
    for (std::size_t i = 0; i < found.found.size(); ++i) {
        const auto &source = found.found[i];
        out << (i > 0 ? ",\n " : "\n ") << "{\"place\": " << jsonString(sources::nameOf(source.place))
            << ", \"path\": " << jsonString(source.path.string())
            << ", \"backup\": " << (source.backup ? "true" : "false");
        if (source.backup)
            out << ", \"device\": " << jsonString(source.backup->deviceName)
                << ", \"iosVersion\": " << jsonString(source.backup->iosVersion)
                << ", \"encrypted\": " << (source.backup->encrypted ? "true" : "false")
                << ", \"complete\": " << (source.backup->complete ? "true" : "false");
        out << ", \"date\": "
            << (source.date ? std::to_string(duration_cast<seconds>(source.date->time_since_epoch()).count()) : "null")
            << "}";
    }
    out << (found.found.empty() ? "]\n" : "\n]\n");
    return Success;
}

} // namespace

int runBackups(const BackupsCommand &command, std::ostream &out, std::ostream &err)
{
    if (!command.dir)
        return runDiscovered(command, out);
    const auto folder = *command.dir;
    const auto backups = sources::listBackups(folder);
    if (!backups) {
        err << "tovik-export: " << terminalText(backups.error().detail) << "\n";
        return Failed;
    }
    if (!command.json) {
        printBackupLines(*backups, out, "");
        out << backups->size() << (backups->size() == 1 ? " backup\n" : " backups\n");
        return Success;
    }
    out << "[";
    for (std::size_t i = 0; i < backups->size(); ++i) {
        const auto &backup = (*backups)[i];
        out << (i > 0 ? ",\n " : "\n ") << "{\"folder\": " << jsonString(backup.folder.string())
            << ", \"device\": " << jsonString(backup.deviceName)
            << ", \"lastBackup\": " << (backup.lastBackup ? std::to_string(*backup.lastBackup) : "null")
            << ", \"encrypted\": " << (backup.encrypted ? "true" : "false")
            << ", \"complete\": " << (backup.complete ? "true" : "false") << "}";
    }
    out << (backups->empty() ? "]\n" : "\n]\n");
    return Success;
}

namespace
{

// Says why a file is no Messages database: what it lacks, or why its schema could not be read.
void reportNotMessages(const sources::problem::NotMessagesDatabase &other, std::ostream &err)
{
    // A backup's database is named as the file it is, and as what it is in the backup.
    const std::string file = terminalText(other.path.string())
        + (other.backup ? " (sms.db in the backup of " + deviceOf(*other.backup) + ")" : "");
    if (other.unreadable) {
        err << file << ": " << terminalText(store::describe(*other.unreadable)) << "\n";
        return;
    }
    err << file << " is not a Messages database";
    const bool tables = !other.missingTables.empty();
    const auto &missing = tables ? other.missingTables : other.missingColumns;
    if (missing.empty()) {
        err << " (not an SQLite database file)\n";
        return;
    }
    err << (tables ? ": it has no table" : ": it has no column");
    for (std::size_t i = 0; i < missing.size(); ++i)
        err << (i == 0 ? " " : i + 1 == missing.size() ? " or " : ", ") << terminalText(missing[i]);
    err << "\n";
}

} // namespace

int reportSourceProblem(const sources::SourceProblem &problem, std::ostream &err)
{
    namespace p = sources::problem;
    err << "tovik-export: ";
    if (const auto *several = std::get_if<p::SeveralBackups>(&problem)) {
        err << terminalText(several->folder.string()) << " holds " << several->backups.size()
            << " backups; choose one with --db " << terminalText((several->folder / "FOLDER").string()) << ":\n";
        printBackupLines(several->backups, err, "  ");
        return Usage;
    }
    if (const auto *missing = std::get_if<p::NotFound>(&problem))
        err << terminalText(missing->path.string()) << ": no such file or folder\n";
    else if (const auto *special = std::get_if<p::NotRegularFile>(&problem))
        err << terminalText(special->path.string()) << " is " << special->kind
            << ", not a database file or a backup folder\n";
    else if (const auto *unreadable = std::get_if<p::Unreadable>(&problem))
        err << terminalText(unreadable->path.string()) << ": cannot be read (" << terminalText(unreadable->detail)
            << ")\n";
    else if (const auto *none = std::get_if<p::NoBackup>(&problem))
        err << terminalText(none->folder.string()) << ": neither an iPhone backup nor a folder holding one\n";
    else if (const auto *other = std::get_if<p::NotMessagesDatabase>(&problem))
        reportNotMessages(*other, err);
    else if (const auto *oldest = std::get_if<p::TooOldDatabase>(&problem))
        err << (oldest->backup ? backupIn(*oldest->backup) + ": its Messages database"
                               : terminalText(oldest->path.string()))
            << " is too old to read: a Messages database made by iOS 5 or earlier\n";
    else if (const auto *encrypted = std::get_if<p::EncryptedBackup>(&problem))
        err << backupIn(encrypted->backup)
            << " is encrypted: give its password with --password-file FILE (or --password-file - to read it from"
               " standard input), or run this on a terminal to be asked for it\n";
    else if (const auto *wrong = std::get_if<p::WrongPassword>(&problem))
        err << backupIn(wrong->backup)
            << ": wrong password. It is the backup password, set on the iPhone or in iTunes/Finder when backups"
               " were encrypted; not the Apple ID password, nor the phone's passcode\n";
    else if (const auto *damaged = std::get_if<p::UnreadableEncryption>(&problem))
        if (damaged->failure.kind == crypto::Failure::Kind::TooManyRounds)
            err << backupIn(damaged->backup) << " is not unlocked: " << terminalText(damaged->failure.detail) << "\n";
        else
            err << backupIn(damaged->backup) << " cannot be decrypted: "
                << (damaged->failure.kind == crypto::Failure::Kind::MissingClassKey
                        ? "a file needs a key its key bag lacks"
                        : "its keys are damaged")
                << " (" << terminalText(damaged->failure.detail) << ")\n";
    else if (const auto *unindexed = std::get_if<p::ManifestMissing>(&problem))
        err << backupIn(unindexed->backup)
            << " is encrypted, and its Manifest.db is missing: it holds the keys of the backup's files. Copy the whole"
               " backup folder again\n";
    else if (const auto *unfinished = std::get_if<p::IncompleteBackup>(&problem))
        err << backupIn(unfinished->backup) << " was not finished; make the backup again\n";
    else if (const auto *old = std::get_if<p::TooOldBackup>(&problem))
        err << backupIn(old->backup) << " is too old to read (made by iOS 4 or older); make a new backup\n";
    else if (const auto *empty = std::get_if<p::NoMessagesInBackup>(&problem))
        err << backupIn(empty->backup) << " holds no messages\n";
    return Failed;
}

} // namespace cli
