#include "store/messages_store.h"

namespace store
{

common::Result<MessagesStore, SQLiteDB::Failure> MessagesStore::open(const std::filesystem::path &path)
{
    auto db = SQLiteDB::open(path);
    if (!db)
        return common::failure(std::move(db.error()));
    return over(std::move(*db));
}

MessagesStore MessagesStore::over(SQLiteDB db)
{
    MessagesStore store(std::move(db));
    store.m_hasRetracted = store.hasColumn("message", "date_retracted");
    store.m_hasEdited = store.hasColumn("message", "date_edited");
    return store;
}

bool MessagesStore::hasColumn(std::string_view table, std::string_view column)
{
    // The table name goes in verbatim: callers pass constants only.
    const std::string sql = "PRAGMA table_info(" + std::string(table) + ")";
    bool found = false;
    // A failed prepare leaves `found` false; a failed step keeps what was seen before it.
    (void)m_db.execute(sql, {}, [&](const Statement &row) {
        if (!row.isNull(1) && row.textView(1) == column)
            found = true;
        return RowFlow::Continue;
    });
    return found;
}

} // namespace store
