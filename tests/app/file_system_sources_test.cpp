#include "app/app_model.h"
#include "catalogue/conversations.h"
#include "contacts/contacts_index.h"
#include "export/export_conversation.h"
#include "fake_desktop_services.h"
#include "sources/file_system_sources.h"
#include "support/backup_fixture.h"
#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>
#include <sys/stat.h>

using app::BackupDescription;
using app::SourceKind;
using backup::BackupOptions;
using sources::FileSystemSources;
using Phase = app::AppModel::Phase;
namespace fs = std::filesystem;

namespace
{

std::chrono::system_clock::time_point at(std::int64_t seconds)
{
    return std::chrono::system_clock::time_point(std::chrono::seconds(seconds));
}

std::vector<std::string> titlesOf(const std::vector<catalogue::Conversation> &list)
{
    std::vector<std::string> titles;
    for (const auto &conversation : list)
        titles.push_back(conversation.title);
    return titles;
}

} // namespace

class FileSystemSourcesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        testsupport::writeSmallHistory(db);
        ASSERT_FALSE(backup::writeAddressBook(addressBook, testsupport::smallHistoryPeople()).has_value());
    }

    fs::path backupAt(const fs::path &folder, BackupOptions options = {}, bool withBook = true)
    {
        testsupport::makeBackup(folder, {db, std::nullopt, withBook ? std::optional(addressBook) : std::nullopt},
                                options);
        return folder;
    }

    // Three backups of one phone in one folder: an encrypted one made last, one with messages,
    // and an older one that was cut short.
    fs::path folderOfBackups()
    {
        const fs::path folder = dir / "Backup";
        BackupOptions locked;
        locked.encrypted = true;
        locked.lastBackup = 1720000000;
        backupAt(folder / "b-locked", locked);
        backupAt(folder / "a-plain");
        BackupOptions partial;
        partial.deviceName = "Old iPhone";
        partial.finished = false;
        partial.lastBackup = 1600000000;
        backupAt(folder / "c-partial", partial);
        return folder;
    }

    std::vector<catalogue::Conversation> listOf(const fs::path &source)
    {
        auto store = sources.openStore(source);
        EXPECT_TRUE(store.has_value());
        if (!store)
            return {};
        const auto people = sources.contacts(source);
        const auto index = people ? contacts::ContactsIndex::build(*people) : contacts::ContactsIndex{};
        auto list = catalogue::loadConversations(*store, index);
        EXPECT_TRUE(list.has_value());
        return list ? *list : std::vector<catalogue::Conversation>{};
    }

    testsupport::TempDir dir;
    fs::path db = dir / "sms.db";
    fs::path addressBook = dir / "AddressBook.sqlitedb";
    FileSystemSources sources;
};

TEST_F(FileSystemSourcesTest, ABackupFolderReadsWithTheNamesOfItsAddressBook)
{
    const auto named = backupAt(dir / "named");
    const auto bare = backupAt(dir / "bare", {}, false);
    fs::create_directories(dir / "holder");
    const auto inside = backupAt(dir / "holder" / "0000-1111");

    EXPECT_EQ(sources.check(named), (app::SourceCheck{SourceKind::Backup, named, {}}));
    EXPECT_EQ(titlesOf(listOf(named)),
              (std::vector<std::string>{"Dr. Maya Okafor", "Ben Adler Jr.", "Dr., Ben", "Parcel Co"}));

    ASSERT_EQ(sources.check(bare).kind, SourceKind::Backup);
    EXPECT_EQ(sources.contacts(bare), nullptr);
    EXPECT_EQ(titlesOf(listOf(bare)).front(), "+14155550132");

    // A folder holding one backup is that backup, under its own folder.
    EXPECT_EQ(sources.check(dir / "holder"), (app::SourceCheck{SourceKind::Backup, inside, {}}));
}

TEST_F(FileSystemSourcesTest, AFolderOfBackupsListsThemNewestFirstAndEachTellsWhatItIs)
{
    const auto folder = folderOfBackups();

    const auto found = sources.check(folder);

    ASSERT_EQ(found.kind, SourceKind::BackupFolder);
    EXPECT_EQ(found.path, folder);
    EXPECT_EQ(
        found.backups,
        (std::vector<BackupDescription>{{folder / "b-locked", "Anna's iPhone", at(1720000000), true, true, "17.4"},
                                        {folder / "a-plain", "Anna's iPhone", at(1710000000), false, true, "17.4"},
                                        {folder / "c-partial", "Old iPhone", at(1600000000), false, false, "17.4"}}));

    EXPECT_EQ(sources.check(folder / "a-plain").kind, SourceKind::Backup);
    EXPECT_EQ(sources.check(folder / "c-partial"),
              (app::SourceCheck{SourceKind::BackupIncomplete, folder / "c-partial", {}}));
    EXPECT_EQ(sources.check(folder / "b-locked"),
              (app::SourceCheck{SourceKind::EncryptedBackup, folder / "b-locked", {}}));
    // Nothing of an encrypted backup is read without its keys.
    EXPECT_EQ(sources.unlock(folder / "b-locked", "correct horse", {}).outcome, app::UnlockOutcome::Failed);
    EXPECT_FALSE(sources.openStore(folder / "b-locked").has_value());
    EXPECT_EQ(sources.contacts(folder / "b-locked"), nullptr);
}

TEST_F(FileSystemSourcesTest, AnEncryptedBackupOpensWithItsPasswordUntilItIsForgotten)
{
    BackupOptions options;
    options.encryption = backup::Encryption{};
    const auto locked = backupAt(dir / "locked", options);
    const auto plain = backupAt(dir / "plain");

    ASSERT_EQ(sources.check(locked).kind, SourceKind::EncryptedBackup);
    EXPECT_EQ(sources.unlock(locked, "wrong horse", {}).outcome, app::UnlockOutcome::WrongPassword);
    EXPECT_FALSE(sources.openStore(locked).has_value());

    ASSERT_EQ(sources.unlock(locked, "correct horse", {}).outcome, app::UnlockOutcome::Unlocked);
    // Loads and exports use the keys kept, and the names come from the decrypted address book.
    EXPECT_EQ(titlesOf(listOf(locked)), titlesOf(listOf(plain)));
    EXPECT_EQ(titlesOf(listOf(locked)).front(), "Dr. Maya Okafor");
    // The keys stay while other sources are checked and read, until the backup is forgotten.
    EXPECT_TRUE(sources.check(locked).unlocked);
    EXPECT_EQ(sources.check(plain).kind, SourceKind::Backup);
    EXPECT_EQ(titlesOf(listOf(plain)), titlesOf(listOf(locked)));
    EXPECT_TRUE(sources.check(locked).usable());
    sources.forget(locked);
    EXPECT_FALSE(sources.check(locked).unlocked);
    EXPECT_FALSE(sources.openStore(locked).has_value());
}

TEST_F(FileSystemSourcesTest, BackupsWithoutMessagesOrTooOldAndTheOldestDatabasesSayWhy)
{
    testsupport::makeBackup(dir / "empty", {std::nullopt, std::nullopt, addressBook});
    BackupOptions old;
    old.manifest = backup::Manifest::Mbdx;
    backupAt(dir / "old", old);
    BackupOptions unindexed;
    unindexed.encryption = backup::Encryption{};
    unindexed.manifest = backup::Manifest::Missing;
    backupAt(dir / "unindexed", unindexed);
    testsupport::writeFile(dir / "notes.db", std::string(8192, 'n'));
    testsupport::makeBackup(dir / "notes", {dir / "notes.db", std::nullopt, std::nullopt});

    EXPECT_EQ(sources.check(dir / "empty"), (app::SourceCheck{SourceKind::BackupWithoutMessages, dir / "empty", {}}));
    EXPECT_EQ(sources.check(dir / "old"), (app::SourceCheck{SourceKind::BackupTooOld, dir / "old", {}}));
    testsupport::MessagesFixture(dir / "ios5.db", testsupport::Schema::Ios5Madrid).close();
    EXPECT_EQ(sources.check(dir / "ios5.db"), (app::SourceCheck{SourceKind::DatabaseTooOld, dir / "ios5.db", {}}));
    // Neither asks for a password it could not use.
    EXPECT_EQ(sources.check(dir / "unindexed"),
              (app::SourceCheck{SourceKind::BackupWithoutManifest, dir / "unindexed", {}}));
    // A backup whose sms.db is something else is named as the backup it is.
    EXPECT_EQ(sources.check(dir / "notes"),
              (app::SourceCheck{SourceKind::BackupMessagesUnreadable, dir / "notes", {}}));
}

TEST_F(FileSystemSourcesTest, FilesAndFoldersThatAreNoBackupAreToldApartAsDatabases)
{
    fs::create_directories(dir / "Messages");
    testsupport::copyDatabase(db, dir / "Messages" / "chat.db");
    fs::create_directories(dir / "nothing");
    testsupport::writeFile(dir / "notes.txt", "no messages here");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);

    EXPECT_EQ(sources.check(db), (app::SourceCheck{SourceKind::Database, db, {}}));
    EXPECT_EQ(sources.contacts(db), nullptr);
    EXPECT_EQ(listOf(db).size(), 4u);
    EXPECT_EQ(sources.check(dir / "Messages"),
              (app::SourceCheck{SourceKind::Database, dir / "Messages" / "chat.db", {}}));
    EXPECT_EQ(sources.check(dir / "nothing").kind, SourceKind::NoMessagesInFolder);
    EXPECT_EQ(sources.check(dir / "notes.txt").kind, SourceKind::NotMessagesDatabase);
    EXPECT_EQ(sources.check(dir / "pipe").kind, SourceKind::NotRegularFile);
    EXPECT_FALSE(sources.openStore(dir / "pipe").has_value()); // refused at once, not waited on
    EXPECT_EQ(sources.check(dir / "missing"), (app::SourceCheck{SourceKind::NotFound, dir / "missing", {}}));
}

TEST_F(FileSystemSourcesTest, ADatabaseWithItsLogAndShmIsCheckedListedAndExportedWithoutAChangeBesideIt)
{
    // All of the history's messages are in the -wal, and the -shm is one that nobody holds.
    ASSERT_TRUE(fs::exists(db.native() + "-shm"));
    const auto before = testsupport::folderState(dir.path());

    EXPECT_EQ(sources.check(db).kind, SourceKind::Database);
    const auto list = listOf(db);
    ASSERT_EQ(list.size(), 4u);
    auto store = sources.openStore(db);
    ASSERT_TRUE(store.has_value());
    const auto written = exporter::exportConversation(*store, list.front(), {}, dir / "out");
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->built.messages, list.front().count);
    fs::remove_all(dir / "out");

    EXPECT_EQ(testsupport::folderState(dir.path()), before);
}

TEST_F(FileSystemSourcesTest, TheCheckedBackupIsKeptUntilAnotherSourceIsChecked)
{
    const auto phone = backupAt(dir / "phone");
    ASSERT_EQ(sources.check(phone).kind, SourceKind::Backup);

    // Without its property lists and index the folder would no longer open as a backup: loads
    // and exports read the one opened by the check.
    for (const char *file : {"Info.plist", "Manifest.plist", "Status.plist", "Manifest.db"})
        ASSERT_TRUE(fs::remove(phone / file)) << file;
    EXPECT_EQ(listOf(phone).size(), 4u);
    EXPECT_NE(sources.contacts(phone), nullptr);

    ASSERT_EQ(sources.check(db).kind, SourceKind::Database);
    EXPECT_FALSE(sources.openStore(phone).has_value());
    EXPECT_EQ(sources.contacts(phone), nullptr);
}

TEST_F(FileSystemSourcesTest, TheWindowGoesFromAFolderOfBackupsToAnExportWithNames)
{
    const auto folder = folderOfBackups();
    apptest::FakeDesktopServices services;
    services.bools.insert(QStringLiteral("seenWelcome"), true);
    const auto settled = [](app::AppModel &model) {
        return QTest::qWaitFor(
            [&] {
                return !model.checkingSource() && !model.loading() && !model.exportingID();
            },
            20000);
    };

    app::AppModel model(services, sources, dir / "no-home" / "chat.db", folder);
    ASSERT_TRUE(settled(model));
    ASSERT_EQ(model.phase(), Phase::Backups);
    ASSERT_EQ(model.backups().size(), 3u);

    model.pickBackup(model.backups()[1]);
    ASSERT_TRUE(settled(model));
    // The backup brings its own names: no contacts question.
    ASSERT_EQ(model.phase(), Phase::List);
    EXPECT_EQ(services.statusQueries, 0);
    ASSERT_EQ(titlesOf(model.conversations()).front(), "Dr. Maya Okafor");

    model.exportConversation(model.conversations().front());
    ASSERT_TRUE(settled(model));
    ASSERT_EQ(model.phase(), Phase::Done);
    const fs::path written = QFile::encodeName(model.exported()->path).toStdString();
    EXPECT_EQ(written.parent_path().filename(), "Downloads");
    EXPECT_EQ(written.filename(), "Tovik - Dr. Maya Okafor.txt");
    EXPECT_EQ(model.exported()->messages, 6);
    EXPECT_NE(testsupport::readFile(written).find("hi 5"), std::string::npos);
    fs::remove(written);
}
