// A copy of chat.db in a folder the user cannot write or on read-only media, with or without its
// -wal and -shm, as an iPhone backup or a mounted disk holds it. Every reader here runs in a child
// process without write permission (as "nobody" when the suite runs as root, who ignores
// permission bits), because only then does SQLite meet what the user meets.
#include "store/messages_store.h"

#include "support/child_process.h"
#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <map>
#include <new>
#include <sched.h>
#include <string>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using store::MessagesStore;
using store::SQLiteDB;
using testsupport::MessagesFixture;
using testsupport::TempDir;

using testsupport::ChildOutcome;
using testsupport::runInChild;

namespace
{

namespace fs = std::filesystem;

constexpr uid_t nobody = 65534;
constexpr int skipStatus = 77;

// Every file of a folder with its bytes, to show that nothing was written.
std::map<std::string, std::string> folderContents(const fs::path &folder)
{
    std::map<std::string, std::string> contents;
    for (const auto &entry : fs::directory_iterator(folder))
        contents[entry.path().filename().string()] = testsupport::readFile(entry.path());
    return contents;
}

bool isEmptyFolder(const fs::path &folder)
{
    std::error_code ec;
    return fs::is_empty(folder, ec) && !ec;
}

// A forked process, killed and reaped when the object goes, whatever way the test leaves.
struct ChildProcess {
    explicit ChildProcess(pid_t forked)
        : pid(forked)
    {
    }
    ~ChildProcess()
    {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    pid_t pid;
};

// Makes this process root of a user namespace of its own, mapped to its own user, so that it may
// mount in a mount namespace of its own. Files it creates still belong to the real user.
bool enterOwnUserNamespace()
{
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER) != 0)
        return false;
    std::ofstream("/proc/self/setgroups") << "deny";
    std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
    std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    return ::geteuid() == 0;
}

// What a child saw through a store: the number of messages, and where they came from.
struct Seen {
    std::int64_t messages = -1;
    bool fromSnapshot = false;
    std::string snapshotFolder;
};

common::Result<Seen, SQLiteDB::Failure> readThroughStore(const fs::path &db)
{
    auto opened = MessagesStore::open(db);
    if (!opened)
        return common::failure(opened.error());
    Seen seen;
    if (const auto folder = opened->db().snapshotFolder()) {
        seen.fromSnapshot = true;
        seen.snapshotFolder = folder->string();
    }
    auto counted = opened->db().execute("SELECT COUNT(*) FROM message", {}, [&](const store::Statement &row) {
        seen.messages = row.integer(0);
        return store::RowFlow::Continue;
    });
    if (!counted)
        return common::failure(counted.error());
    return seen;
}

// The report line a child writes about one read: "count snapshot|inplace" or "failed code text".
std::string describeRead(const common::Result<Seen, SQLiteDB::Failure> &read)
{
    if (!read)
        return "failed " + std::to_string(read.error().code) + " " + read.error().message;
    return std::to_string(read->messages) + (read->fromSnapshot ? " snapshot" : " inplace");
}

// A test folder that a reader without privileges can enter: the database's folder `backup`
// (left read-only by the tests that want it so), and `tmp`, the reader's TMPDIR, writable by all.
class WalSnapshotTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::permissions(temp.path(), fs::perms(0755));
        fs::create_directory(backup);
        fs::create_directory(tmp);
        fs::permissions(tmp, fs::perms(0777));
        fs::create_directory(work);
    }

    void TearDown() override
    {
        // A non-root owner must be able to remove what it made read-only.
        std::error_code ec;
        for (const auto &entry : fs::recursive_directory_iterator(temp.path(), ec))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::permissions(temp.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }

    // Writes `inMain` messages into chat.db, switches it to write-ahead logging and writes
    // `inLog` more that stay in its -wal; while the writer still holds the files, copies chat.db
    // and the named companions ("-wal", "-shm") into `backup`, as a backup of a live Mac would
    // hold them.
    void makeBackup(int inMain, int inLog, const std::vector<std::string> &companions)
    {
        MessagesFixture fixture(work / "chat.db");
        const auto chat = fixture.addChat("+15551234567", 45, {fixture.addHandle("+15551234567")});
        for (int i = 0; i < inMain; ++i)
            fixture.addMessage({chat}, {{"text", "in main " + std::to_string(i)}, {"date", 700000000 + i}});
        fixture.exec("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
        for (int i = 0; i < inLog; ++i)
            fixture.addMessage({chat}, {{"text", "in log " + std::to_string(i)}, {"date", 710000000 + i}});
        fs::copy_file(work / "chat.db", backup / "chat.db");
        for (const auto &suffix : companions)
            fs::copy_file(work / ("chat.db" + suffix), backup / ("chat.db" + suffix));
        fixture.close();
        for (const auto &entry : fs::directory_iterator(backup))
            fs::permissions(entry.path(), fs::perms(0644));
        fs::permissions(backup, fs::perms(0555));
    }

    // Reads the backup as a user who cannot write it, with `tmp` as TMPDIR; reports the read
    // and whether the snapshot folder was gone once the store was.
    ChildOutcome readAsUser()
    {
        return runInChild(true, [&](std::string &report) {
            ::setenv("TMPDIR", tmp.c_str(), 1);
            std::string folder;
            {
                const auto read = readThroughStore(backup / "chat.db");
                report = describeRead(read);
                if (read && read->fromSnapshot) {
                    folder = read->snapshotFolder;
                    if (fs::path(folder).parent_path() != tmp)
                        report += " outside-tmpdir";
                }
            }
            if (!folder.empty() && fs::exists(folder))
                report += " left-behind";
            if (!isEmptyFolder(tmp))
                report += " tmpdir-not-empty";
            return 0;
        });
    }

    TempDir temp;
    fs::path backup = temp / "backup";
    fs::path tmp = temp / "tmp";
    fs::path work = temp / "work";
};

} // namespace

TEST_F(WalSnapshotTest, ReadsLogAndIndexInPlaceWhenBothAreThere)
{
    makeBackup(5, 7, {"-wal", "-shm"});
    const auto before = folderContents(backup);

    const auto outcome = readAsUser();

    // SQLite reads a read-only -shm itself; the seven logged messages are not dropped.
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.report, "12 inplace");
    EXPECT_EQ(folderContents(backup), before);
}

TEST_F(WalSnapshotTest, ReadsASnapshotWhenTheLogHasNoIndex)
{
    makeBackup(5, 7, {"-wal"});
    const auto before = folderContents(backup);

    const auto outcome = readAsUser();

    // In place SQLite fails with SQLITE_CANTOPEN: it would have to create the -shm. The snapshot
    // holds the log, so the messages only it has are read too.
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.report, "12 snapshot");
    EXPECT_EQ(folderContents(backup), before);
}

TEST_F(WalSnapshotTest, ReadsASnapshotWhenThereIsNoLog)
{
    for (const auto &companions : {std::vector<std::string>{}, std::vector<std::string>{"-shm"}}) {
        fs::permissions(backup, fs::perms(0755));
        for (const auto &entry : fs::directory_iterator(backup))
            fs::remove(entry.path());
        fs::remove_all(work);
        fs::create_directory(work);
        makeBackup(5, 7, companions);
        const auto before = folderContents(backup);

        const auto outcome = readAsUser();

        // SQLITE_READONLY_DIRECTORY in place: a log would have to be created. Without it the
        // main file is the whole database.
        EXPECT_EQ(outcome.status, 0);
        EXPECT_EQ(outcome.report, "5 snapshot") << companions.size();
        EXPECT_EQ(folderContents(backup), before);
    }
}

TEST_F(WalSnapshotTest, ReadsInPlaceWhereTheFolderIsWritable)
{
    makeBackup(5, 7, {"-wal", "-shm"});
    fs::permissions(backup, fs::perms(0777));

    const auto outcome = readAsUser();

    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.report, "12 inplace");
}

TEST_F(WalSnapshotTest, FailsCleanlyWhenNoPrivateFolderCanBeMade)
{
    makeBackup(5, 7, {"-wal"});
    const auto before = folderContents(backup);
    fs::permissions(tmp, fs::perms(0555));

    const auto outcome = readAsUser();

    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.report.rfind("failed " + std::to_string(SQLITE_CANTOPEN) + " ", 0), 0u) << outcome.report;
    EXPECT_NE(outcome.report.find("private copy"), std::string::npos) << outcome.report;
    EXPECT_EQ(folderContents(backup), before);
}

TEST_F(WalSnapshotTest, FailsCleanlyWhenTheLogCannotBeRead)
{
    makeBackup(5, 7, {"-wal"});
    fs::permissions(backup, fs::perms(0755));
    fs::permissions(backup / "chat.db-wal", fs::perms(0));
    fs::permissions(backup, fs::perms(0555));

    const auto outcome = readAsUser();

    // Reading the main file alone would silently drop the logged messages.
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.report.rfind("failed ", 0), 0u) << outcome.report;
    EXPECT_EQ(outcome.report.find("left-behind"), std::string::npos);
    EXPECT_EQ(outcome.report.find("tmpdir-not-empty"), std::string::npos);
}

TEST_F(WalSnapshotTest, ReadsASnapshotOnReadOnlyMedia)
{
    makeBackup(5, 7, {"-wal"});
    fs::permissions(backup, fs::perms(0755));
    const auto before = folderContents(backup);

    // A read-only bind mount stands in for a locked disk; it stops root as well, so this child
    // keeps its user. The mount lives in the child's own mount namespace and dies with it.
    const auto outcome = runInChild(false, [&](std::string &report) {
        if (::geteuid() != 0 && !enterOwnUserNamespace()) {
            report = "no user namespaces";
            return skipStatus;
        }
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount(backup.c_str(), backup.c_str(), nullptr, MS_BIND, nullptr) != 0
            || ::mount(nullptr, backup.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
            report = "mounting is not allowed here";
            return skipStatus;
        }
        ::setenv("TMPDIR", tmp.c_str(), 1);
        report = describeRead(readThroughStore(backup / "chat.db"));
        return 0;
    });

    if (outcome.status == skipStatus)
        GTEST_SKIP() << "needs a private read-only mount: " << outcome.report;
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.report, "12 snapshot");
    EXPECT_EQ(folderContents(backup), before);
    EXPECT_TRUE(isEmptyFolder(tmp));
}

// Messages keeps writing while a reader who cannot use its -shm copies the database: every
// snapshot is a whole database holding an unbroken run of the committed messages.
TEST_F(WalSnapshotTest, SnapshotsOfADatabaseBeingWrittenAreConsistent)
{
    {
        MessagesFixture fixture(backup / "chat.db");
        fixture.exec("CREATE TABLE IF NOT EXISTS seq(n INTEGER PRIMARY KEY, pad BLOB);");
        fixture.exec("PRAGMA journal_mode=WAL;");
    }
    fs::permissions(backup / "chat.db", fs::perms(0644));

    // Counters shared with the writer: started is raised before a commit, committed after it.
    auto *counters = static_cast<std::atomic<std::int64_t> *>(::mmap(
        nullptr, 2 * sizeof(std::atomic<std::int64_t>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(counters, MAP_FAILED);
    new (&counters[0]) std::atomic<std::int64_t>(0);
    new (&counters[1]) std::atomic<std::int64_t>(0);
    auto &started = counters[0];
    auto &committed = counters[1];

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const ChildProcess writer(::fork());
    ASSERT_GE(writer.pid, 0);
    if (writer.pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::close(ready[0]);
        sqlite3 *db = nullptr;
        if (sqlite3_open((backup / "chat.db").c_str(), &db) != SQLITE_OK)
            ::_exit(1);
        // A thousand commits a second, far more than Messages makes, and a checkpoint every 100
        // pages, so that the log restarts every few dozen commits: now and then during a copy.
        sqlite3_exec(db, "PRAGMA synchronous=OFF; PRAGMA wal_autocheckpoint=100;", nullptr, nullptr, nullptr);
        sqlite3_busy_timeout(db, 5000);
        sqlite3_stmt *insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO seq(n, pad) VALUES (?, randomblob(300))", -1, &insert, nullptr);
        for (std::int64_t n = 1;; ++n) {
            started.store(n);
            sqlite3_bind_int64(insert, 1, n);
            if (sqlite3_step(insert) != SQLITE_DONE)
                ::_exit(2);
            sqlite3_reset(insert);
            committed.store(n);
            if (n == 50) {
                [[maybe_unused]] const auto written = ::write(ready[1], "r", 1);
            }
            ::usleep(1000);
        }
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    // The writer holds the -shm open; a reader who cannot open it must copy.
    fs::permissions(backup / "chat.db-shm", fs::perms(0));
    fs::permissions(backup, fs::perms(0555));

    constexpr int reads = 30;
    int snapshots = 0;
    for (int i = 0; i < reads; ++i) {
        const std::int64_t low = committed.load();
        const auto outcome = runInChild(true, [&](std::string &report) {
            ::setenv("TMPDIR", tmp.c_str(), 1);
            auto opened = MessagesStore::open(backup / "chat.db");
            if (!opened) {
                report = "failed " + opened.error().message;
                return 1;
            }
            std::int64_t rows = 0;
            std::int64_t sum = 0;
            std::int64_t highest = 0;
            auto read = opened->db().execute("SELECT n FROM seq ORDER BY n", {}, [&](const store::Statement &row) {
                ++rows;
                sum += row.integer(0);
                highest = row.integer(0);
                return store::RowFlow::Continue;
            });
            auto check = opened->db().execute("PRAGMA quick_check", {}, [&](const store::Statement &row) {
                if (row.text(0) != "ok")
                    report += " quick_check: " + row.text(0);
                return store::RowFlow::Continue;
            });
            if (!read || !check) {
                report = "query failed";
                return 1;
            }
            // An unbroken run 1..rows has exactly this sum.
            const bool unbroken = highest == rows && sum == rows * (rows + 1) / 2;
            report = std::to_string(rows) + (unbroken ? "" : " broken")
                + (opened->db().snapshotFolder() ? " snapshot" : "") + report;
            return 0;
        });
        const std::int64_t high = started.load();

        ASSERT_EQ(outcome.status, 0) << outcome.report;
        const std::int64_t rows = std::stoll(outcome.report);
        EXPECT_GE(rows, low) << outcome.report;
        EXPECT_LE(rows, high) << outcome.report;
        EXPECT_EQ(outcome.report.find("broken"), std::string::npos) << outcome.report;
        EXPECT_EQ(outcome.report.find("quick_check"), std::string::npos) << outcome.report;
        snapshots += outcome.report.find("snapshot") != std::string::npos ? 1 : 0;
    }

    ::munmap(counters, 2 * sizeof(std::atomic<std::int64_t>));
    EXPECT_EQ(snapshots, reads);
    EXPECT_TRUE(isEmptyFolder(tmp));
}

TEST(NeedsPrivateSnapshot, TakesOnlyTheFailuresOfALogThatCannotBeUsedInPlace)
{
    for (const int code :
         {SQLITE_READONLY_DIRECTORY, SQLITE_READONLY_CANTINIT, SQLITE_READONLY_RECOVERY, SQLITE_READONLY_CANTLOCK}) {
        EXPECT_TRUE(store::needsPrivateSnapshot(code, true)) << code;
        EXPECT_TRUE(store::needsPrivateSnapshot(code, false)) << code;
    }
    for (const int code : {SQLITE_CANTOPEN, SQLITE_CANTOPEN_ISDIR, SQLITE_IOERR_SHMOPEN, SQLITE_IOERR_SHMMAP}) {
        EXPECT_TRUE(store::needsPrivateSnapshot(code, true)) << code;
        EXPECT_FALSE(store::needsPrivateSnapshot(code, false)) << code;
    }
    for (const int code : {SQLITE_OK, SQLITE_NOTADB, SQLITE_CORRUPT, SQLITE_BUSY, SQLITE_BUSY_RECOVERY, SQLITE_READONLY,
                           SQLITE_READONLY_ROLLBACK, SQLITE_IOERR_READ, SQLITE_PERM, SQLITE_AUTH})
        EXPECT_FALSE(store::needsPrivateSnapshot(code, true)) << code;
}

TEST(UsesWriteAheadLog, ReadsTheHeaderOrSeesTheLog)
{
    const TempDir dir;
    {
        MessagesFixture rollback(dir / "rollback.db");
        MessagesFixture logged(dir / "logged.db");
        logged.exec("PRAGMA journal_mode=WAL;");
    }
    testsupport::writeFile(dir / "other.db", std::string(100, '\x02'));
    testsupport::writeFile(dir / "lonely.db-wal", "");

    EXPECT_FALSE(store::usesWriteAheadLog(dir / "rollback.db"));
    EXPECT_TRUE(store::usesWriteAheadLog(dir / "logged.db")); // closed: its -wal is gone, the header stays
    EXPECT_FALSE(fs::exists(dir / "logged.db-wal"));
    EXPECT_FALSE(store::usesWriteAheadLog(dir / "other.db"));
    EXPECT_TRUE(store::usesWriteAheadLog(dir / "lonely.db"));
    EXPECT_FALSE(store::usesWriteAheadLog(dir / "absent.db"));
}

TEST(SnapshotFolder, RemovesItsFolderOnceAndOnlyFromItsLastOwner)
{
    const TempDir dir;
    fs::create_directories(dir / "snap" / "inner");
    testsupport::writeFile(dir / "snap" / "chat.db", "x");
    {
        store::SnapshotFolder first(dir / "snap");
        store::SnapshotFolder second(std::move(first));
        EXPECT_TRUE(first.path().empty());
        {
            const store::SnapshotFolder moved(std::move(second));
            EXPECT_TRUE(fs::exists(dir / "snap" / "chat.db"));
        }
        EXPECT_FALSE(fs::exists(dir / "snap"));
    }
    EXPECT_TRUE(isEmptyFolder(dir.path()));
}
