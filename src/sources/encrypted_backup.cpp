#include "sources/encrypted_backup.h"

#include "common/file_kind.h"
#include "crypto/decrypting_file.h"
#include "crypto/file_key.h"
#include "crypto/key_bag.h"
#include "crypto/manifest_key.h"
#include "crypto/unlock.h"
#include "sources/backup_files.h"
#include "sources/backup_layout.h"
#include "sources/manifest_mbdb.h"
#include "sources/plist_reader.h"
#include "store/statement_guard.h"
#include "store/table_check.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

namespace sources
{

namespace
{

// A key of one encrypted file and the plain size its record gives.
struct FileSecret {
    crypto::SecureBytes key;
    std::optional<std::uint64_t> size;
};

// What an unlocked backup keeps: never a plain copy of any key.
struct BackupSecrets {
    crypto::ClassKeys classKeys;
    FileSecret manifest;
    std::map<std::string, FileSecret, std::less<>> files; // by fileID
};

store::FileOpener
decryptingOpener(std::filesystem::path path, std::shared_ptr<const BackupSecrets> secrets, const FileSecret &secret)
{
    return [path = std::move(path), secrets = std::move(secrets),
            &secret]() -> common::Result<std::unique_ptr<common::ReadOnlyFile>> {
        auto file = crypto::DecryptingFile::open(path, crypto::SecureBytes(secret.key.span()), secret.size);
        RETURN_IF_FAILED(file);
        return std::unique_ptr<common::ReadOnlyFile>(std::make_unique<crypto::DecryptingFile>(std::move(*file)));
    };
}

store::FileOpener refusingOpener(const std::filesystem::path &path)
{
    return [detail = path.string()
                + " has no key in this backup's manifest"]() -> common::Result<std::unique_ptr<common::ReadOnlyFile>> {
        return common::failure(common::Error{common::Error::Kind::Invalid, detail});
    };
}

// Every file is read decrypted with its own key; a file without one is not read at all.
BackupFileReader decryptingReader(std::shared_ptr<const BackupSecrets> secrets)
{
    return [secrets = std::move(secrets)](const std::filesystem::path &file) -> store::FileOpener {
        if (file.filename() == manifestDbName)
            return decryptingOpener(file, secrets, secrets->manifest);
        if (const auto found = secrets->files.find(file.filename().string()); found != secrets->files.end())
            return decryptingOpener(file, secrets, found->second);
        return refusingOpener(file);
    };
}

// The keys of the files this program reads, from their records in Manifest.db (read decrypted).
common::Result<void, crypto::Failure> readFileSecrets(const std::filesystem::path &folder,
                                                      const std::shared_ptr<BackupSecrets> &secrets)
{
    const auto manifest = folder / manifestDbName;
    // Checked first, so that a key that does not fit says so rather than as SQLite's "not a database".
    if (auto opened = crypto::DecryptingFile::open(manifest, crypto::SecureBytes(secrets->manifest.key.span()));
        !opened)
        return crypto::damaged("Manifest.db does not decrypt with its key: " + opened.error().detail);
    auto registration = store::VfsRegistration::add(
        store::VfsDatabase{decryptingOpener(manifest, secrets, secrets->manifest), std::nullopt});
    auto db = store::SQLiteDB::openThroughVfs(registration->name(), store::readOnlyVfs(), registration);
    if (!db)
        return crypto::damaged("Manifest.db cannot be opened: " + db.error().message);
    if (auto tables = store::requireTables(*db, {"Files"}); !tables)
        return crypto::damaged("Manifest.db cannot be read: " + tables.error().message);
    const FilesQuery query = filesReadQuery("fileID, relativePath, file");
    std::optional<crypto::Failure> failed;
    auto read = db->execute(query.sql, query.parameters, [&](const store::Statement &row) {
        const std::string where = row.text(1);
        auto record = crypto::readFileKey(row.bytesView(2));
        if (!record) {
            failed = crypto::Failure{record.error().kind, where + ": " + record.error().detail};
            return store::RowFlow::Stop;
        }
        auto key = secrets->classKeys.unwrap(record->key);
        if (!key) {
            failed = crypto::Failure{key.error().kind, where + ": " + key.error().detail};
            return store::RowFlow::Stop;
        }
        secrets->files.insert_or_assign(row.text(0), FileSecret{std::move(*key), record->size});
        return store::RowFlow::Continue;
    });
    if (failed)
        return common::failure(std::move(*failed));
    if (!read && read.error().code == SQLITE_INTERRUPT)
        return common::failure(crypto::Failure{crypto::Failure::Kind::Cancelled, "reading Manifest.db was stopped"});
    if (!read)
        return crypto::damaged("Manifest.db cannot be read: " + read.error().message);
    return {};
}

// The keys of the files this program reads, from their records in Manifest.mbdb (not encrypted
// itself): each record's encryption key is its class and its wrapped key, and its size the plain
// size. Reading stops once every file read here is found.
common::Result<void, crypto::Failure> readMbdbSecrets(const std::filesystem::path &folder,
                                                      const std::shared_ptr<BackupSecrets> &secrets,
                                                      const std::stop_token &stop)
{
    std::optional<crypto::Failure> failed;
    std::set<std::string_view> wanted;
    for (const auto &file : backupFilesRead)
        wanted.insert(file.fileId);
    auto read = readMbdb(folder / mbdbManifestName, [&](const MbdbRecord &record) {
        if (stop.stop_requested())
            return false;
        const auto file = std::ranges::find_if(backupFilesRead, [&](const BackupFile &each) {
            return each.domain == record.domain && each.relativePath == record.relativePath;
        });
        if (file == backupFilesRead.end() || !record.isFile() || !wanted.contains(file->fileId))
            return true;
        wanted.erase(file->fileId);
        const std::string where = "Manifest.mbdb: " + record.relativePath;
        if (!record.encryptionKey) {
            failed = crypto::Failure{crypto::Failure::Kind::Damaged, where + " has no encryption key"};
            return false;
        }
        const auto wrapped = crypto::parseWrappedKey(*record.encryptionKey);
        if (!wrapped) {
            failed = crypto::Failure{wrapped.error().kind, where + ": " + wrapped.error().detail};
            return false;
        }
        auto key = secrets->classKeys.unwrap(*wrapped);
        if (!key) {
            failed = crypto::Failure{key.error().kind, where + ": " + key.error().detail};
            return false;
        }
        secrets->files.insert_or_assign(std::string(file->fileId), FileSecret{std::move(*key), record.size});
        return !wanted.empty();
    });
    if (stop.stop_requested())
        return common::failure(crypto::Failure{crypto::Failure::Kind::Cancelled, "reading Manifest.mbdb was stopped"});
    if (failed)
        return common::failure(std::move(*failed));
    if (!read)
        return crypto::damaged(read.error().detail);
    return {};
}

common::Result<MessageSource, SourceProblem> unreadable(const BackupInfo &backup, crypto::Failure failure)
{
    return common::failure(SourceProblem{problem::UnreadableEncryption{backup, std::move(failure)}});
}

} // namespace

common::Result<MessageSource, SourceProblem>
unlockBackup(const BackupInfo &backup, std::string_view password, const std::stop_token &stop)
{
    if (!backup.encrypted)
        return openBackup(backup);
    // What openBackup refuses before it reads anything is refused before a key is derived.
    if (auto refused = openBackup(backup);
        !refused && !std::holds_alternative<problem::EncryptedBackup>(refused.error()))
        return refused;
    if (!backup.complete)
        return common::failure(SourceProblem{problem::IncompleteBackup{backup}});
    // Since iOS 10 the index is Manifest.db, encrypted with ManifestKey; before, Manifest.mbdb, plain.
    const bool hasManifestDb = common::isFile(backup.folder / manifestDbName);

    const auto plist = PlistDictionary::read(backup.folder / manifestPlistName);
    if (!plist)
        return unreadable(backup, crypto::Failure{crypto::Failure::Kind::Damaged, plist.error().detail});
    const auto keyBagBytes = plist->data("BackupKeyBag");
    const auto manifestKey = plist->data("ManifestKey");
    if (!keyBagBytes)
        return unreadable(backup,
                          crypto::Failure{crypto::Failure::Kind::Damaged, "Manifest.plist lacks its BackupKeyBag"});
    if (hasManifestDb && !manifestKey)
        return unreadable(backup,
                          crypto::Failure{crypto::Failure::Kind::Damaged, "Manifest.plist lacks its ManifestKey"});
    const auto bag = crypto::parseKeyBag(*keyBagBytes);
    if (!bag)
        return unreadable(backup, bag.error());

    auto secrets = std::make_shared<BackupSecrets>();
    auto classKeys = crypto::unlock(*bag, password, stop);
    if (!classKeys && classKeys.error().kind == crypto::Failure::Kind::WrongPassword)
        return common::failure(SourceProblem{problem::WrongPassword{backup}});
    if (!classKeys)
        return unreadable(backup, classKeys.error());
    secrets->classKeys = std::move(*classKeys);
    if (!hasManifestDb) {
        if (auto read = readMbdbSecrets(backup.folder, secrets, stop); !read)
            return unreadable(backup, read.error());
        return openBackup(backup, decryptingReader(std::move(secrets)));
    }
    auto manifestDbKey = crypto::unwrapManifestKey(*manifestKey, secrets->classKeys);
    if (!manifestDbKey)
        return unreadable(backup, manifestDbKey.error());
    secrets->manifest.key = std::move(*manifestDbKey);
    const store::StatementCancelScope cancel(stop);
    if (auto read = readFileSecrets(backup.folder, secrets); !read)
        return unreadable(backup, read.error());
    return openBackup(backup, decryptingReader(std::move(secrets)));
}

} // namespace sources
