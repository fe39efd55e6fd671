#pragma once

#include "store/messages_store.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace catalogue
{

using ChatRowMap = std::unordered_map<std::int64_t, store::MessagesStore::ChatRow>;

// Every chat of the database with its participants' handles, its number of countable messages
// and the raw dates of its first and last one, keyed by the chat's ROWID: three statements for
// the whole database, whatever its size. Fails when a statement cannot be prepared, or when the
// database reports an error part-way through (a partial map would mean wrong counts).
[[nodiscard]] common::Result<ChatRowMap, store::SQLiteDB::Failure> chatRows(store::MessagesStore &store);

enum class JoinRows {
    All,
    InRange, // only the chat_message_join rows whose ROWID lies between ?1 and ?2 (inclusive)
};

// The statement that counts the countable messages of every chat and finds the raw dates of its
// first and last one: one row per chat (chat_id, COUNT, MIN(date), MAX(date)). Counts over
// disjoint ranges of join rows add up, and their dates combine by MIN and MAX, to the whole.
[[nodiscard]] std::string countQuery(JoinRows joinRows);

// The chats and their participants only (the first two statements), with every count and date
// left at 0: cheap, whatever the number of messages.
[[nodiscard]] common::Result<ChatRowMap, store::SQLiteDB::Failure> chatRowsWithoutCounts(store::MessagesStore &store);

// Fills in the counts and dates of the given chats of `rows` with the same filter as chatRows,
// reading only those chats' messages.
[[nodiscard]] common::Result<void, store::SQLiteDB::Failure>
countChats(store::MessagesStore &store, ChatRowMap &rows, const std::vector<std::int64_t> &chats);

} // namespace catalogue
