#include "sources/message_source.h"

#include "catalogue/conversations.h"
#include "contacts/vcard_reader.h"
#include "export/build_export.h"
#include "sources/backup_files.h"
#include "sources/backup_layout.h"
#include "support/backup_fixture.h"
#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <set>
#include <sqlite3.h>
#include <sys/stat.h>

#include <thread>

using backup::BackupOptions;
using backup::Layout;
using backup::Manifest;
using sources::MessageSource;
using sources::SourceProblem;
using testsupport::TempDir;
namespace problem = sources::problem;

namespace
{

std::vector<catalogue::Conversation> listOf(const MessageSource &source, const contacts::ContactsIndex &index = {})
{
    auto store = source.openStore();
    EXPECT_TRUE(store.has_value());
    if (!store)
        return {};
    auto list = catalogue::loadConversations(*store, index);
    EXPECT_TRUE(list.has_value()) << store::describe(list.error());
    return list ? *list : std::vector<catalogue::Conversation>{};
}

// Runs SQL on a database file of the test's own making.
void execOn(const std::filesystem::path &file, const char *sql)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

template<typename Problem>
Problem expectProblem(const common::Result<MessageSource, SourceProblem> &opened)
{
    EXPECT_FALSE(opened.has_value());
    if (opened.has_value())
        return {};
    EXPECT_TRUE(std::holds_alternative<Problem>(opened.error())) << "problem #" << opened.error().index();
    const auto *problem = std::get_if<Problem>(&opened.error());
    return problem ? *problem : Problem{};
}

} // namespace

class MessageSourceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::writeSmallHistory(db);
        ASSERT_FALSE(backup::writeAddressBook(addressBook, testsupport::smallHistoryPeople()).has_value());
        direct = listOf(*sources::openSource(db));
        ASSERT_EQ(direct.size(), 4u);
    }

    std::filesystem::path backupOf(const std::string &name, const BackupOptions &options = {}, bool withBook = true)
    {
        const auto folder = dir / "Backup" / name;
        testsupport::makeBackup(folder, {db, std::nullopt, withBook ? std::optional(addressBook) : std::nullopt},
                                options);
        return folder;
    }

    TempDir dir;
    std::filesystem::path db = dir / "sms.db";
    std::filesystem::path addressBook = dir / "AddressBook.sqlitedb";
    std::vector<catalogue::Conversation> direct;
};

TEST_F(MessageSourceTest, ABackupListsWhatItsDatabaseListsInEveryLayout)
{
    BackupOptions flat;
    flat.layout = Layout::Flat;
    BackupOptions noManifest;
    noManifest.manifest = Manifest::Missing;
    BackupOptions damaged;
    damaged.manifest = Manifest::Damaged;
    damaged.layout = Layout::Flat;
    BackupOptions mbdb; // iOS 5 to 9
    mbdb.manifest = Manifest::Mbdb;
    for (const auto &[name, options] : std::vector<std::pair<std::string, BackupOptions>>{{"hashed", {}},
                                                                                          {"flat", flat},
                                                                                          {"no-manifest", noManifest},
                                                                                          {"damaged-manifest", damaged},
                                                                                          {"mbdb", mbdb}}) {
        const auto folder = backupOf(name, options);
        const auto layout = sources::locateBackupFiles(folder);
        EXPECT_EQ(layout.manifestRead, options.manifest == Manifest::Database) << name;
        auto source = sources::openSource(folder);
        ASSERT_TRUE(source.has_value()) << name << " problem #" << source.error().index();
        EXPECT_EQ(source->kind(), MessageSource::Kind::Backup);
        EXPECT_EQ(source->backup()->deviceName, "Anna's iPhone");
        EXPECT_EQ(listOf(*source), direct) << name;
    }
}

TEST_F(MessageSourceTest, AFolderOfBackupsOpensItsOnlyOneAndRefusesSeveral)
{
    BackupOptions older;
    older.deviceName = "Old iPad";
    older.lastBackup = 1600000000;
    older.encrypted = true;
    backupOf("00008110-AAAA", older);
    auto one = sources::openSource(dir / "Backup");
    expectProblem<problem::EncryptedBackup>(one);

    backupOf("00008120-BBBB");
    const auto listed = sources::listBackups(dir / "Backup");
    ASSERT_TRUE(listed.has_value());
    ASSERT_EQ(listed->size(), 2u);
    EXPECT_EQ((*listed)[0].deviceName, "Old iPad");
    EXPECT_EQ((*listed)[0].lastBackup, 1600000000);
    EXPECT_TRUE((*listed)[0].encrypted);
    EXPECT_FALSE((*listed)[1].encrypted);
    EXPECT_TRUE((*listed)[1].complete);
    const auto several = sources::openSource(dir / "Backup");
    expectProblem<problem::SeveralBackups>(several);
    EXPECT_EQ(std::get<problem::SeveralBackups>(several.error()).backups, *listed);
}

TEST_F(MessageSourceTest, BackupsWithoutReadableMessagesSayWhy)
{
    BackupOptions unfinished;
    unfinished.finished = false;
    expectProblem<problem::IncompleteBackup>(sources::openSource(backupOf("unfinished", unfinished)));

    const auto empty = dir / "Backup" / "empty";
    testsupport::makeBackup(empty, {std::nullopt, std::nullopt, addressBook});
    expectProblem<problem::NoMessagesInBackup>(sources::openSource(empty));

    // iOS 3 and 4: refused even with the messages under their fixed name.
    BackupOptions oldest;
    oldest.manifest = Manifest::Mbdx;
    expectProblem<problem::TooOldBackup>(sources::openSource(backupOf("oldest", oldest)));
    BackupOptions old;
    old.manifest = Manifest::Mbdb;
    const auto oldEmpty = dir / "Backup" / "old-empty";
    testsupport::makeBackup(oldEmpty, {std::nullopt, std::nullopt, addressBook}, old);
    expectProblem<problem::NoMessagesInBackup>(sources::openSource(oldEmpty));

    expectProblem<problem::NoBackup>(sources::openSource(dir.path()));
    expectProblem<problem::NotFound>(sources::openSource(dir / "absent"));
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    const auto fifo = sources::openSource(dir / "fifo");
    expectProblem<problem::NotRegularFile>(fifo);
    EXPECT_EQ(std::get<problem::NotRegularFile>(fifo.error()).kind, "a FIFO (named pipe)");
}

TEST_F(MessageSourceTest, MessagesStillInTheLogCountAndNothingIsWrittenIntoTheBackup)
{
    // A database whose last message exists only in its write-ahead log, as a phone leaves it.
    const auto live = dir / "live" / "sms.db";
    std::filesystem::create_directories(live.parent_path());
    testsupport::copyDatabase(db, live);
    testsupport::addMessageInLog(live);

    const auto folder = dir / "Backup" / "with-log";
    testsupport::makeBackup(folder, {live, std::filesystem::path(live.native() + "-wal"), addressBook});
    const auto before = testsupport::folderState(folder);
    auto source = sources::openSource(folder);
    ASSERT_TRUE(source.has_value());
    std::int64_t total = 0;
    std::int64_t directTotal = 0;
    for (const auto &c : listOf(*source))
        total += c.count;
    for (const auto &c : direct)
        directTotal += c.count;
    EXPECT_EQ(total, directTotal + 1);
    // Two threads at once, each with its own store, as the window loads and exports.
    std::thread other([&] {
        EXPECT_EQ(listOf(*source).size(), direct.size());
    });
    auto store = source->openStore();
    ASSERT_TRUE(store.has_value());
    const auto list = catalogue::loadConversations(*store, {});
    ASSERT_TRUE(list.has_value());
    EXPECT_TRUE(exporter::buildExport(*store, list->front(), {}).has_value());
    other.join();
    EXPECT_EQ(testsupport::folderState(folder), before);

    // The same backup without its log: the log's messages are not there, and nothing else breaks.
    std::filesystem::remove(folder / "cd" / std::string(sources::messagesLogFile.fileId));
    std::int64_t withoutLog = 0;
    for (const auto &c : listOf(*sources::openSource(folder)))
        withoutLog += c.count;
    EXPECT_LT(withoutLog, total);
}

TEST_F(MessageSourceTest, AddressBookNamesListLikeTheEquivalentVCard)
{
    auto source = sources::openSource(backupOf("named"));
    ASSERT_TRUE(source.has_value());
    ASSERT_TRUE(source->hasAddressBook());
    const auto &people = source->addressBook();
    ASSERT_EQ(people.size(), 3u);
    EXPECT_EQ(people[0].formattedName, "Dr. Maya Okafor");
    EXPECT_EQ(people[0].identifier, "MAYA-1");
    EXPECT_EQ(people[1].formattedName, "Ben Adler Jr.");
    EXPECT_EQ(people[1].emails, std::vector<std::string>{"Ben@Example.com"});
    EXPECT_EQ(people[2].formattedName, "Parcel Co"); // a company card is named by its company

    const auto cards = contacts::readVCards(testsupport::smallHistoryVCard());
    const auto fromBook = listOf(*source, sources::indexOf(people));
    EXPECT_EQ(fromBook, listOf(*source, sources::indexOf(cards)));
    std::vector<std::string> titles;
    for (const auto &conversation : fromBook)
        titles.push_back(conversation.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"Dr. Maya Okafor", "Ben Adler Jr.", "Dr., Ben", "Parcel Co"}));
}

TEST_F(MessageSourceTest, AnOlderAddressBookWithoutGuidsNamesPeopleByRow)
{
    ASSERT_FALSE(backup::writeAddressBook(addressBook, testsupport::smallHistoryPeople(), backup::GuidColumn::Absent)
                     .has_value());
    auto source = sources::openSource(backupOf("no-guid"));
    ASSERT_TRUE(source.has_value());
    ASSERT_EQ(source->addressBook().size(), 3u);
    EXPECT_EQ(source->addressBook()[1].identifier, "ab-2");
    EXPECT_FALSE(sources::openSource(backupOf("no-book", {}, false))->hasAddressBook());
}

TEST_F(MessageSourceTest, AnAddressBookOfViewsIsSkippedAndTheConversationsStillList)
{
    for (const char *table : {"ABPerson", "ABMultiValue"}) {
        std::filesystem::remove(addressBook);
        ASSERT_FALSE(backup::writeAddressBook(addressBook, testsupport::smallHistoryPeople()).has_value());
        // An endless query behind a view: without the guards this never returns.
        const std::string sql = std::string("ALTER TABLE ") + table + " RENAME TO Old; CREATE VIEW " + table
            + " AS WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) SELECT Old.* FROM Old, n;";
        execOn(addressBook, sql.c_str());
        auto source = sources::openSource(backupOf(std::string("views-") + table));
        ASSERT_TRUE(source.has_value());
        EXPECT_FALSE(source->hasAddressBook());
        ASSERT_TRUE(source->addressBookProblem().has_value());
        EXPECT_NE(source->addressBookProblem()->find(std::string(table) + " is a view, not a table"),
                  std::string::npos);
        EXPECT_EQ(listOf(*source).size(), 4u);
    }
}

TEST_F(MessageSourceTest, AManifestWhoseFilesIsAnEndlessViewFallsBackToTheKnownFileIds)
{
    const auto folder = backupOf("files-view");
    execOn(folder / "Manifest.db",
           "ALTER TABLE Files RENAME TO Old; CREATE VIEW Files AS WITH RECURSIVE n(x) AS "
           "(SELECT 1 UNION ALL SELECT x + 1 FROM n) SELECT Old.* FROM Old, n;");
    auto source = sources::openSource(folder);
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ(listOf(*source), direct);
}

TEST_F(MessageSourceTest, WhatCanBeDoneWithoutIsForgivenAndAnUnfinishedBackupIsNot)
{
    // No Status.plist, as decrypting tools and some copies leave a backup: it reads.
    const auto noStatus = backupOf("no-status");
    std::filesystem::remove(noStatus / sources::statusPlistName);
    EXPECT_EQ(listOf(*sources::openSource(noStatus)), direct);
    // One that says it is not finished, or cannot be read, is refused.
    testsupport::writeFile(noStatus / sources::statusPlistName, "<plist><dict><key>SnapshotState</key>");
    expectProblem<problem::IncompleteBackup>(sources::openSource(noStatus));

    // The device is named by Info.plist, else by Manifest.plist, else by the folder.
    BackupOptions named;
    named.deviceName = "Kim's iPhone";
    const auto folder = backupOf("00008020-KIM", named);
    EXPECT_EQ(sources::readBackupInfo(folder).deviceName, "Kim's iPhone");
    std::filesystem::remove(folder / sources::infoPlistName);
    EXPECT_EQ(sources::readBackupInfo(folder).deviceName, "Kim's iPhone");
    std::filesystem::remove(folder / sources::manifestPlistName);
    EXPECT_EQ(sources::readBackupInfo(folder).deviceName, "00008020-KIM");
    EXPECT_EQ(listOf(*sources::openSource(folder)), direct);
}

TEST_F(MessageSourceTest, ABackupsDatabaseOfSomethingElseIsNamedAsTheFileInTheBackup)
{
    execOn(dir / "notes.db", "CREATE TABLE note (body TEXT);");
    const auto folder = dir / "Backup" / "notes";
    testsupport::makeBackup(folder, {dir / "notes.db", std::nullopt, std::nullopt});
    const auto notes = expectProblem<problem::NotMessagesDatabase>(sources::openSource(folder));
    EXPECT_EQ(notes.path, folder / "3d" / std::string(sources::messagesFile.fileId));
    ASSERT_TRUE(notes.backup);
    EXPECT_EQ(notes.backup->folder, folder);
    EXPECT_EQ(notes.missingTables.size(), 5u);
}

TEST_F(MessageSourceTest, MissingTablesAreNamed)
{
    auto source = sources::openSource(db);
    auto store = source->openStore();
    ASSERT_TRUE(store.has_value());
    EXPECT_EQ(*sources::missingMessagesTables(*store), std::vector<std::string>{});

    execOn(dir / "notes.db", "CREATE TABLE chat (ROWID INTEGER PRIMARY KEY); CREATE TABLE note (body TEXT);");
    const auto notes = expectProblem<problem::NotMessagesDatabase>(sources::openSource(dir / "notes.db"));
    EXPECT_EQ(notes.missingTables,
              (std::vector<std::string>{"handle", "message", "chat_handle_join", "chat_message_join"}));
    // A copied Messages folder holding something else under the name chat.db says so, naming the file.
    std::filesystem::create_directories(dir / "Messages");
    std::filesystem::copy_file(dir / "notes.db", dir / "Messages" / "chat.db");
    EXPECT_EQ(expectProblem<problem::NotMessagesDatabase>(sources::openSource(dir / "Messages")).path,
              dir / "Messages" / "chat.db");
}

TEST_F(MessageSourceTest, TheOldestLayoutIsTooOldAndMissingBaseColumnsAreNamed)
{
    testsupport::MessagesFixture(dir / "ios5.db", testsupport::Schema::Ios5Madrid).close();
    EXPECT_EQ(expectProblem<problem::TooOldDatabase>(sources::openSource(dir / "ios5.db")).path, dir / "ios5.db");
    testsupport::makeBackup(dir / "Backup" / "ios5", {dir / "ios5.db", std::nullopt, std::nullopt});
    const auto inBackup = expectProblem<problem::TooOldDatabase>(sources::openSource(dir / "Backup" / "ios5"));
    ASSERT_TRUE(inBackup.backup.has_value());
    EXPECT_EQ(inBackup.backup->folder, dir / "Backup" / "ios5");

    testsupport::MessagesFixture(dir / "cut.db", testsupport::Schema::Ios6).close();
    execOn(dir / "cut.db",
           "ALTER TABLE message DROP COLUMN handle_id; DROP TABLE handle;"
           "CREATE TABLE handle (id TEXT PRIMARY KEY, service TEXT) WITHOUT ROWID;");
    const auto cut = expectProblem<problem::NotMessagesDatabase>(sources::openSource(dir / "cut.db"));
    EXPECT_EQ(cut.missingColumns, (std::vector<std::string>{"message.handle_id", "handle.ROWID"}));
    EXPECT_TRUE(cut.missingTables.empty());
}

TEST_F(MessageSourceTest, AGivenReaderReadsEveryFileOfABackupEvenAnEncryptedOne)
{
    BackupOptions locked;
    locked.encrypted = true;
    const auto folder = backupOf("locked", locked);
    expectProblem<problem::EncryptedBackup>(sources::openSource(folder));

    auto opened = std::make_shared<std::vector<std::string>>();
    const sources::BackupFileReader reader = [opened](const std::filesystem::path &file) -> store::FileOpener {
        auto plain = store::plainFileOpener(file);
        return [opened, plain, name = file.filename().string()] {
            opened->push_back(name);
            return plain();
        };
    };
    auto source = sources::openBackup(sources::readBackupInfo(folder), reader);
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ(listOf(*source), direct);
    EXPECT_EQ(std::set<std::string>(opened->begin(), opened->end()),
              (std::set<std::string>{"Manifest.db", std::string(sources::addressBookFile.fileId),
                                     std::string(sources::messagesFile.fileId),
                                     std::string(sources::messagesLogFile.fileId)}));
}

TEST_F(MessageSourceTest, AManifestNeverLeadsOutOfTheBackupFolder)
{
    const auto folder = backupOf("hostile");
    // dir/sms.db exists: a manifest path leading there must not be followed.
    execOn(folder / "Manifest.db",
           "UPDATE Files SET fileID = '../../sms.db' WHERE relativePath = 'Library/SMS/sms.db'");
    std::filesystem::remove(folder / "3d" / std::string(sources::messagesFile.fileId));

    EXPECT_TRUE(sources::locateBackupFiles(folder).manifestRead);
    expectProblem<problem::NoMessagesInBackup>(sources::openSource(folder));
}
