#pragma once

#include <chrono>
#include <stop_token>

struct sqlite3;

namespace store
{

// How long one statement may run before it is ended as a hostile database's endless query. The
// whole conversation list of a history of 2,000,000 messages in 5,000 chats (three statements)
// takes 4.8 s of CPU here, 17 s of wall time on a busy machine; a statement that runs many times
// that is no history.
inline constexpr std::chrono::seconds statementDeadline{300};

// Ends every statement on every connection soon (within SQLite's next progress check): for a
// program that is being stopped. Safe to call from a signal handler.
void stopAllStatements() noexcept;

// While it lives, statements run on this thread end soon after `stop` is requested: for work the
// user has left. Scopes nest; the innermost one counts.
class StatementCancelScope
{
public:
    explicit StatementCancelScope(std::stop_token stop);
    ~StatementCancelScope();
    StatementCancelScope(const StatementCancelScope &) = delete;
    StatementCancelScope &operator=(const StatementCancelScope &) = delete;

private:
    std::stop_token m_previous;
};

// Turns on SQLite's own guards for a connection to a database from anywhere: views refused,
// functions of the schema limited to innocuous ones, the schema unwritable, every cell's size
// checked, and a progress handler that ends a statement on a stop (above) or past its deadline.
// Returns SQLite's result code.
int guardConnection(sqlite3 *db);

// Starts a statement's deadline on this thread; called before a statement's first step.
void startStatementClock();

} // namespace store
