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

// The statement of chatRows that counts the countable messages of every chat and finds the raw
// dates of its first and last one: a row (chat_id, COUNT, MIN(date), MAX(date)) per chat.
[[nodiscard]] std::string countQuery(const store::MessagesStore &store);

// The rows that statement aggregates, for those chat_message_join rows whose ROWID lies between
// ?1 and ?2 (inclusive): (chat_id, date) of each countable message. Ranges that together cover
// every ROWID give every such row once, so their counts add up, and their dates combine by MIN
// and MAX, to what countQuery gives.
[[nodiscard]] std::string countedRowsQuery(const store::MessagesStore &store);

// The chats and their participants only (the first two statements), with every count and date
// left at 0: cheap, whatever the number of messages.
[[nodiscard]] common::Result<ChatRowMap, store::SQLiteDB::Failure> chatRowsWithoutCounts(store::MessagesStore &store);

// Fills in the counts and dates of every chat of `rows` with countQuery, as chatRows does.
[[nodiscard]] common::Result<void, store::SQLiteDB::Failure> countAllChats(store::MessagesStore &store,
                                                                           ChatRowMap &rows);

// Fills in the counts and dates of the given chats of `rows` with the same filter as chatRows,
// reading only those chats' messages.
[[nodiscard]] common::Result<void, store::SQLiteDB::Failure>
countChats(store::MessagesStore &store, ChatRowMap &rows, const std::vector<std::int64_t> &chats);

} // namespace catalogue
