#include "backup/backup_writer.h"

#include "backup/encryption_writer.h"
#include "backup/mbdb_writer.h"
#include "sources/backup_files.h"

#include <plist/plist.h>
#include <sqlite3.h>

#include <fstream>
#include <memory>
#include <system_error>

namespace backup
{

namespace
{

constexpr std::int64_t appleEpochOffset = 978307200;

struct PlistFree {
    void operator()(void *node) const noexcept { plist_free(static_cast<plist_t>(node)); }
};
using Plist = std::unique_ptr<void, PlistFree>;

struct DbClose {
    void operator()(sqlite3 *db) const noexcept { sqlite3_close(db); }
};
using Db = std::unique_ptr<sqlite3, DbClose>;

enum class PlistFormat {
    Xml,
    Binary,
};

std::optional<std::string> writeBytes(const std::filesystem::path &file, const std::string &bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    if (!out)
        return "cannot write " + file.string();
    return std::nullopt;
}

std::optional<std::string> writePlist(const std::filesystem::path &file, const Plist &dict, PlistFormat format)
{
    char *data = nullptr;
    std::uint32_t length = 0;
    std::string bytes;
    if (format == PlistFormat::Xml) {
        plist_to_xml(static_cast<plist_t>(dict.get()), &data, &length);
        bytes.assign(data, length);
        plist_to_xml_free(data);
    } else {
        plist_to_bin(static_cast<plist_t>(dict.get()), &data, &length);
        bytes.assign(data, length);
        plist_to_bin_free(data);
    }
    return writeBytes(file, bytes);
}

plist_t appleDate(std::int64_t unixSeconds)
{
    return plist_new_date(static_cast<std::int32_t>(unixSeconds - appleEpochOffset), 0);
}

std::optional<std::string> exec(sqlite3 *db, const std::string &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK)
        return std::nullopt;
    std::string message = error != nullptr ? error : "exec failed";
    sqlite3_free(error);
    return message;
}

// Runs one statement with text and integer parameters bound in order.
struct Bound {
    std::optional<std::string> text;
    std::int64_t integer = 0;
    bool isBlob = false; // the text's bytes as a blob
};
std::optional<std::string>
run(sqlite3 *db, const char *sql, const std::vector<Bound> &values, std::int64_t *rowId = nullptr)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        return sqlite3_errmsg(db);
    int index = 1;
    for (const auto &value : values) {
        if (value.text && value.isBlob)
            sqlite3_bind_blob(stmt, index, value.text->data(), static_cast<int>(value.text->size()), SQLITE_TRANSIENT);
        else if (value.text)
            sqlite3_bind_text(stmt, index, value.text->c_str(), -1, SQLITE_TRANSIENT);
        else
            sqlite3_bind_int64(stmt, index, value.integer);
        ++index;
    }
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        return sqlite3_errmsg(db);
    if (rowId != nullptr)
        *rowId = sqlite3_last_insert_rowid(db);
    return std::nullopt;
}

Db create(const std::filesystem::path &file)
{
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    sqlite3 *raw = nullptr;
    sqlite3_open(file.c_str(), &raw);
    return Db(raw);
}

std::optional<std::string> readBytes(const std::filesystem::path &file, std::string &into)
{
    std::ifstream in(file, std::ios::binary);
    into.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in && !in.eof())
        return "cannot read " + file.string();
    return std::nullopt;
}

// Replaces `file` by its encryption with `key`.
std::optional<std::string> encryptInPlace(const std::filesystem::path &file, const std::string &key)
{
    std::string plain;
    if (auto failed = readBytes(file, plain))
        return failed;
    return writeBytes(file, encryptFile(key, plain));
}

// A stored file and, in an encrypted backup, its file record for Manifest.db and its wrapped key.
struct Stored {
    sources::BackupFile file;
    std::optional<std::string> record;
    std::optional<std::string> wrappedKey;
    std::uint64_t size = 0;
};

std::optional<std::string> copyStored(const std::filesystem::path &folder,
                                      const sources::BackupFile &file,
                                      const std::filesystem::path &from,
                                      Layout layout,
                                      const std::string *key)
{
    const std::string id(file.fileId);
    const auto place = layout == Layout::Hashed ? folder / id.substr(0, 2) : folder;
    std::error_code ec;
    std::filesystem::create_directories(place, ec);
    std::filesystem::copy_file(from, place / id, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec)
        return "cannot store " + from.string() + ": " + ec.message();
    return key != nullptr ? encryptInPlace(place / id, *key) : std::nullopt;
}

std::optional<std::string> writeManifestDb(const std::filesystem::path &file, const std::vector<Stored> &stored)
{
    const Db db = create(file);
    if (auto failed = exec(
            db.get(),
            "CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, relativePath TEXT, flags INTEGER, file BLOB);"
            "CREATE INDEX FilesDomainIdx ON Files(domain);"
            "CREATE INDEX FilesRelativePathIdx ON Files(relativePath);"
            "CREATE TABLE Properties (key TEXT PRIMARY KEY, value BLOB);"
            "INSERT INTO Properties VALUES ('salt', x'00'), ('passwordHash', x'00');"
            // A folder of the phone, as every real manifest lists many.
            "INSERT INTO Files VALUES ('5f2c7a2b1e0d3c4b5a697887766554433221100f', 'HomeDomain', "
            "'Library/SMS', 2, NULL);"))
        return failed;
    for (const auto &entry : stored) {
        const char *sql = entry.record
            ? "INSERT INTO Files (fileID, domain, relativePath, flags, file) VALUES (?, ?, ?, 1, ?)"
            : "INSERT INTO Files (fileID, domain, relativePath, flags, file) VALUES (?, ?, ?, 1, NULL)";
        std::vector<Bound> values{
            {std::string(entry.file.fileId)}, {std::string(entry.file.domain)}, {std::string(entry.file.relativePath)}};
        if (entry.record)
            values.push_back(Bound{entry.record, 0, true});
        if (auto failed = run(db.get(), sql, values))
            return failed;
    }
    return std::nullopt;
}

// Manifest.mbdb: a folder of the phone, then the stored files.
std::string mbdbOf(const std::vector<Stored> &stored, std::uint8_t protectionClass)
{
    std::vector<MbdbEntry> entries{{"HomeDomain", "Library/SMS", 0x41ED, 0, 0, std::nullopt, std::nullopt, {}}};
    for (const auto &entry : stored) {
        MbdbEntry record;
        record.domain = entry.file.domain;
        record.relativePath = entry.file.relativePath;
        record.size = entry.size;
        record.protectionClass = entry.wrappedKey ? protectionClass : 0;
        record.encryptionKey = entry.wrappedKey;
        record.dataHash = entry.wrappedKey ? std::nullopt : std::optional(std::string(20, '\x3c'));
        entries.push_back(std::move(record));
    }
    // A property, as a few records carry them.
    entries.back().properties = {{"com.apple.backup.note", "kept"}};
    return mbdbFile(entries);
}

} // namespace

std::optional<std::string>
writeAddressBook(const std::filesystem::path &file, const std::vector<AddressBookPerson> &people, GuidColumn guid)
{
    const Db db = create(file);
    std::string schema = "CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, First TEXT, Last TEXT, "
                         "Middle TEXT, FirstPhonetic TEXT, MiddlePhonetic TEXT, LastPhonetic TEXT, Organization TEXT, "
                         "Department TEXT, Note TEXT, Kind INTEGER, Birthday TEXT, JobTitle TEXT, Nickname TEXT, "
                         "Prefix TEXT, Suffix TEXT, CreationDate INTEGER, ModificationDate INTEGER, DisplayName TEXT";
    schema += guid == GuidColumn::Present ? ", guid TEXT);" : ");";
    schema += "CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id INTEGER, property INTEGER, "
              "identifier INTEGER, label INTEGER, value TEXT);"
              "BEGIN;";
    if (auto failed = exec(db.get(), schema))
        return failed;
    for (const auto &person : people) {
        std::int64_t rowId = 0;
        const auto optional = [](const std::string &text) {
            return Bound{text};
        };
        std::vector<Bound> values{optional(person.first),           optional(person.last),
                                  optional(person.middle),          optional(person.organization),
                                  Bound{std::nullopt, person.kind}, optional(person.nickname),
                                  optional(person.prefix),          optional(person.suffix)};
        const char *sql = "INSERT INTO ABPerson (First, Last, Middle, Organization, Kind, Nickname, Prefix, Suffix) "
                          "VALUES (?, ?, ?, ?, ?, ?, ?, ?)";
        if (guid == GuidColumn::Present) {
            sql = "INSERT INTO ABPerson (First, Last, Middle, Organization, Kind, Nickname, Prefix, Suffix, guid) "
                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)";
            values.push_back(optional(person.guid));
        }
        if (auto failed = run(db.get(), sql, values, &rowId))
            return failed;
        std::int64_t identifier = 0;
        const auto addValues = [&](std::int64_t property,
                                   const std::vector<std::string> &list) -> std::optional<std::string> {
            for (const auto &value : list) {
                if (auto failed = run(db.get(),
                                      "INSERT INTO ABMultiValue (record_id, property, identifier, label, value) "
                                      "VALUES (?, ?, ?, 1, ?)",
                                      {Bound{std::nullopt, rowId}, Bound{std::nullopt, property},
                                       Bound{std::nullopt, identifier++}, Bound{value}}))
                    return failed;
            }
            return std::nullopt;
        };
        if (auto failed = addValues(3, person.phones))
            return failed;
        if (auto failed = addValues(4, person.emails))
            return failed;
    }
    return exec(db.get(), "COMMIT;");
}

namespace
{

// The keys of an encrypted backup being written.
struct Keys {
    static constexpr std::uint32_t filesClass = 3;
    static constexpr std::uint32_t manifestClass = 4;
    Encryption options;
    std::string keyBag;
    std::string manifestKey; // as Manifest.plist holds it: class, then the wrapped key
    std::string manifestDbKey;
    std::string filesClassKey = testKey(filesClass);
};

Keys makeKeys(const Encryption &encryption)
{
    Keys keys;
    keys.options = encryption;
    KeyBagOptions bag;
    bag.password = encryption.password;
    bag.iterations = encryption.iterations;
    bag.passwordIterations = encryption.passwordIterations;
    bag.classKeys = {{1, testKey(1)}, {keys.manifestClass, testKey(keys.manifestClass)}};
    if (encryption.fault != Encryption::Fault::MissingClassKey)
        bag.classKeys.emplace(keys.filesClass, keys.filesClassKey);
    if (encryption.fault == Encryption::Fault::DamagedClassKey)
        bag.garbledClass = 1;
    keys.keyBag = makeKeyBag(bag);
    if (encryption.statedPasswordIterations) {
        KeyBagOptions stated = bag;
        stated.passwordIterations = encryption.statedPasswordIterations;
        // Every header record has a fixed size, so the stated header takes the place of the real one.
        keys.keyBag.replace(0, keyBagHeader(bag).size(), keyBagHeader(stated));
    }
    keys.manifestDbKey = testKey(40);
    keys.manifestKey = wrapWithClass(keys.manifestClass, testKey(keys.manifestClass), keys.manifestDbKey);
    if (encryption.fault == Encryption::Fault::DamagedManifestKey)
        keys.manifestKey[10] = static_cast<char>(keys.manifestKey[10] ^ 0x40);
    return keys;
}

// The wrapped key of a stored file encrypted with `key`, as its record holds it.
std::string wrappedKeyOf(const Keys &keys, const sources::BackupFile &file, const std::string &key)
{
    std::string wrapped = wrapWithClass(keys.filesClass, keys.filesClassKey, key);
    if (keys.options.fault == Encryption::Fault::WrongSizeFileKey && file.fileId == sources::messagesFile.fileId)
        wrapped.resize(wrapped.size() - 8);
    return wrapped;
}

} // namespace

std::optional<std::string>
writeBackup(const std::filesystem::path &folder, const BackupContents &contents, const BackupOptions &options)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec)
        return "cannot create " + folder.string() + ": " + ec.message();
    const std::optional<Keys> keys = options.encryption ? std::optional(makeKeys(*options.encryption)) : std::nullopt;
    const bool mbdb = options.manifest == Manifest::Mbdb || options.manifest == Manifest::Mbdx;
    const Layout layout = mbdb ? Layout::Flat : options.layout;
    const char *productVersion = options.manifest == Manifest::Mbdx ? "4.3.5" : mbdb ? "9.3.5" : "17.4";

    const Plist info(plist_new_dict());
    plist_dict_set_item(static_cast<plist_t>(info.get()), "Device Name", plist_new_string(options.deviceName.c_str()));
    plist_dict_set_item(static_cast<plist_t>(info.get()), "Display Name", plist_new_string(options.deviceName.c_str()));
    plist_dict_set_item(static_cast<plist_t>(info.get()), "Last Backup Date", appleDate(options.lastBackup));
    plist_dict_set_item(static_cast<plist_t>(info.get()), "Product Version", plist_new_string(productVersion));
    if (auto failed = writePlist(folder / "Info.plist", info, PlistFormat::Xml))
        return failed;

    const Plist manifest(plist_new_dict());
    const auto manifestDict = static_cast<plist_t>(manifest.get());
    plist_dict_set_item(manifestDict, "IsEncrypted", plist_new_bool(options.encrypted || keys ? 1 : 0));
    plist_dict_set_item(manifestDict, "Version", plist_new_string("10.0"));
    plist_t lockdown = plist_new_dict();
    plist_dict_set_item(lockdown, "DeviceName", plist_new_string(options.deviceName.c_str()));
    plist_dict_set_item(manifestDict, "Lockdown", lockdown);
    if (keys) {
        plist_dict_set_item(manifestDict, "BackupKeyBag", plist_new_data(keys->keyBag.data(), keys->keyBag.size()));
        if (!mbdb)
            plist_dict_set_item(manifestDict, "ManifestKey",
                                plist_new_data(keys->manifestKey.data(), keys->manifestKey.size()));
    }
    if (auto failed = writePlist(folder / "Manifest.plist", manifest, PlistFormat::Binary))
        return failed;

    const Plist status(plist_new_dict());
    plist_dict_set_item(static_cast<plist_t>(status.get()), "SnapshotState",
                        plist_new_string(options.finished ? "finished" : "uploading"));
    plist_dict_set_item(static_cast<plist_t>(status.get()), "IsFullBackup", plist_new_bool(1));
    plist_dict_set_item(static_cast<plist_t>(status.get()), "Date", appleDate(options.lastBackup));
    if (auto failed = writePlist(folder / "Status.plist", status, PlistFormat::Binary))
        return failed;

    std::vector<Stored> stored;
    const auto store = [&](const sources::BackupFile &file,
                           const std::optional<std::filesystem::path> &from) -> std::optional<std::string> {
        if (!from)
            return std::nullopt;
        std::error_code sizeError;
        const auto size = std::filesystem::file_size(*from, sizeError);
        if (sizeError)
            return "cannot read " + from->string() + ": " + sizeError.message();
        if (!keys) {
            stored.push_back({file, std::nullopt, std::nullopt, size});
            return copyStored(folder, file, *from, layout, nullptr);
        }
        // Each file its own key, different for each file.
        const std::string key = testKey(static_cast<std::uint8_t>(50 + stored.size()));
        const std::string wrapped = wrappedKeyOf(*keys, file, key);
        stored.push_back({file, fileRecord(wrapped, keys->filesClass, size), wrapped, size});
        return copyStored(folder, file, *from, layout, &key);
    };
    if (auto failed = store(sources::messagesFile, contents.messages))
        return failed;
    if (auto failed = store(sources::messagesLogFile, contents.messagesLog))
        return failed;
    if (auto failed = store(sources::addressBookFile, contents.addressBook))
        return failed;

    switch (options.manifest) {
    case Manifest::Database:
        if (auto failed = writeManifestDb(folder / "Manifest.db", stored))
            return failed;
        return keys ? encryptInPlace(folder / "Manifest.db", keys->manifestDbKey) : std::nullopt;
    case Manifest::Missing:
        return std::nullopt;
    case Manifest::Damaged:
        return writeBytes(folder / "Manifest.db", std::string(4096, '\x5a'));
    case Manifest::Mbdb:
        return writeBytes(folder / "Manifest.mbdb", mbdbOf(stored, Keys::filesClass));
    case Manifest::Mbdx:
        if (auto failed = writeBytes(folder / "Manifest.mbdb", mbdbOf(stored, Keys::filesClass)))
            return failed;
        // Its header: "mbdx", version 2.0 and the count of records (each 40 bytes, left out here).
        return writeBytes(folder / "Manifest.mbdx", std::string("mbdx\x02\x00\x00\x00\x00\x00", 10));
    }
    return std::nullopt;
}

} // namespace backup
