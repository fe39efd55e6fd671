#include "store/statement_guard.h"

#include <sqlite3.h>

#include <atomic>
#include <utility>

namespace store
{

namespace
{

// Virtual machine steps between two checks: a few thousand checks a second of a busy statement.
constexpr int progressSteps = 10'000;

std::atomic<bool> stopping{false};
static_assert(std::atomic<bool>::is_always_lock_free);

thread_local std::stop_token cancel;
thread_local std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();

int onProgress(void *) noexcept
{
    if (stopping.load(std::memory_order_relaxed) || cancel.stop_requested())
        return 1;
    return std::chrono::steady_clock::now() > deadline ? 1 : 0;
}

} // namespace

void stopAllStatements() noexcept
{
    stopping.store(true, std::memory_order_relaxed);
}

StatementCancelScope::StatementCancelScope(std::stop_token stop)
    : m_previous(std::exchange(cancel, std::move(stop)))
{
}

StatementCancelScope::~StatementCancelScope()
{
    cancel = std::move(m_previous);
}

void startStatementClock()
{
    deadline = std::chrono::steady_clock::now() + statementDeadline;
}

int guardConnection(sqlite3 *db)
{
    int rc = SQLITE_OK;
    for (const auto &[option, value] :
         {std::pair{SQLITE_DBCONFIG_ENABLE_VIEW, 0}, std::pair{SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0},
          std::pair{SQLITE_DBCONFIG_DEFENSIVE, 1}}) {
        if (rc == SQLITE_OK)
            rc = sqlite3_db_config(db, option, value, nullptr);
    }
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "PRAGMA cell_size_check=ON", nullptr, nullptr, nullptr);
    sqlite3_progress_handler(db, progressSteps, onProgress, nullptr);
    return rc;
}

} // namespace store
