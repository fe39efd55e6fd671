// Messages keeps chat.db in write-ahead-log mode and commits while the program reads. Here a
// writer process commits message after message while the command line lists and exports the
// conversation again and again: the database is live, so it is read through SQLite's shared
// path, also by a user who may read the -shm but write nothing in the folder.
#include "cli/commands.h"

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
#include <functional>
#include <grp.h>
#include <iostream>
#include <new>
#include <sstream>
#include <string>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using testsupport::MessagesFixture;
using testsupport::TempDir;

using testsupport::ChildOutcome;
using testsupport::runInChild;

namespace
{

namespace fs = std::filesystem;

constexpr uid_t nobody = 65534;
constexpr const char *handle = "+15551234567";
constexpr const char *conversationId = "p:551234567";

// Counters shared with the writer process: `started` is raised before a message is committed and
// `committed` after, so a reader that starts after reading `committed` and ends before reading
// `started` must see a number of messages between the two.
struct WriterProgress {
    std::atomic<std::int64_t> started{0};
    std::atomic<std::int64_t> committed{0};
};

// The writer: commits message n (text "message n", one second after message n - 1) with its join
// row in one transaction, n = 1, 2, ..., until it is killed. Killed and reaped with the object.
class Writer
{
public:
    Writer(const fs::path &db, std::int64_t chat, std::int64_t handleId)
    {
        void *shared =
            ::mmap(nullptr, sizeof(WriterProgress), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (shared == MAP_FAILED)
            return;
        m_progress = new (shared) WriterProgress;
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::close(ready[0]);
            run(db, chat, handleId, ready[1]);
            ::_exit(1);
        }
        ::close(ready[1]);
        char byte = 0;
        m_ready = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
    }
    ~Writer()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_progress != nullptr)
            ::munmap(m_progress, sizeof(WriterProgress));
    }
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    bool isReady() const { return m_ready; }
    std::int64_t committed() const { return m_progress->committed.load(); }
    std::int64_t started() const { return m_progress->started.load(); }

private:
    void run(const fs::path &db, std::int64_t chat, std::int64_t handleId, int readyFd)
    {
        sqlite3 *connection = nullptr;
        if (sqlite3_open(db.c_str(), &connection) != SQLITE_OK)
            return;
        // Messages' own checkpoint interval of 1,000 pages: at this pace the log restarts every
        // few hundred messages, now and then while a reader copies it.
        sqlite3_exec(connection, "PRAGMA synchronous=OFF; PRAGMA wal_autocheckpoint=1000;", nullptr, nullptr, nullptr);
        sqlite3_busy_timeout(connection, 5000);
        sqlite3_stmt *message = nullptr;
        sqlite3_stmt *join = nullptr;
        sqlite3_prepare_v2(
            connection,
            "INSERT INTO message(guid, text, date, handle_id, is_from_me) VALUES (?1, ?2, ?3, ?4, ?1 % 3 = 0)", -1,
            &message, nullptr);
        sqlite3_prepare_v2(connection,
                           "INSERT INTO chat_message_join(chat_id, message_id) VALUES (?1, last_insert_rowid())", -1,
                           &join, nullptr);
        for (std::int64_t n = 1;; ++n) {
            m_progress->started.store(n);
            const std::string text = "message " + std::to_string(n);
            sqlite3_exec(connection, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            sqlite3_bind_int64(message, 1, n);
            sqlite3_bind_text(message, 2, text.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int64(message, 3, testsupport::appleNanoseconds(1700000000 + n));
            sqlite3_bind_int64(message, 4, handleId);
            sqlite3_bind_int64(join, 1, chat);
            if (sqlite3_step(message) != SQLITE_DONE || sqlite3_step(join) != SQLITE_DONE
                || sqlite3_exec(connection, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
                return;
            sqlite3_reset(message);
            sqlite3_reset(join);
            m_progress->committed.store(n);
            if (n == 20) {
                [[maybe_unused]] const auto written = ::write(readyFd, "r", 1);
            }
            ::usleep(500);
        }
    }

    WriterProgress *m_progress = nullptr;
    pid_t m_pid = -1;
    bool m_ready = false;
};

// The number after `"key": ` in a JSON text, or -1.
std::int64_t jsonInteger(const std::string &json, const std::string &key)
{
    const std::string marker = "\"" + key + "\": ";
    const auto at = json.find(marker);
    if (at == std::string::npos)
        return -1;
    return std::atoll(json.c_str() + at + marker.size());
}

// Checks that an export's blocks are messages 1..n in order, each once; returns n, or -1 with
// `problem` set.
std::int64_t unbrokenRun(const std::string &text, std::string &problem)
{
    std::int64_t expected = 1;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto end = text.find("\n\n", at);
        if (end == std::string::npos) {
            problem = "unterminated block";
            return -1;
        }
        const std::string block = text.substr(at, end - at);
        const auto body = block.rfind('\n');
        if (block.substr(body + 1) != "message " + std::to_string(expected)) {
            problem = "block " + std::to_string(expected) + " is " + block;
            return -1;
        }
        ++expected;
        at = end + 2;
    }
    return expected - 1;
}

// One list and one export through the command line; the report is
// "<listed count> <exported count> <unbroken run>" or the failure.
int listAndExport(const fs::path &db, const fs::path &out, std::string &report)
{
    std::ostringstream listOut;
    std::ostringstream listErr;
    if (cli::run({"list", "--db", db.string(), "--json"}, listOut, listErr) != cli::Success) {
        report = "list failed: " + listErr.str();
        return 1;
    }
    std::ostringstream exportOut;
    std::ostringstream exportErr;
    if (cli::run({"export", "--db", db.string(), "--id", conversationId, "--out", out.string(), "--json"}, exportOut,
                 exportErr)
        != cli::Success) {
        report = "export failed: " + exportErr.str();
        return 1;
    }
    const std::string json = exportOut.str();
    const auto pathStart = json.find("\"path\": \"") + 9;
    const fs::path written = json.substr(pathStart, json.find('"', pathStart) - pathStart);
    std::string problem;
    const std::int64_t run = unbrokenRun(testsupport::readFile(written), problem);
    fs::remove(written);
    report = std::to_string(jsonInteger(listOut.str(), "count")) + " " + std::to_string(jsonInteger(json, "messages"))
        + " " + std::to_string(run) + " " + problem;
    return 0;
}

class LiveDatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::permissions(temp.path(), fs::perms(0755));
        fs::create_directory(folder);
        fs::create_directory(out);
        fs::permissions(out, fs::perms(0777));
        fs::create_directory(tmp);
        fs::permissions(tmp, fs::perms(0777));
        MessagesFixture fixture(db);
        handleId = fixture.addHandle(handle);
        chat = fixture.addChat(handle, 45, {handleId});
        fixture.exec("PRAGMA journal_mode=WAL;");
    }

    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(folder, fs::perms(0755), ec);
    }

    // Lists and exports `runs` times while the writer commits; every run must succeed and see an
    // unbroken run of messages, as many as were committed before it began at least and as many
    // as were begun before it ended at most.
    void exportWhileWriting(const Writer &writer, bool unprivileged, int runs)
    {
        std::int64_t fewest = -1;
        std::int64_t most = -1;
        for (int i = 0; i < runs; ++i) {
            const std::int64_t low = writer.committed();
            const auto outcome = runInChild(unprivileged, [&](std::string &report) {
                ::setenv("TMPDIR", tmp.c_str(), 1);
                return listAndExport(db, out, report);
            });
            const std::int64_t high = writer.started();

            ASSERT_EQ(outcome.status, 0) << outcome.report;
            std::istringstream fields(outcome.report);
            std::int64_t listed = -1;
            std::int64_t exported = -1;
            std::int64_t run = -1;
            fields >> listed >> exported >> run;
            EXPECT_GE(listed, low) << outcome.report;
            EXPECT_GE(exported, listed) << outcome.report;
            EXPECT_LE(exported, high) << outcome.report;
            EXPECT_EQ(run, exported) << outcome.report;
            fewest = fewest < 0 ? exported : std::min(fewest, exported);
            most = std::max(most, exported);
        }
        std::cout << runs << " lists and exports while the writer committed; " << fewest << " to " << most
                  << " messages exported, each an unbroken run\n";
    }

    TempDir temp;
    fs::path folder = temp / "Messages";
    fs::path db = folder / "chat.db";
    fs::path out = temp / "Downloads";
    fs::path tmp = temp / "tmp";
    std::int64_t handleId = 0;
    std::int64_t chat = 0;
};

} // namespace

TEST_F(LiveDatabaseTest, EveryExportInPlaceIsAConsistentSnapshot)
{
    const Writer writer(db, chat, handleId);
    ASSERT_TRUE(writer.isReady());

    exportWhileWriting(writer, false, 25);
}

TEST_F(LiveDatabaseTest, EveryExportByAReaderWhoCannotWriteIsAConsistentSnapshot)
{
    const Writer writer(db, chat, handleId);
    ASSERT_TRUE(writer.isReady());
    // The reader can read the -shm the writer holds, but neither write it nor create anything in
    // the folder.
    fs::permissions(folder / "chat.db-shm", fs::perms(0644));
    fs::permissions(folder, fs::perms(0555));

    exportWhileWriting(writer, true, 25);

    EXPECT_TRUE(fs::is_empty(tmp));
}
