#include "catalogue/chat_rows.h"

#include <string>

namespace catalogue
{

using store::RowFlow;
using store::Statement;

namespace
{

// Stores the three aggregates of a count row in its chat; rows of unknown chats are ignored.
store::RowFlow applyCount(ChatRowMap &rows, const Statement &row)
{
    const auto chat = rows.find(row.integer(0));
    if (chat != rows.end()) {
        chat->second.count = row.integer(1);
        chat->second.first = row.integer(2);
        chat->second.last = row.integer(3);
    }
    return RowFlow::Continue;
}

// Each chat's ROWID, chat_identifier, display_name and style, the last three never NULL.
std::string chatQuery(const store::MessagesStore &store)
{
    using store::OptionalColumn;
    std::string sql = "SELECT ROWID, ";
    sql += store.select(OptionalColumn::ChatIdentifier);
    sql += ", ";
    sql += store.select(OptionalColumn::DisplayName);
    sql += ", ";
    sql += store.select(OptionalColumn::Style);
    sql += " FROM chat";
    return sql;
}

} // namespace

std::string countQuery(const store::MessagesStore &store)
{
    std::string sql = "SELECT cmj.chat_id, COUNT(*), MIN(m.date), MAX(m.date)\n"
                      "FROM chat_message_join cmj JOIN message m ON m.ROWID = cmj.message_id\n"
                      "WHERE ";
    sql += store.countableFilter();
    sql += "\nGROUP BY cmj.chat_id";
    return sql;
}

std::string countedRowsQuery(const store::MessagesStore &store)
{
    std::string sql = "SELECT cmj.chat_id, m.date\n"
                      "FROM chat_message_join cmj JOIN message m ON m.ROWID = cmj.message_id\n"
                      "WHERE cmj.ROWID BETWEEN ?1 AND ?2 AND ";
    sql += store.countableFilter();
    return sql;
}

common::Result<ChatRowMap, store::SQLiteDB::Failure> chatRowsWithoutCounts(store::MessagesStore &store)
{
    ChatRowMap rows;

    auto chats = store.db().execute(chatQuery(store), {}, [&](const Statement &row) {
        store::MessagesStore::ChatRow chat;
        chat.identifier = row.text(1);
        chat.name = row.text(2);
        chat.style = row.integer(3);
        rows.insert_or_assign(row.integer(0), std::move(chat));
        return RowFlow::Continue;
    });
    RETURN_IF_FAILED(chats);

    auto participants =
        store.db().execute("SELECT j.chat_id, h.id FROM chat_handle_join j JOIN handle h ON h.ROWID = j.handle_id", {},
                           [&](const Statement &row) {
                               if (row.isNull(1))
                                   return RowFlow::Continue;
                               const auto chat = rows.find(row.integer(0));
                               if (chat != rows.end())
                                   chat->second.handles.push_back(row.text(1));
                               return RowFlow::Continue;
                           });
    RETURN_IF_FAILED(participants);
    return rows;
}

common::Result<ChatRowMap, store::SQLiteDB::Failure> chatRows(store::MessagesStore &store)
{
    auto rows = chatRowsWithoutCounts(store);
    if (!rows)
        return rows;

    auto counted = countAllChats(store, *rows);
    RETURN_IF_FAILED(counted);
    return rows;
}

common::Result<void, store::SQLiteDB::Failure> countAllChats(store::MessagesStore &store, ChatRowMap &rows)
{
    return store.db().execute(countQuery(store), {}, [&](const Statement &row) {
        return applyCount(rows, row);
    });
}

common::Result<void, store::SQLiteDB::Failure>
countChats(store::MessagesStore &store, ChatRowMap &rows, const std::vector<std::int64_t> &chats)
{
    std::string countSql = "SELECT cmj.chat_id, COUNT(*), MIN(m.date), MAX(m.date)\n"
                           "FROM chat_message_join cmj JOIN message m ON m.ROWID = cmj.message_id\n"
                           "WHERE cmj.chat_id IN (";
    std::vector<store::Parameter> parameters;
    for (const std::int64_t chat : chats) {
        countSql += parameters.empty() ? "?" : ",?";
        parameters.emplace_back(chat);
    }
    countSql += ") AND ";
    countSql += store.countableFilter();
    countSql += "\nGROUP BY cmj.chat_id";
    return store.db().execute(countSql, parameters, [&](const Statement &row) {
        return applyCount(rows, row);
    });
}

} // namespace catalogue
