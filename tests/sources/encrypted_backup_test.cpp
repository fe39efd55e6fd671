#include "sources/encrypted_backup.h"

#include "catalogue/conversations.h"
#include "export/build_export.h"
#include "sources/backup_files.h"
#include "support/backup_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

using backup::BackupOptions;
using backup::Encryption;
using sources::MessageSource;
using sources::SourceProblem;
using testsupport::TempDir;
namespace problem = sources::problem;

namespace
{

// Everything a source gives: the people of its address book, and the list and every export it
// makes, in the list's order.
struct Reading {
    std::vector<std::string> people;
    std::vector<catalogue::Conversation> list;
    std::vector<std::string> exports;
    bool operator==(const Reading &) const = default;
};

Reading readAll(const MessageSource &source)
{
    Reading reading;
    for (const auto &person : source.addressBook())
        reading.people.push_back(person.formattedName.value_or(""));
    auto store = source.openStore();
    EXPECT_TRUE(store.has_value());
    if (!store)
        return reading;
    const auto index = sources::indexOf(source.addressBook());
    auto list = catalogue::loadConversations(*store, index);
    EXPECT_TRUE(list.has_value());
    if (!list)
        return reading;
    reading.list = *list;
    for (const auto &conversation : reading.list) {
        auto built = exporter::buildExport(*store, conversation, index);
        EXPECT_TRUE(built.has_value());
        reading.exports.push_back(built ? built->text : "");
    }
    return reading;
}

} // namespace

class EncryptedBackupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::writeSmallHistory(db);
        testsupport::addMessageInLog(db);
        ASSERT_FALSE(backup::writeAddressBook(addressBook, testsupport::smallHistoryPeople()).has_value());
        const auto plain = makeBackup("plain", std::nullopt);
        auto opened = sources::openSource(plain);
        ASSERT_TRUE(opened.has_value());
        twin = readAll(*opened);
        ASSERT_EQ(twin.list.size(), 4u);
        ASSERT_EQ(twin.people.size(), 3u);
    }

    std::filesystem::path
    makeBackup(const std::string &name, std::optional<Encryption> encryption, BackupOptions options = {})
    {
        options.encryption = std::move(encryption);
        const auto folder = dir / name;
        testsupport::makeBackup(folder, {db, std::filesystem::path(db.native() + "-wal"), addressBook}, options);
        return folder;
    }

    common::Result<MessageSource, SourceProblem> unlock(const std::filesystem::path &folder, std::string_view password)
    {
        return sources::unlockBackup(sources::readBackupInfo(folder), password);
    }

    TempDir dir;
    std::filesystem::path db = dir / "sms.db";
    std::filesystem::path addressBook = dir / "AddressBook.sqlitedb";
    Reading twin;
};

TEST_F(EncryptedBackupTest, TheRightPasswordReadsExactlyWhatTheUnencryptedTwinGives)
{
    Encryption older; // before iOS 10.2: the SHA-1 derivation alone
    older.passwordIterations = std::nullopt;
    for (const auto &[name, encryption] :
         std::vector<std::pair<std::string, Encryption>>{{"current", {}}, {"older", older}}) {
        const auto folder = makeBackup(name, encryption);
        const auto before = testsupport::folderState(folder);
        const auto info = sources::readBackupInfo(folder);
        ASSERT_TRUE(info.encrypted);
        // Without its password the backup only says it is encrypted.
        EXPECT_TRUE(std::holds_alternative<problem::EncryptedBackup>(sources::openSource(folder).error()));

        std::optional<MessageSource> copy;
        {
            auto source = unlock(folder, encryption.password);
            ASSERT_TRUE(source.has_value()) << name << " problem #" << source.error().index();
            EXPECT_EQ(readAll(*source), twin) << name;
            copy = *source;
        }
        // A copy keeps the keys after the original is gone.
        EXPECT_EQ(readAll(*copy), twin) << name;
        EXPECT_EQ(testsupport::folderState(folder), before);
    }
    // A backup that is not encrypted opens with any password.
    EXPECT_EQ(readAll(*unlock(dir / "plain", "anything")), twin);
}

TEST_F(EncryptedBackupTest, AWrongPasswordIsToldApartFromDamage)
{
    const auto folder = makeBackup("locked", Encryption{});
    const auto wrong = unlock(folder, "Correct horse");
    ASSERT_FALSE(wrong.has_value());
    EXPECT_TRUE(std::holds_alternative<problem::WrongPassword>(wrong.error()));

    const auto expectUnreadable = [&](Encryption::Fault fault, crypto::Failure::Kind kind, const std::string &naming) {
        Encryption damaged;
        damaged.fault = fault;
        const auto opened =
            unlock(makeBackup("fault-" + std::to_string(static_cast<int>(fault)), damaged), damaged.password);
        ASSERT_FALSE(opened.has_value());
        const auto *unreadable = std::get_if<problem::UnreadableEncryption>(&opened.error());
        ASSERT_NE(unreadable, nullptr) << "problem #" << opened.error().index();
        EXPECT_EQ(unreadable->failure.kind, kind) << unreadable->failure.detail;
        EXPECT_NE(unreadable->failure.detail.find(naming), std::string::npos) << unreadable->failure.detail;
    };
    expectUnreadable(Encryption::Fault::DamagedManifestKey, crypto::Failure::Kind::Damaged, "ManifestKey");
    expectUnreadable(Encryption::Fault::WrongSizeFileKey, crypto::Failure::Kind::Damaged, "Library/SMS/sms.db: ");
    expectUnreadable(Encryption::Fault::MissingClassKey, crypto::Failure::Kind::MissingClassKey, "class 3");

    expectUnreadable(Encryption::Fault::DamagedClassKey, crypto::Failure::Kind::Damaged,
                     "the password is right, but the key bag's key for class 1 is damaged");

    BackupOptions old;
    old.manifest = backup::Manifest::Mbdx;
    const auto tooOld = unlock(makeBackup("old", Encryption{}, old), Encryption{}.password);
    ASSERT_FALSE(tooOld.has_value());
    EXPECT_TRUE(std::holds_alternative<problem::TooOldBackup>(tooOld.error()));
    // Without Manifest.db there are no keys to the files; no password is asked for.
    BackupOptions unindexed;
    unindexed.manifest = backup::Manifest::Missing;
    const auto bare = makeBackup("unindexed", Encryption{}, unindexed);
    EXPECT_TRUE(std::holds_alternative<problem::ManifestMissing>(sources::openSource(bare).error()));
    EXPECT_TRUE(std::holds_alternative<problem::ManifestMissing>(unlock(bare, Encryption{}.password).error()));
}

TEST_F(EncryptedBackupTest, BackupsOfIos5To9ReadWithTheKeysOfTheirManifestMbdb)
{
    Encryption older; // one PBKDF2-SHA1 derivation, no ManifestKey, Manifest.mbdb not encrypted
    older.passwordIterations = std::nullopt;
    BackupOptions mbdb;
    mbdb.manifest = backup::Manifest::Mbdb;
    const auto folder = makeBackup("ios9", older, mbdb);
    ASSERT_FALSE(std::filesystem::exists(folder / "3d")); // files flat in the folder
    const auto before = testsupport::folderState(folder);
    auto source = unlock(folder, older.password);
    ASSERT_TRUE(source.has_value()) << "problem #" << source.error().index();
    EXPECT_EQ(readAll(*source), twin);
    EXPECT_EQ(testsupport::folderState(folder), before);
    EXPECT_TRUE(std::holds_alternative<problem::WrongPassword>(unlock(folder, "Correct horse").error()));

    const auto expectDamaged = [&](const std::filesystem::path &backup, const std::string &naming) {
        const auto opened = unlock(backup, older.password);
        ASSERT_FALSE(opened.has_value());
        const auto *unreadable = std::get_if<problem::UnreadableEncryption>(&opened.error());
        ASSERT_NE(unreadable, nullptr) << "problem #" << opened.error().index();
        EXPECT_EQ(unreadable->failure.kind, crypto::Failure::Kind::Damaged);
        EXPECT_NE(unreadable->failure.detail.find(naming), std::string::npos) << unreadable->failure.detail;
    };
    // The record of sms.db (after the folder's, at byte 77) cut short.
    const auto cut = makeBackup("cut", older, mbdb);
    const std::string whole = testsupport::readFile(cut / "Manifest.mbdb");
    testsupport::writeFile(cut / "Manifest.mbdb", whole.substr(0, 77 + 30));
    expectDamaged(cut, "Manifest.mbdb: record 2 (at byte 77) ends inside its");
    Encryption shortKey = older;
    shortKey.fault = Encryption::Fault::WrongSizeFileKey;
    expectDamaged(makeBackup("short-key", shortKey, mbdb), "Manifest.mbdb: Library/SMS/sms.db: a wrapped key is 36");
    // A plain backup of the same years reads without its keys, whatever its index holds.
    const auto plain = makeBackup("ios9-plain", std::nullopt, mbdb);
    testsupport::writeFile(plain / "Manifest.mbdb", whole.substr(0, 77 + 30));
    EXPECT_EQ(readAll(*sources::openSource(plain)), twin);
}

TEST_F(EncryptedBackupTest, AStoppedUnlockEndsAsCancelledAndOpensNothing)
{
    const auto folder = makeBackup("stopped", Encryption{});
    std::stop_source stop;
    stop.request_stop();
    const auto opened = sources::unlockBackup(sources::readBackupInfo(folder), "correct horse", stop.get_token());
    ASSERT_FALSE(opened.has_value());
    const auto *unreadable = std::get_if<problem::UnreadableEncryption>(&opened.error());
    ASSERT_NE(unreadable, nullptr);
    EXPECT_EQ(unreadable->failure.kind, crypto::Failure::Kind::Cancelled);
    // The same backup unlocks with a token nobody stops.
    EXPECT_TRUE(sources::unlockBackup(sources::readBackupInfo(folder), "correct horse", std::stop_source().get_token())
                    .has_value());
}

TEST_F(EncryptedBackupTest, TheReadOnlyVfsOpensOnlyTheRegisteredFilesAndTheirLogs)
{
    auto source = unlock(makeBackup("counted", Encryption{}), Encryption{}.password);
    ASSERT_TRUE(source.has_value());
    const auto before = store::vfsOpenCounts();
    EXPECT_EQ(readAll(*source), twin);
    const auto after = store::vfsOpenCounts();
    EXPECT_EQ(after.served - before.served, 2u); // the database and its log, once
    EXPECT_EQ(after.refused, before.refused);

    // Anything else SQLite might open through it (another name, a journal, a second log) is refused.
    const char *vfs = store::readOnlyVfs();
    auto registration = store::VfsRegistration::add({store::plainFileOpener(db), std::nullopt});
    for (const std::string &name :
         {std::string("/elsewhere/sms.db"), registration->name() + "-journal", registration->name() + "-wal-wal"}) {
        sqlite3 *raw = nullptr;
        const int rc = sqlite3_open_v2(name.c_str(), &raw, SQLITE_OPEN_READONLY, vfs);
        EXPECT_NE(rc, SQLITE_OK) << name;
        sqlite3_close(raw);
    }
    EXPECT_EQ(store::vfsOpenCounts().refused - after.refused, 3u);
    EXPECT_EQ(store::vfsOpenCounts().served, after.served);
}
