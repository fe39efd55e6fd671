// Whether a database is live decides how it is read: another process's connection is found by
// its locks, a -shm nobody holds is not live, and a read during which the files change or a
// writer appears is discarded and done again.
#include "store/live_database.h"
#include "store/messages_store.h"

#include "support/messages_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

using store::MessagesStore;
using testsupport::MessagesFixture;
using testsupport::TempDir;

namespace
{

namespace fs = std::filesystem;

// Another process that opens the database, runs `sql` and keeps its connection open until the
// object goes (or, with `stay` false, closes it and leaves at once).
class OtherConnection
{
public:
    OtherConnection(const fs::path &db, const std::string &sql, bool stay = true)
    {
        int ready[2];
        int release[2];
        if (::pipe(ready) != 0 || ::pipe(release) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::close(ready[0]);
            ::close(release[1]);
            sqlite3 *connection = nullptr;
            const bool ran = sqlite3_open(db.c_str(), &connection) == SQLITE_OK
                && sqlite3_exec(connection, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
            if (ran && stay) {
                [[maybe_unused]] const auto written = ::write(ready[1], "r", 1);
                char byte = 0;
                [[maybe_unused]] const auto got = ::read(release[0], &byte, 1); // until the parent lets go
            }
            sqlite3_close(connection);
            if (ran && !stay) {
                [[maybe_unused]] const auto written = ::write(ready[1], "r", 1);
            }
            ::_exit(ran ? 0 : 1);
        }
        ::close(ready[1]);
        ::close(release[0]);
        m_release = release[1];
        char byte = 0;
        m_ready = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        if (!stay)
            leave();
    }
    ~OtherConnection() { leave(); }
    OtherConnection(const OtherConnection &) = delete;
    OtherConnection &operator=(const OtherConnection &) = delete;

    [[nodiscard]] bool ran() const { return m_ready; }

    void leave()
    {
        if (m_release >= 0)
            ::close(std::exchange(m_release, -1));
        if (m_pid > 0)
            ::waitpid(std::exchange(m_pid, -1), nullptr, 0);
    }

private:
    pid_t m_pid = -1;
    int m_release = -1;
    bool m_ready = false;
};

constexpr const char *addMessage = "INSERT INTO message (guid, text, date) VALUES ('other', 'late', 1);";

std::int64_t messageCount(MessagesStore &store)
{
    std::int64_t count = -1;
    (void)store.db().execute("SELECT COUNT(*) FROM message", {}, [&](const store::Statement &row) {
        count = row.integer(0);
        return store::RowFlow::Continue;
    });
    return count;
}

class LiveDatabaseTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MessagesFixture fixture(db);
        fixture.addMessage({}, {{"text", "one"}});
        fixture.addMessage({}, {{"text", "two"}});
        fixture.close(); // leaves the -wal and a -shm that nobody holds
    }

    TempDir dir;
    fs::path db = dir / "chat.db";
};

} // namespace

TEST_F(LiveDatabaseTest, AnOpenConnectionIsLiveAndALeftOverShmIsNot)
{
    ASSERT_TRUE(fs::exists(db.native() + "-shm"));
    EXPECT_FALSE(store::hasLiveConnection(db));

    OtherConnection reader(db, "SELECT COUNT(*) FROM message;");
    ASSERT_TRUE(reader.ran());
    EXPECT_TRUE(store::hasLiveConnection(db));
    auto shared = MessagesStore::open(db);
    ASSERT_TRUE(shared.has_value());
    EXPECT_FALSE(shared->readsPrivately());
    EXPECT_EQ(messageCount(*shared), 2);

    // Once the other process has gone, this process's own shared connection keeps the database
    // live: a probe would drop that connection's locks.
    reader.leave();
    EXPECT_TRUE(store::hasLiveConnection(db));
    auto another = MessagesStore::open(db);
    ASSERT_TRUE(another.has_value());
    EXPECT_FALSE(another->readsPrivately());
    shared = common::failure(store::SQLiteDB::Failure::open(0, "closed"));
    another = common::failure(store::SQLiteDB::Failure::open(0, "closed"));
    EXPECT_FALSE(store::hasLiveConnection(db));

    auto plain = MessagesStore::open(db);
    ASSERT_TRUE(plain.has_value());
    EXPECT_TRUE(plain->readsPrivately());
}

TEST_F(LiveDatabaseTest, AReadDuringWhichAWriterAppearsIsRedoneThroughTheSharedPath)
{
    auto opened = MessagesStore::open(db);
    ASSERT_TRUE(opened.has_value());
    ASSERT_TRUE(opened->readsPrivately());
    std::optional<OtherConnection> writer;
    int reads = 0;

    const auto counted =
        opened->readConsistently([&](MessagesStore &store) -> common::Result<std::int64_t, store::SQLiteDB::Failure> {
            ++reads;
            const std::int64_t count = messageCount(store);
            if (!writer)
                writer.emplace(db, addMessage);
            return count;
        });

    ASSERT_TRUE(writer->ran());
    ASSERT_TRUE(counted.has_value());
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(*counted, 3);
    EXPECT_FALSE(opened->readsPrivately());
}

TEST_F(LiveDatabaseTest, AReadDuringWhichTheFilesChangedIsRedoneThroughTheVfs)
{
    auto opened = MessagesStore::open(db);
    ASSERT_TRUE(opened.has_value());
    int reads = 0;

    const auto counted =
        opened->readConsistently([&](MessagesStore &store) -> common::Result<std::int64_t, store::SQLiteDB::Failure> {
            ++reads;
            const std::int64_t count = messageCount(store);
            if (reads == 1) {
                const OtherConnection writer(db, addMessage, false); // commits, checkpoints and goes
                EXPECT_TRUE(writer.ran());
            }
            return count;
        });

    ASSERT_TRUE(counted.has_value());
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(*counted, 3);
    EXPECT_TRUE(opened->readsPrivately());
}
