#pragma once

#include "catalogue/chat_rows.h"

#include <cstdint>
#include <functional>

namespace catalogue
{

// How the count of one load may be shared out among connections to the same database.
struct ConnectionPlan {
    // Connections reading at once, the store's own among them.
    int connections = 1;
    // Below this many join rows (by the span of their ROWIDs) the store's connection reads alone
    // with the one count statement of chatRows: opening another connection and starting a
    // thread then costs more than it saves.
    std::int64_t minimumRows = 100'000;
    // Join rows per range handed to a connection: small enough that the connections finish
    // together, large enough that each range's statement costs little beside its rows.
    std::int64_t rangeRows = 65'536;
};

// The plan for this machine: one connection per core, at most maxConnections.
[[nodiscard]] ConnectionPlan defaultConnectionPlan();
inline constexpr int maxConnections = 4;

// A further connection to the store's database, called on the thread that will use it.
using ConnectionOpener =
    std::function<common::Result<store::SQLiteDB, store::SQLiteDB::Failure>(store::MessagesStore &store)>;

// The store's own connection opened again (SQLiteDB::openAnother).
[[nodiscard]] ConnectionOpener anotherConnection();

// The same map as chatRows, read on up to plan.connections connections at once: the chats and
// their participants on the store's connection while the others count, and the count split into
// ranges of join-row ROWIDs that every connection takes from one shared counter, the per-chat
// counts and date ranges of all ranges merged. Ranges read the messages in the order they are
// stored, which is faster than the one statement even on one connection (a plan of one). The
// one statement of chatRows reads when the database is small, and when the store's connection
// cannot be opened again (a live database read through SQLite's shared path: its statements,
// and further connections, would see different moments of it). A failure of any connection,
// opening included, fails the whole read.
[[nodiscard]] common::Result<ChatRowMap, store::SQLiteDB::Failure>
chatRowsInParallel(store::MessagesStore &store, const ConnectionOpener &openMore, const ConnectionPlan &plan);

} // namespace catalogue
