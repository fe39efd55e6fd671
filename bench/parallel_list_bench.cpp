// The conversation list read on several connections at once, against the floor of one connection:
// the three catalogue statements one after the other on one store of the same source (same
// process, same VFS). For each history (1M and 2M messages over many chats, and 1M of which one
// chat holds 60 %), as a database file, a backup and an encrypted backup: the floor, today's list
// (one statement on one connection), the ranges on 1, 2 and 4 connections; wall and CPU time, the median of
// several rounds that alternate between the ways; then the peak memory of one list in a fresh
// process (its own VmHWM), and what a large -wal costs each connection.
#include "bench_support.h"

#include "backup/backup_writer.h"
#include "catalogue/chat_rows.h"
#include "catalogue/conversations.h"
#include "demo/demo_history.h"
#include "sources/encrypted_backup.h"

#include <sqlite3.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>

namespace
{

constexpr int rounds = 3;

struct History {
    std::string name;
    std::int64_t chats = 0;
    std::int64_t messages = 0;
    std::int64_t largest = 0;
};

const std::vector<History> &histories()
{
    static const std::vector<History> all{
        {"spread-1m", 5000, 1'000'000, 0},
        {"spread-2m", 5000, 2'000'000, 0},
        {"one-chat-1m", 2500, 1'000'000, 600'000},
    };
    return all;
}

enum class Kind {
    Database,
    Backup,
    Encrypted,
};
const char *nameOf(Kind kind)
{
    return kind == Kind::Database ? "database" : kind == Kind::Backup ? "backup" : "encrypted backup";
}

std::filesystem::path fileOf(const History &history)
{
    return bench::dataDir() / (history.name + ".db");
}
std::filesystem::path folderOf(const History &history, Kind kind)
{
    return bench::dataDir() / (history.name + (kind == Kind::Backup ? "-backup" : "-encrypted"));
}

void generate(const History &history)
{
    const auto file = fileOf(history);
    if (std::filesystem::exists(folderOf(history, Kind::Encrypted) / "Manifest.db"))
        return;
    std::printf("generating %s and its two backups (once)...\n", file.filename().c_str());
    std::fflush(stdout);
    demo::LargeHistory options;
    options.chats = history.chats;
    options.messages = history.messages;
    options.largestConversation = history.largest;
    if (auto failed = demo::writeLargeHistory(file, options))
        bench::fail(*failed);
    if (auto failed = backup::writeBackup(folderOf(history, Kind::Backup), {file, std::nullopt, std::nullopt}))
        bench::fail(*failed);
    // Few key-derivation rounds: unlocking is not what is measured here.
    backup::BackupOptions encrypted;
    encrypted.encryption = backup::Encryption{};
    if (auto failed =
            backup::writeBackup(folderOf(history, Kind::Encrypted), {file, std::nullopt, std::nullopt}, encrypted))
        bench::fail(*failed);
}

sources::MessageSource sourceOf(const History &history, Kind kind)
{
    if (kind == Kind::Encrypted) {
        auto source =
            sources::unlockBackup(sources::readBackupInfo(folderOf(history, kind)), backup::Encryption{}.password);
        if (!source)
            bench::fail("cannot unlock " + folderOf(history, kind).string());
        return *source;
    }
    auto source = sources::openSource(kind == Kind::Database ? fileOf(history) : folderOf(history, kind));
    if (!source)
        bench::fail("cannot open " + history.name);
    return *source;
}

std::string floorQueries()
{
    return "SELECT ROWID, COALESCE(chat_identifier, ''), COALESCE(display_name, ''), COALESCE(style, 0) FROM chat";
}

// The floor: the three statements on one fresh store, each row's columns read and dropped.
void runFloor(const sources::MessageSource &source)
{
    auto store = bench::storeOf(source);
    std::int64_t sum = 0;
    for (const std::string &sql :
         {floorQueries(),
          std::string("SELECT j.chat_id, h.id FROM chat_handle_join j JOIN handle h ON h.ROWID = "
                      "j.handle_id"),
          catalogue::countQuery(store)}) {
        auto ran = store.db().execute(sql, {}, [&](const store::Statement &row) {
            sum += row.integer(0) + static_cast<std::int64_t>(row.textView(1).size());
            return store::RowFlow::Continue;
        });
        if (!ran)
            bench::fail(store::describe(ran.error()));
    }
    if (sum == 42)
        std::printf(" ");
}

std::size_t runList(const sources::MessageSource &source, int connections, std::int64_t minimumRows = 100'000)
{
    auto store = bench::storeOf(source);
    catalogue::ConnectionPlan plan;
    plan.connections = connections;
    plan.minimumRows = minimumRows;
    auto list = catalogue::loadConversations(store, catalogue::anotherConnection(), {}, plan);
    if (!list)
        bench::fail(store::describe(list.error()));
    return list->size();
}

// A threshold no history reaches: today's one count statement.
constexpr std::int64_t unsplit = std::numeric_limits<std::int64_t>::max();

struct Figures {
    std::vector<double> wall;
    std::vector<double> cpu;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string cell(const Figures &figures)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f/%.3f", median(figures.wall), median(figures.cpu));
    return text;
}

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void timeInto(Figures &figures, const std::function<void()> &work)
{
    const double cpu = bench::processCpuSeconds();
    const double start = now();
    work();
    figures.wall.push_back(now() - start);
    figures.cpu.push_back(bench::processCpuSeconds() - cpu);
}

double loadAverage()
{
    double load[1] = {0};
    return getloadavg(load, 1) == 1 ? load[0] : -1;
}

// A child run of this program: one list of one source, for its peak memory.
int child(char **argv)
{
    const History *history = nullptr;
    for (const auto &candidate : histories())
        if (candidate.name == argv[2])
            history = &candidate;
    const Kind kind = static_cast<Kind>(std::atoi(argv[3]));
    const auto source = sourceOf(*history, kind);
    (void)runList(source, std::atoi(argv[4]), std::atoll(argv[5]));
    // This process's own peak (VmHWM): the resident set the parent's rusage would report starts
    // at the parent's size, since a fork copies it.
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            std::printf("%lld\n", std::atoll(line.c_str() + 6) * 1024);
    return 0;
}

std::int64_t
peakOf(const char *self, const History &history, Kind kind, int connections, std::int64_t minimumRows = 100'000)
{
    std::int64_t peak = 0;
    for (int i = 0; i < 3; ++i)
        peak = std::max<std::int64_t>(
            peak,
            std::atoll(bench::runProcess({self, "--child", history.name, std::to_string(static_cast<int>(kind)),
                                          std::to_string(connections), std::to_string(minimumRows)},
                                         "", true)
                           .output.c_str()));
    return peak;
}

// A copy of a history with half its messages rewritten into a -wal that is not
// checkpointed: each connection through the VFS indexes that log when it opens.
std::filesystem::path withLargeLog(const History &history)
{
    const auto copy = bench::dataDir() / (history.name + "-large-wal.db");
    if (std::filesystem::exists(copy.native() + "-wal"))
        return copy;
    std::filesystem::copy_file(fileOf(history), copy, std::filesystem::copy_options::overwrite_existing);
    sqlite3 *db = nullptr;
    sqlite3_open(copy.c_str(), &db);
    const char *sql = "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
                      "UPDATE message SET date_read = date_read + 1 WHERE ROWID % 2 = 0;";
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        bench::fail(sqlite3_errmsg(db));
    // A copy of the files as they are, before the close would checkpoint the log.
    std::filesystem::copy_file(copy.native() + "-wal", copy.native() + "-wal.kept",
                               std::filesystem::copy_options::overwrite_existing);
    sqlite3_close(db);
    std::filesystem::rename(copy.native() + "-wal.kept", copy.native() + "-wal");
    std::filesystem::copy_file(fileOf(history), copy, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::remove(copy.native() + "-shm");
    return copy;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 6 && std::strcmp(argv[1], "--child") == 0)
        return child(argv);
    for (const auto &history : histories())
        generate(history);

    std::printf("load average before: %.2f (2 cores shared with other builds)\n", loadAverage());
    std::printf("median of %d rounds, each round running every way once in turn; wall / CPU (user + system) s\n",
                rounds);
    std::printf("%-13s %-17s %13s %13s %13s %13s %13s  %s\n", "history", "source", "floor", "today", "ranges 1",
                "ranges 2", "ranges 4", "ranges 2 / floor (wall, cpu)");
    std::map<std::string, std::size_t> listed;
    for (const auto &history : histories()) {
        for (const Kind kind : {Kind::Database, Kind::Backup, Kind::Encrypted}) {
            const auto source = sourceOf(history, kind);
            Figures floor;
            Figures today;
            std::vector<Figures> ranges(3);
            for (int round = 0; round < rounds; ++round) {
                timeInto(floor, [&] {
                    runFloor(source);
                });
                timeInto(today, [&] {
                    listed[history.name] = runList(source, 1, unsplit);
                });
                for (int i = 0; i < 3; ++i)
                    timeInto(ranges[i], [&] {
                        (void)runList(source, 1 << i);
                    });
            }
            std::printf("%-13s %-17s %13s %13s %13s %13s %13s  %.2fx, %.2fx\n", history.name.c_str(), nameOf(kind),
                        cell(floor).c_str(), cell(today).c_str(), cell(ranges[0]).c_str(), cell(ranges[1]).c_str(),
                        cell(ranges[2]).c_str(), median(ranges[1].wall) / median(floor.wall),
                        median(ranges[1].cpu) / median(floor.cpu));
            std::fflush(stdout);
        }
    }
    std::printf("conversations listed:");
    for (const auto &[name, count] : listed)
        std::printf(" %s %zu", name.c_str(), count);
    std::printf("\nload average after: %.2f\n", loadAverage());

    std::printf("\npeak memory of one list in a fresh process (largest of 3; its VmHWM, the peak resident set):\n");
    for (const auto &history : histories()) {
        for (const Kind kind : {Kind::Database, Kind::Encrypted}) {
            const auto one = peakOf(argv[0], history, kind, 1, unsplit);
            const auto two = peakOf(argv[0], history, kind, 2);
            std::printf("  %-13s %-17s today %.1f MB, ranges 2 %.1f MB (%+.1f MB)\n", history.name.c_str(),
                        nameOf(kind), static_cast<double>(one) / 1e6, static_cast<double>(two) / 1e6,
                        static_cast<double>(two - one) / 1e6);
        }
    }

    // Where splitting starts to pay: small database files, with the threshold set aside.
    std::printf("\nsmall databases (files), median wall / CPU s: today, ranges on 1 and on 2 connections\n");
    for (const std::int64_t messages : {10'000, 30'000, 100'000, 300'000}) {
        const History small{"small-" + std::to_string(messages / 1000) + "k", messages / 200 + 10, messages, 0};
        if (!std::filesystem::exists(fileOf(small))) {
            demo::LargeHistory options;
            options.chats = small.chats;
            options.messages = small.messages;
            if (auto failed = demo::writeLargeHistory(fileOf(small), options))
                bench::fail(*failed);
        }
        auto source = sources::openSource(fileOf(small));
        if (!source)
            bench::fail("cannot open " + small.name);
        std::vector<Figures> ways(3);
        for (int round = 0; round < rounds * 2; ++round) {
            timeInto(ways[0], [&] {
                (void)runList(*source, 1, unsplit);
            });
            timeInto(ways[1], [&] {
                (void)runList(*source, 1, 0);
            });
            timeInto(ways[2], [&] {
                (void)runList(*source, 2, 0);
            });
        }
        std::printf("  %7lld messages: %s  %s  %s\n", static_cast<long long>(messages), cell(ways[0]).c_str(),
                    cell(ways[1]).c_str(), cell(ways[2]).c_str());
    }

    const auto logged = withLargeLog(histories().front());
    auto source = sources::openSource(logged);
    if (!source)
        bench::fail("cannot open " + logged.string());
    auto store = bench::storeOf(*source);
    const double opens = bench::bestSeconds(rounds, [&] {
        auto another = store.db().openAnother();
        if (!another)
            bench::fail(store::describe(another.error()));
    });
    Figures today;
    Figures two;
    for (int round = 0; round < rounds; ++round) {
        timeInto(today, [&] {
            (void)runList(*source, 1, unsplit);
        });
        timeInto(two, [&] {
            (void)runList(*source, 2);
        });
    }
    std::printf("\nlarge -wal (%s, -wal of %.0f MB): opening one more connection %.3f s (best of %d); "
                "list today %.3f s, ranges 2 %.3f s (median wall)\n",
                logged.filename().c_str(),
                static_cast<double>(std::filesystem::file_size(logged.native() + "-wal")) / 1e6, opens, rounds,
                median(today.wall), median(two.wall));
    return 0;
}
