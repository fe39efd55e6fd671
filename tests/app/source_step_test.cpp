#include "app/app_model.h"
#include "app/texts.h"
#include "fake_message_sources.h"
#include "l10n/strings.h"
#include "sources/file_system_sources.h"
#include "support/backup_fixture.h"
#include "support/child_process.h"
#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <QTest>

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>

using app::AppModel;
using app::BackupDescription;
using app::SourceKind;
using apptest::FakeDesktopServices;
using apptest::FakeMessageSources;
using apptest::Gate;
using contacts::AuthorizationStatus;
using sources::FileSystemSources;
using Phase = app::AppModel::Phase;
namespace fs = std::filesystem;

namespace
{

constexpr int patienceMs = 20000;

// A Messages database with one chat of `messages` messages with +4915112345678.
void writeDatabase(const fs::path &path, int messages)
{
    testsupport::MessagesFixture fixture(path);
    const auto handle = fixture.addHandle("+4915112345678");
    const auto chat = fixture.addChat("+4915112345678", 45, {handle});
    for (int i = 0; i < messages; ++i)
        fixture.addMessage({chat},
                           {{"date", testsupport::appleNanoseconds(1700000000 + 60 * i)},
                            {"text", "hello " + std::to_string(i)},
                            {"handle_id", handle}});
    fixture.close();
}

contacts::ContactRecord anna()
{
    return contacts::ContactRecord{"anna-id", "Anna Berg", "", "", {"+49 151 12345678"}, {}};
}

} // namespace

class SourceStepTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        services.bools.insert(QStringLiteral("seenWelcome"), true);
        services.contactsStatus = AuthorizationStatus::Denied;
        writeDatabase(dir / "mac.db", 3);
        writeDatabase(dir / "phone.db", 5);
        fs::create_directories(dir / "home-without-messages");
    }

    std::unique_ptr<AppModel> makeModel(std::optional<fs::path> asked = std::nullopt, fs::path defaultDatabase = {})
    {
        if (defaultDatabase.empty())
            defaultDatabase = dir / "home-without-messages" / "chat.db";
        return std::make_unique<AppModel>(services, sources, defaultDatabase, std::move(asked));
    }

    // Waits for the background check and a load it started.
    static bool settle(AppModel &model)
    {
        return QTest::qWaitFor(
            [&] {
                return !model.checkingSource() && !model.loading() && !model.unlocking();
            },
            patienceMs);
    }

    // A backup with messages; encrypted when it has a password.
    FakeMessageSources::Source backup(const std::string &password = {}) const
    {
        FakeMessageSources::Source source;
        source.kind = password.empty() ? SourceKind::Backup : SourceKind::EncryptedBackup;
        source.database = dir / "phone.db";
        source.password = password;
        source.hasAddressBook = true;
        source.addressBook = {anna()};
        return source;
    }

    // The model on the password screen of an encrypted backup.
    std::unique_ptr<AppModel> onPasswordScreen()
    {
        sources.add(dir / "locked", backup("hunter2"));
        auto model = makeModel(dir / "locked");
        EXPECT_TRUE(settle(*model));
        EXPECT_EQ(model->phase(), Phase::Password);
        return model;
    }

    testsupport::TempDir dir;
    FakeDesktopServices services;
    FakeMessageSources sources;
};

TEST_F(SourceStepTest, WithoutAnySourceTheSourceStepWaitsWithoutTimerOrProblem)
{
    const auto model = makeModel();

    EXPECT_EQ(model->phase(), Phase::Source);
    EXPECT_FALSE(model->checkingSource());
    EXPECT_FALSE(model->sourceProblem());
    EXPECT_FALSE(model->isPolling());
    EXPECT_FALSE(model->source());
}

TEST_F(SourceStepTest, TheDefaultDatabaseIsOpenedWhenNothingWasRemembered)
{
    sources.add(dir / "mac.db", {SourceKind::Database, dir / "mac.db", {}, {}, {}, false, false});

    const auto model = makeModel(std::nullopt, dir / "mac.db");

    ASSERT_TRUE(settle(*model));
    EXPECT_EQ(model->phase(), Phase::List);
    EXPECT_EQ(model->source(), dir / "mac.db");
    ASSERT_EQ(model->conversations().size(), 1u);
    EXPECT_EQ(model->conversations()[0].count, 3);
}

TEST_F(SourceStepTest, TheRememberedSourceComesBeforeTheDefaultOneAndAGoneOneIsSkipped)
{
    sources.add(dir / "mac.db", {SourceKind::Database, dir / "mac.db", {}, {}, {}, false, false});
    fs::create_directories(dir / "backup");
    sources.add(dir / "backup", backup());

    services.texts.insert(AppModel::sourceKey(), QString::fromStdString((dir / "backup").string()));
    const auto remembered = makeModel(std::nullopt, dir / "mac.db");
    ASSERT_TRUE(settle(*remembered));
    EXPECT_EQ(remembered->source(), dir / "backup");

    services.texts.insert(AppModel::sourceKey(), QString::fromStdString((dir / "gone").string()));
    const auto gone = makeModel(std::nullopt, dir / "mac.db");
    ASSERT_TRUE(settle(*gone));
    EXPECT_EQ(gone->source(), dir / "mac.db");
}

TEST_F(SourceStepTest, APathAskedForOnTheCommandLineComesFirst)
{
    sources.add(dir / "mac.db", {SourceKind::Database, dir / "mac.db", {}, {}, {}, false, false});
    sources.add(dir / "backup", backup());

    const auto model = makeModel(dir / "backup", dir / "mac.db");

    ASSERT_TRUE(settle(*model));
    EXPECT_EQ(model->source(), dir / "backup");
    EXPECT_EQ(services.texts.value(AppModel::sourceKey()), QString::fromStdString((dir / "backup").string()));
}

TEST_F(SourceStepTest, EachUnusablePathShowsTheSourceStepWithATextNamingIt)
{
    const std::vector<SourceKind> kinds = {SourceKind::NotFound,
                                           SourceKind::Unreadable,
                                           SourceKind::NotRegularFile,
                                           SourceKind::NotMessagesDatabase,
                                           SourceKind::DatabaseTooOld,
                                           SourceKind::BackupWithoutMessages,
                                           SourceKind::BackupTooOld,
                                           SourceKind::BackupWithoutManifest,
                                           SourceKind::BackupMessagesUnreadable};
    const auto model = makeModel();
    std::set<QString> texts;
    for (const SourceKind kind : kinds) {
        const fs::path path = dir / ("case-" + std::to_string(static_cast<int>(kind)));
        if (kind != SourceKind::NotFound)
            sources.add(path, {kind, {}, {}, {}, {}, false, false});

        model->chooseSource(path);
        EXPECT_TRUE(model->checkingSource());
        ASSERT_TRUE(settle(*model));

        EXPECT_EQ(model->phase(), Phase::Source);
        ASSERT_TRUE(model->sourceProblem()) << static_cast<int>(kind);
        EXPECT_TRUE(model->sourceProblem()->contains(QString::fromStdString(path.string())));
        texts.insert(*model->sourceProblem());
    }
    EXPECT_EQ(texts.size(), kinds.size()); // each outcome says something of its own
    EXPECT_FALSE(services.texts.contains(AppModel::sourceKey()));
}

TEST_F(SourceStepTest, AFolderOfBackupsListsThemAndPickingOneOpensIt)
{
    const BackupDescription older{dir / "all" / "a", "Anna's iPhone", std::nullopt, false, false, "17.4"};
    const BackupDescription newer{dir / "all" / "b", "Work iPhone", std::nullopt, true, true, "17.4"};
    sources.add(dir / "all", {SourceKind::BackupFolder, {}, {newer, older}, {}, {}, false, false});
    sources.add(older.path, backup());
    const auto model = makeModel();

    model->chooseSource(dir / "all");
    ASSERT_TRUE(settle(*model));
    EXPECT_EQ(model->phase(), Phase::Backups);
    EXPECT_EQ(model->backups(), (std::vector<BackupDescription>{newer, older}));

    model->pickBackup(older);
    ASSERT_TRUE(settle(*model));
    EXPECT_EQ(model->phase(), Phase::List);
    EXPECT_EQ(model->source(), older.path);
}

TEST_F(SourceStepTest, ABackupWithAnAddressBookNeedsNoContactsQuestionAndNamesTheChats)
{
    services.contactsStatus = AuthorizationStatus::NotDetermined;
    sources.add(dir / "backup", backup());

    const auto model = makeModel(dir / "backup");

    ASSERT_TRUE(settle(*model));
    EXPECT_EQ(model->phase(), Phase::List);
    EXPECT_TRUE(model->sourceHasContacts());
    ASSERT_EQ(model->conversations().size(), 1u);
    EXPECT_EQ(model->conversations()[0].title, "Anna Berg");
    EXPECT_EQ(services.contactsServicesHandedOut, 0);
}

TEST_F(SourceStepTest, ADatabaseWithoutAddressBookAsksTheContactsQuestionWhileItIsOpen)
{
    services.contactsStatus = AuthorizationStatus::NotDetermined;
    sources.add(dir / "mac.db", {SourceKind::Database, dir / "mac.db", {}, {}, {}, false, false});

    const auto model = makeModel(dir / "mac.db");

    ASSERT_TRUE(settle(*model));
    EXPECT_EQ(model->phase(), Phase::Contacts);
    EXPECT_FALSE(model->sourceHasContacts());
}

TEST_F(SourceStepTest, TheRightPasswordOpensTheBackupAndIsNeverStored)
{
    const auto model = onPasswordScreen();
    auto gate = std::make_shared<Gate>();
    sources.holdUnlocks(gate);

    model->unlock(QStringLiteral("hunter2"));
    EXPECT_TRUE(model->unlocking());
    model->unlock(QStringLiteral("again")); // ignored while the first try runs
    gate->open();
    ASSERT_TRUE(settle(*model));

    EXPECT_EQ(sources.unlockAttempts(), 1);
    EXPECT_EQ(model->phase(), Phase::List);
    EXPECT_EQ(model->source(), dir / "locked");
    EXPECT_EQ(model->conversations().size(), 1u);
    for (const QString &value : services.texts)
        EXPECT_FALSE(value.contains(QStringLiteral("hunter2")));
}

TEST_F(SourceStepTest, AWrongPasswordSaysSoAndTheNextTryCanSucceed)
{
    const auto model = onPasswordScreen();

    model->unlock(QStringLiteral("wrong"));
    ASSERT_TRUE(settle(*model));
    EXPECT_EQ(model->phase(), Phase::Password);
    EXPECT_TRUE(model->wrongPassword());

    model->unlock(QStringLiteral("hunter2"));
    EXPECT_FALSE(model->wrongPassword());
    ASSERT_TRUE(settle(*model));
    EXPECT_EQ(model->phase(), Phase::List);
}

TEST_F(SourceStepTest, ABackupThatCannotBeDecryptedGoesBackToTheSourceStepNamingIt)
{
    auto locked = backup("x");
    locked.unlockFails = true;
    sources.add(dir / "broken", locked);
    const auto model = makeModel(dir / "broken");
    ASSERT_TRUE(settle(*model));

    model->unlock(QStringLiteral("x"));
    ASSERT_TRUE(settle(*model));

    EXPECT_EQ(model->phase(), Phase::Source);
    ASSERT_TRUE(model->sourceProblem());
    EXPECT_TRUE(model->sourceProblem()->contains(QString::fromStdString((dir / "broken").string())));
}

TEST_F(SourceStepTest, ThePasswordScreenLeadsBackToTheSourceStep)
{
    const auto model = onPasswordScreen();
    model->unlock(QStringLiteral("wrong"));
    ASSERT_TRUE(settle(*model));

    model->showSources();

    EXPECT_EQ(model->phase(), Phase::Source);
    EXPECT_FALSE(model->wrongPassword());
}

TEST_F(SourceStepTest, LeavingDuringAnUnlockDropsItsOutcomeForTheSourceChosenNext)
{
    const auto model = onPasswordScreen();
    sources.add(dir / "mac.db", {SourceKind::Database, dir / "mac.db", {}, {}, {}, false, false});
    const auto gate = std::make_shared<Gate>();
    sources.holdUnlocks(gate);
    model->unlock(QStringLiteral("hunter2"));
    ASSERT_TRUE(model->unlocking());

    // Leaving is allowed at once, while the unlock still runs.
    model->showSources();
    EXPECT_EQ(model->phase(), Phase::Source);
    EXPECT_FALSE(model->unlocking());
    model->chooseSource(dir / "mac.db");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return model->phase() == Phase::List && !model->loading();
        },
        patienceMs));
    gate->open();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return sources.unlockAttempts() == 1;
        },
        patienceMs));
    QTest::qWait(200); // the unlock's outcome reaches the main thread, and is dropped there

    EXPECT_EQ(model->phase(), Phase::List);
    EXPECT_EQ(model->source(), dir / "mac.db");
    EXPECT_EQ(services.texts.value(AppModel::sourceKey()), QString::fromStdString((dir / "mac.db").string()));
    ASSERT_EQ(model->conversations().size(), 1u);
    EXPECT_EQ(model->conversations()[0].count, 3);
}

TEST_F(SourceStepTest, AnUnlockedBackupChosenAgainAfterAnotherOneReadsWithoutItsPassword)
{
    const auto model = onPasswordScreen();
    sources.add(dir / "other", backup("swordfish"));
    model->unlock(QStringLiteral("hunter2"));
    ASSERT_TRUE(settle(*model));
    ASSERT_EQ(model->phase(), Phase::List);

    model->chooseSource(dir / "other");
    ASSERT_TRUE(settle(*model));
    EXPECT_EQ(model->phase(), Phase::Password);
    model->chooseSource(dir / "locked");
    ASSERT_TRUE(settle(*model));

    EXPECT_EQ(model->phase(), Phase::List);
    EXPECT_EQ(model->source(), dir / "locked");
    ASSERT_EQ(model->conversations().size(), 1u);
    EXPECT_EQ(model->conversations()[0].count, 5);
    EXPECT_EQ(sources.unlockAttempts(), 1);
}

TEST_F(SourceStepTest, OtherMessagesChosenFromTheListReplaceTheListAndAreRemembered)
{
    sources.add(dir / "mac.db", {SourceKind::Database, dir / "mac.db", {}, {}, {}, false, false});
    sources.add(dir / "backup", backup());
    const auto model = makeModel(dir / "mac.db");
    ASSERT_TRUE(settle(*model));
    ASSERT_EQ(model->conversations()[0].count, 3);

    model->showSources();
    EXPECT_EQ(model->phase(), Phase::Source);
    model->chooseSource(dir / "backup");
    ASSERT_TRUE(settle(*model));

    EXPECT_EQ(model->phase(), Phase::List);
    ASSERT_EQ(model->conversations().size(), 1u);
    EXPECT_EQ(model->conversations()[0].count, 5);
    EXPECT_EQ(services.texts.value(AppModel::sourceKey()), QString::fromStdString((dir / "backup").string()));
}

TEST_F(SourceStepTest, ASourceThatTurnsBadUnderTheListIsDroppedWithItsProblemShown)
{
    sources.add(dir / "mac.db", {SourceKind::Database, dir / "mac.db", {}, {}, {}, false, false});
    const auto model = makeModel(dir / "mac.db");
    ASSERT_TRUE(settle(*model));

    sources.add(dir / "mac.db", {SourceKind::NotMessagesDatabase, {}, {}, {}, {}, false, false});
    model->load(); // the store opens no more: the load fails and the source is looked at again
    ASSERT_TRUE(settle(*model));

    EXPECT_EQ(model->phase(), Phase::Source);
    EXPECT_FALSE(model->source());
    EXPECT_TRUE(model->conversations().empty());
    EXPECT_TRUE(model->sourceProblem());
}

TEST_F(SourceStepTest, TheContactsFileCanBeChosenFromTheListAndReloadsIt)
{
    sources.add(dir / "mac.db", {SourceKind::Database, dir / "mac.db", {}, {}, {}, false, false});
    const auto model = makeModel(dir / "mac.db");
    ASSERT_TRUE(settle(*model));
    ASSERT_EQ(model->conversations()[0].title, "+4915112345678");

    model->requestContacts();
    ASSERT_TRUE(services.pendingContactsRequest);
    services.contactRecords = {anna()};
    services.answerContacts(true);
    ASSERT_TRUE(settle(*model));

    EXPECT_EQ(model->phase(), Phase::List);
    EXPECT_EQ(model->conversations()[0].title, "Anna Berg");
}

TEST_F(SourceStepTest, ACancelledOrRefusedContactsFileStaysOnTheQuestionAndKeepsTheNamesReadBefore)
{
    sources.add(dir / "mac.db", {SourceKind::Database, dir / "mac.db", {}, {}, {}, false, false});
    services.contactsStatus = AuthorizationStatus::NotDetermined;
    const auto model = makeModel(dir / "mac.db");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return model->phase() == Phase::Contacts;
        },
        patienceMs));
    EXPECT_EQ(model->sourceKind(), SourceKind::Database);

    model->requestContacts();
    services.answerContacts(app::ContactsAnswer{app::ContactsAnswer::Outcome::Cancelled, {}});
    EXPECT_EQ(model->phase(), Phase::Contacts);
    EXPECT_FALSE(model->contactsProblem());
    model->requestContacts();
    services.answerContacts(app::ContactsAnswer{app::ContactsAnswer::Outcome::FileRefused, QStringLiteral("noise")});
    EXPECT_EQ(model->phase(), Phase::Contacts);
    EXPECT_EQ(model->contactsProblem(), QStringLiteral("noise"));

    // Names from a good file, then a bad one chosen from the list: the names stay, the list says why.
    services.contactRecords = {anna()};
    model->requestContacts();
    EXPECT_FALSE(model->contactsProblem());
    services.answerContacts(true);
    ASSERT_TRUE(settle(*model));
    ASSERT_EQ(model->conversations()[0].title, "Anna Berg");
    model->requestContacts();
    services.answerContacts(app::ContactsAnswer{app::ContactsAnswer::Outcome::FileRefused, QStringLiteral("empty")});
    EXPECT_FALSE(model->loading());
    EXPECT_EQ(model->contactsProblem(), QStringLiteral("empty"));
    EXPECT_EQ(model->conversations()[0].title, "Anna Berg");
    model->showSources();
    EXPECT_FALSE(model->contactsProblem());
}

TEST_F(SourceStepTest, ABackupsUnreadableAddressBookIsSaidAndItsConversationsStillList)
{
    FileSystemSources real;
    const fs::path book = dir / "AddressBook.sqlitedb";
    ASSERT_FALSE(backup::writeAddressBook(book, testsupport::smallHistoryPeople()).has_value());
    sqlite3 *raw = nullptr;
    ASSERT_EQ(sqlite3_open(book.c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "ALTER TABLE ABPerson RENAME TO Old; CREATE VIEW ABPerson AS SELECT * FROM Old;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);
    testsupport::writeSmallHistory(dir / "sms.db");
    testsupport::makeBackup(dir / "phone", {dir / "sms.db", std::nullopt, book});
    testsupport::makeBackup(dir / "fine", {dir / "sms.db", std::nullopt, std::nullopt});

    AppModel model(services, real, dir / "home-without-messages" / "chat.db", dir / "phone");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return model.phase() == Phase::List && !model.loading();
        },
        patienceMs));
    EXPECT_TRUE(model.addressBookUnreadable());
    EXPECT_EQ(model.sourceKind(), SourceKind::Backup);
    EXPECT_FALSE(model.conversations().empty());

    model.chooseSource(dir / "fine");
    ASSERT_TRUE(settle(model));
    EXPECT_FALSE(model.addressBookUnreadable());
    EXPECT_FALSE(model.conversations().empty());
}

TEST_F(SourceStepTest, WhatTheDesktopCannotOpenIsOfferedForCopying)
{
    sources.add(dir / "mac.db", {SourceKind::Database, dir / "mac.db", {}, {}, {}, false, false});
    services.desktopOpensThings = false;
    const auto model = makeModel(dir / "mac.db");
    ASSERT_TRUE(settle(*model));

    model->openUploadPage();
    ASSERT_TRUE(model->unopened());
    EXPECT_EQ(*model->unopened(), model->startURL().toString());

    model->dismissUnopened();
    model->exportConversation(model->conversations()[0]);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return model->phase() == Phase::Done;
        },
        patienceMs));
    model->revealInFinder();
    ASSERT_TRUE(model->unopened());
    EXPECT_EQ(*model->unopened(), model->exported()->path);
    fs::remove(model->exported()->path.toStdString());
}

class DatabaseFilesTest : public ::testing::Test
{
protected:
    testsupport::TempDir dir;
    FileSystemSources sources;
};

TEST_F(DatabaseFilesTest, TellsADatabaseFromEverythingElse)
{
    writeDatabase(dir / "chat.db", 1);
    testsupport::writeFile(dir / "notes.txt", "These are not the messages you are looking for.");
    testsupport::writeFile(dir / "short", "SQLite");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    fs::create_directories(dir / "empty");

    EXPECT_EQ(sources.check(dir / "chat.db").kind, SourceKind::Database);
    EXPECT_EQ(sources.check(dir / "missing.db").kind, SourceKind::NotFound);
    EXPECT_EQ(sources.check(dir / "notes.txt" / "below").kind, SourceKind::NotFound);
    EXPECT_EQ(sources.check(dir / "notes.txt").kind, SourceKind::NotMessagesDatabase);
    EXPECT_EQ(sources.check(dir / "short").kind, SourceKind::NotMessagesDatabase);
    EXPECT_EQ(sources.check(dir / "pipe").kind, SourceKind::NotRegularFile);
    EXPECT_EQ(sources.check(dir / "empty").kind, SourceKind::NoMessagesInFolder);
    EXPECT_EQ(AppModel::problemText(SourceKind::NoMessagesInFolder, dir / "empty"),
              app::naming(l10n::sourceNoMessagesInFolder(), dir / "empty"));
    EXPECT_EQ(sources.check(dir / "chat.db").path, dir / "chat.db");
}

TEST_F(DatabaseFilesTest, ASQLiteFileWithoutTheMessagesTablesIsNotAMessagesDatabase)
{
    sqlite3 *raw = nullptr;
    ASSERT_EQ(sqlite3_open((dir / "notes.db").c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "CREATE TABLE message (id INTEGER PRIMARY KEY, text TEXT)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);

    EXPECT_EQ(sources.check(dir / "notes.db").kind, SourceKind::NotMessagesDatabase);
}

TEST_F(DatabaseFilesTest, AFolderHoldingChatDbIsThatDatabase)
{
    fs::create_directories(dir / "Messages");
    writeDatabase(dir / "Messages" / "chat.db", 2);

    const auto check = sources.check(dir / "Messages");

    EXPECT_EQ(check.kind, SourceKind::Database);
    EXPECT_EQ(check.path, dir / "Messages" / "chat.db");
    auto store = sources.openStore(check.path);
    ASSERT_TRUE(store);
    EXPECT_EQ(sources.contacts(check.path), nullptr);
}

TEST_F(DatabaseFilesTest, AFileThisUserMayNotReadIsUnreadable)
{
    writeDatabase(dir / "chat.db", 1);
    ASSERT_EQ(::chmod((dir / "chat.db").c_str(), 0), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const fs::path file = dir / "chat.db";

    const auto outcome = testsupport::runInChild(true, [&](std::string &report) {
        const auto kind = FileSystemSources().check(file).kind;
        report = std::to_string(static_cast<int>(kind));
        return kind == SourceKind::Unreadable ? 0 : 1;
    });

    EXPECT_EQ(outcome.status, 0) << outcome.report;
}

TEST_F(SourceStepTest, EscapeGoesBackFromThePasswordToThePickerItCameFromAndFromTheListToTheSourceStep)
{
    const BackupDescription locked{dir / "all" / "locked", "Anna's iPhone", std::nullopt, true, true, "17.4"};
    const BackupDescription plain{dir / "all" / "plain", "Ben's iPhone", std::nullopt, false, true, "17.4"};
    sources.add(dir / "all", {SourceKind::BackupFolder, {}, {locked, plain}, {}, {}, false, false});
    sources.add(locked.path, backup("hunter2"));
    sources.add(plain.path, backup());
    const auto model = makeModel();
    EXPECT_FALSE(model->canGoBack());

    model->chooseSource(dir / "all");
    ASSERT_TRUE(settle(*model));
    model->pickBackup(locked);
    ASSERT_TRUE(settle(*model));
    ASSERT_EQ(model->phase(), Phase::Password);
    model->goBack();
    EXPECT_EQ(model->phase(), Phase::Backups);
    model->goBack();
    EXPECT_EQ(model->phase(), Phase::Source);

    model->chooseSource(plain.path);
    ASSERT_TRUE(settle(*model));
    ASSERT_EQ(model->phase(), Phase::List);
    model->goBack();
    EXPECT_EQ(model->phase(), Phase::Source);
}

TEST_F(SourceStepTest, TheLastFiveSourcesOpenedAreKeptNewestFirstAndOneCanBeForgotten)
{
    std::vector<fs::path> opened;
    for (int i = 0; i < 6; ++i) {
        opened.push_back(dir / ("backup-" + std::to_string(i)));
        sources.add(opened.back(), backup());
    }
    const auto model = makeModel();
    for (const auto &path : opened) {
        model->chooseSource(path);
        ASSERT_TRUE(settle(*model));
    }
    model->chooseSource(opened[3]); // again: moves to the front, not in twice
    ASSERT_TRUE(settle(*model));

    const std::vector<fs::path> kept{opened[3], opened[5], opened[4], opened[2], opened[1]};
    EXPECT_EQ(model->recentSources(), kept);
    model->forgetRecent(opened[5]);
    QStringList written;
    for (const auto &path : {opened[3], opened[4], opened[2], opened[1]})
        written.append(QString::fromStdString(path.string()));
    EXPECT_EQ(services.texts.value(AppModel::recentSourcesKey()), written.join(QLatin1Char('\n')));
    // A new window reads them back.
    EXPECT_EQ(makeModel()->recentSources().front(), opened[3]);
}

TEST_F(SourceStepTest, TheSourceStepOffersWhatDiscoveryFindsInTheHome)
{
    const fs::path home = dir / "home";
    testsupport::makeBackup(home / "iPhone-Backup" / "phone", {});
    const auto model = makeModel();
    model->setDiscoveryRoots({home, dir / "no-mountinfo", {}, {}});
    ASSERT_TRUE(model->discovering());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !model->discovering();
        },
        patienceMs));

    ASSERT_EQ(model->foundSources().size(), 1u);
    EXPECT_EQ(model->foundSources()[0].path, home / "iPhone-Backup" / "phone");
    EXPECT_EQ(model->foundSources()[0].place, sources::Place::SuggestedFolder);
    EXPECT_TRUE(model->backupToolInstalled().has_value());
}

TEST(BackupRowTexts, TheFolderTellsBackupsApartUnlessTheBackupIsNamedByIt)
{
    const fs::path folder = "/backups/00008030-001A2B3C4D5E";
    const BackupDescription named{folder, "Anna's iPhone", std::nullopt, false, true, "9.3.5"};
    const BackupDescription byFolder{folder, "00008030-001A2B3C4D5E", std::nullopt, false, true, "9.3.5"};
    const BackupDescription bare{folder, "00008030-001A2B3C4D5E", std::nullopt, false, true, ""};

    EXPECT_EQ(app::backupTitle(named), QStringLiteral("Anna's iPhone"));
    EXPECT_EQ(app::backupDetails(named), QStringLiteral("iOS 9.3.5 \u00B7 \u20263C4D5E"));
    EXPECT_EQ(app::backupTitle(byFolder), QStringLiteral("00008030-001A2B3C4D5E"));
    EXPECT_EQ(app::backupDetails(byFolder), QStringLiteral("iOS 9.3.5"));
    // Never an empty line under the title.
    EXPECT_EQ(app::backupDetails(bare), QStringLiteral("\u20263C4D5E"));
}
