#include "catalogue/chat_rows.h"

#include <string>

namespace catalogue {

using store::RowFlow;
using store::Statement;

common::Result<ChatRowMap, store::SQLiteDB::Failure> chatRows(store::MessagesStore &store)
{
    ChatRowMap rows;

    auto chats = store.db().execute(
        "SELECT ROWID, COALESCE(chat_identifier, ''), COALESCE(display_name, ''), COALESCE(style, 0) FROM chat",
        {},
        [&](const Statement &row) {
            store::MessagesStore::ChatRow chat;
            chat.identifier = row.text(1);
            chat.name = row.text(2);
            chat.style = row.integer(3);
            rows.insert_or_assign(row.integer(0), std::move(chat));
            return RowFlow::Continue;
        });
    if (!chats)
        return common::failure(std::move(chats.error()));

    auto participants = store.db().execute(
        "SELECT j.chat_id, h.id FROM chat_handle_join j JOIN handle h ON h.ROWID = j.handle_id",
        {},
        [&](const Statement &row) {
            if (row.isNull(1))
                return RowFlow::Continue;
            const auto chat = rows.find(row.integer(0));
            if (chat != rows.end())
                chat->second.handles.push_back(row.text(1));
            return RowFlow::Continue;
        });
    if (!participants)
        return common::failure(std::move(participants.error()));

    std::string countSql = "SELECT cmj.chat_id, COUNT(*), MIN(m.date), MAX(m.date)\n"
                           "FROM chat_message_join cmj JOIN message m ON m.ROWID = cmj.message_id\n"
                           "WHERE ";
    countSql += store::countableMessageFilter;
    countSql += "\nGROUP BY cmj.chat_id";
    auto counts = store.db().execute(countSql, {}, [&](const Statement &row) {
        const auto chat = rows.find(row.integer(0));
        if (chat != rows.end()) {
            chat->second.count = row.integer(1);
            chat->second.first = row.integer(2);
            chat->second.last = row.integer(3);
        }
        return RowFlow::Continue;
    });
    if (!counts)
        return common::failure(std::move(counts.error()));

    return rows;
}

} // namespace catalogue
