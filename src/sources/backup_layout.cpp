#include "sources/backup_layout.h"

#include "common/file_kind.h"
#include "store/read_only_vfs.h"
#include "store/sqlite_db.h"

#include <algorithm>
#include <map>
#include <string>
#include <system_error>

namespace sources
{

namespace
{

// A fileID is 40 lower-case hexadecimal digits; anything else (a path, say) is never looked up.
bool isFileId(std::string_view id)
{
    return id.size() == 40 && std::ranges::all_of(id, [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::optional<std::filesystem::path> storedFile(const std::filesystem::path &folder, std::string_view fileId)
{
    if (!isFileId(fileId))
        return std::nullopt;
    const std::string id(fileId);
    for (auto path : {folder / id.substr(0, 2) / id, folder / id}) {
        if (common::isFile(path))
            return path;
    }
    return std::nullopt;
}

// The fileIDs Manifest.db gives for the files read here, by relative path; nothing when it
// cannot be read.
std::optional<std::map<std::string, std::string>> manifestFileIds(const std::filesystem::path &folder,
                                                                  const BackupFileReader &reader)
{
    const auto manifest = folder / manifestDbName;
    if (!common::isFile(manifest))
        return std::nullopt;
    const auto log = manifest.native() + "-wal";
    store::VfsDatabase files{reader(manifest), std::nullopt};
    if (common::isFile(log))
        files.log = reader(log);
    auto registration = store::VfsRegistration::add(std::move(files));
    auto db = store::SQLiteDB::openThroughVfs(registration->name(), store::readOnlyVfs(), registration);
    if (!db)
        return std::nullopt;
    const FilesQuery query = filesReadQuery("relativePath, fileID");
    std::map<std::string, std::string> ids;
    auto read = db->execute(query.sql, query.parameters, [&](const store::Statement &row) {
        ids.emplace(row.text(0), row.text(1));
        return store::RowFlow::Continue;
    });
    if (!read)
        return std::nullopt;
    return ids;
}

} // namespace

FilesQuery filesReadQuery(std::string_view columns)
{
    FilesQuery query{"SELECT " + std::string(columns) + " FROM Files WHERE domain = ?1 AND relativePath IN (",
                     {std::string(messagesFile.domain)}};
    for (const auto &file : backupFilesRead) {
        query.sql += query.parameters.size() > 1 ? ", ?" : "?";
        query.sql += std::to_string(query.parameters.size() + 1);
        query.parameters.emplace_back(std::string(file.relativePath));
    }
    query.sql += ")";
    return query;
}

BackupFileReader plainBackupFiles()
{
    return [](const std::filesystem::path &file) {
        return store::plainFileOpener(file);
    };
}

BackupLayout locateBackupFiles(const std::filesystem::path &folder, const BackupFileReader &reader)
{
    BackupLayout layout;
    const auto ids = manifestFileIds(folder, reader);
    layout.manifestRead = ids.has_value();
    const auto locate = [&](const BackupFile &file) -> std::optional<std::filesystem::path> {
        if (ids) {
            if (const auto found = ids->find(std::string(file.relativePath)); found != ids->end()) {
                if (auto path = storedFile(folder, found->second))
                    return path;
            }
        }
        return storedFile(folder, file.fileId);
    };
    layout.messages = locate(messagesFile);
    layout.messagesLog = locate(messagesLogFile);
    layout.addressBook = locate(addressBookFile);
    layout.addressBookLog = locate(addressBookLogFile);
    return layout;
}

bool isMbdxBackup(const std::filesystem::path &folder)
{
    return !common::isFile(folder / manifestDbName) && common::isFile(folder / mbdxManifestName);
}

} // namespace sources
