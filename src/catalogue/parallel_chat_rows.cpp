#include "catalogue/parallel_chat_rows.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace catalogue
{

using store::SQLiteDB;

namespace
{

// However sparse the ROWIDs, no more ranges than this: each costs a statement.
constexpr std::uint64_t maxRanges = 4096;

// What one connection found of one chat over the ranges it read: each message is counted here,
// in a hash map, rather than grouped by SQLite, whose sorter would cost more than the rows.
struct Partial {
    std::int64_t count = 0;
    std::optional<std::int64_t> first;
    std::optional<std::int64_t> last;
};
using Partials = std::unordered_map<std::int64_t, Partial>;

// Counts one row (chat_id, date) of countedRowsQuery; SQLite's MIN and MAX skip NULL. False for a
// chat_id or a date that is not an integer: SQLite groups and orders such values by rules of
// their own (NULL apart, text above every number), which only its own statement gives exactly.
bool add(Partials &partials, const store::Statement &row)
{
    if (!row.isInteger(0) || !(row.isNull(1) || row.isInteger(1)))
        return false;
    Partial &chat = partials[row.integer(0)];
    ++chat.count;
    if (row.isNull(1))
        return true;
    const std::int64_t date = row.integer(1);
    if (!chat.first || date < *chat.first)
        chat.first = date;
    if (!chat.last || date > *chat.last)
        chat.last = date;
    return true;
}

// The work all connections share: the ranges, handed out one at a time, and the first failure.
class Ranges
{
public:
    Ranges(std::string sql, std::int64_t low, std::int64_t high, std::uint64_t width, std::uint64_t count)
        : m_sql(std::move(sql))
        , m_low(low)
        , m_high(high)
        , m_width(width)
        , m_count(count)
    {
    }

    // Counts ranges on `db` until none is left or any connection failed.
    void countOn(SQLiteDB &db, Partials &partials)
    {
        // An empty range first: a connection that cannot run the count fails the read even when
        // the others leave it no range.
        auto checked = db.execute(m_sql, {std::int64_t{1}, std::int64_t{0}}, [](const store::Statement &) {
            return store::RowFlow::Continue;
        });
        if (!checked) {
            fail(std::move(checked.error()));
            return;
        }
        for (;;) {
            if (m_failed.load(std::memory_order_relaxed))
                return;
            const std::uint64_t index = m_next.fetch_add(1, std::memory_order_relaxed);
            if (index >= m_count)
                return;
            // Two's complement arithmetic: a span of the whole 64-bit range does not overflow.
            const auto from = static_cast<std::int64_t>(static_cast<std::uint64_t>(m_low) + index * m_width);
            const std::int64_t to = index + 1 == m_count
                ? m_high
                : static_cast<std::int64_t>(static_cast<std::uint64_t>(from) + m_width - 1);
            auto counted = db.execute(m_sql, {from, to}, [&](const store::Statement &row) {
                if (add(partials, row))
                    return store::RowFlow::Continue;
                m_odd.store(true, std::memory_order_relaxed);
                m_failed.store(true, std::memory_order_relaxed); // no range is worth reading now
                return store::RowFlow::Stop;
            });
            if (!counted) {
                fail(std::move(counted.error()));
                return;
            }
        }
    }

    void fail(SQLiteDB::Failure failure)
    {
        const std::lock_guard lock(m_mutex);
        if (!m_failure)
            m_failure = std::move(failure);
        m_failed.store(true, std::memory_order_relaxed);
    }

    // The first failure of any connection; only after every connection has stopped.
    std::optional<SQLiteDB::Failure> &failure() { return m_failure; }
    // True when a row could not be counted here; only after every connection has stopped.
    [[nodiscard]] bool foundOdd() const { return m_odd.load(std::memory_order_relaxed); }

private:
    const std::string m_sql; // countedRowsQuery
    const std::int64_t m_low;
    const std::int64_t m_high;
    const std::uint64_t m_width;
    const std::uint64_t m_count;
    std::atomic<std::uint64_t> m_next{0};
    std::atomic<bool> m_failed{false};
    std::atomic<bool> m_odd{false};
    std::mutex m_mutex;
    std::optional<SQLiteDB::Failure> m_failure;
};

struct Bounds {
    std::int64_t low = 0;
    std::int64_t high = 0;
};

// The smallest and largest ROWID of chat_message_join, or nothing when it has no rows; a table
// without ROWIDs (or none at all) fails.
common::Result<std::optional<Bounds>, SQLiteDB::Failure> joinRowBounds(SQLiteDB &db)
{
    std::optional<Bounds> bounds;
    auto read =
        db.execute("SELECT MIN(ROWID), MAX(ROWID) FROM chat_message_join", {}, [&](const store::Statement &row) {
            if (!row.isNull(0) && !row.isNull(1))
                bounds = Bounds{row.integer(0), row.integer(1)};
            return store::RowFlow::Continue;
        });
    RETURN_IF_FAILED(read);
    return bounds;
}

// Sets every chat's count and dates from what the connections found.
void merge(const std::vector<Partials> &found, ChatRowMap &rows)
{
    std::unordered_map<std::int64_t, Partial> whole;
    for (const Partials &partials : found) {
        for (const auto &[chat, partial] : partials) {
            Partial &merged = whole[chat];
            merged.count += partial.count;
            if (partial.first && (!merged.first || *partial.first < *merged.first))
                merged.first = partial.first;
            if (partial.last && (!merged.last || *partial.last > *merged.last))
                merged.last = partial.last;
        }
    }
    for (const auto &[chat, merged] : whole) {
        const auto row = rows.find(chat);
        if (row == rows.end())
            continue;
        row->second.count = merged.count;
        row->second.first = merged.first.value_or(0);
        row->second.last = merged.last.value_or(0);
    }
}

} // namespace

ConnectionPlan defaultConnectionPlan()
{
    ConnectionPlan plan;
    plan.connections = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, maxConnections);
    return plan;
}

ConnectionOpener anotherConnection()
{
    return [](store::MessagesStore &store) {
        return store.db().openAnother();
    };
}

common::Result<ChatRowMap, SQLiteDB::Failure>
chatRowsInParallel(store::MessagesStore &store, const ConnectionOpener &openMore, const ConnectionPlan &plan)
{
    if (plan.connections < 1 || !store.db().canOpenAnother())
        return chatRows(store);
    auto bounds = joinRowBounds(store.db());
    // Without bounds the one statement of chatRows reports the failure, or finds nothing to count.
    if (!bounds || !*bounds)
        return chatRows(store);
    const std::uint64_t span = static_cast<std::uint64_t>((*bounds)->high) - static_cast<std::uint64_t>((*bounds)->low);
    const auto rangeRows = static_cast<std::uint64_t>(std::max<std::int64_t>(plan.rangeRows, 1));
    if (span < static_cast<std::uint64_t>(std::max<std::int64_t>(plan.minimumRows, 0)))
        return chatRows(store);
    const std::uint64_t width = std::max(rangeRows, span / maxRanges + 1);
    const std::uint64_t count = span / width + 1;
    Ranges ranges(countedRowsQuery(store), (*bounds)->low, (*bounds)->high, width, count);

    const std::uint64_t wanted = openMore ? static_cast<std::uint64_t>(plan.connections - 1) : 0;
    const auto others = static_cast<std::size_t>(std::min(wanted, count));
    std::vector<Partials> found(others + 1);
    common::Result<ChatRowMap, SQLiteDB::Failure> rows = ChatRowMap{};
    {
        std::vector<std::jthread> workers;
        try {
            for (std::size_t i = 0; i < others; ++i) {
                workers.emplace_back([&, i] {
                    auto db = openMore(store);
                    if (!db)
                        ranges.fail(std::move(db.error()));
                    else
                        ranges.countOn(*db, found[i + 1]);
                });
            }
        } catch (const std::system_error &) {
            // No thread to be had: the connections already running, and this one, count every range.
        }
        rows = chatRowsWithoutCounts(store);
        if (!rows)
            ranges.fail(std::move(rows.error()));
        else
            ranges.countOn(store.db(), found[0]);
    } // every worker has stopped here
    if (auto &failure = ranges.failure())
        return common::failure(std::move(*failure));
    if (ranges.foundOdd()) {
        // A database that stores values where Messages stores none: one statement counts it all.
        auto counted = countAllChats(store, *rows);
        RETURN_IF_FAILED(counted);
        return rows;
    }
    merge(found, *rows);
    return rows;
}

} // namespace catalogue
