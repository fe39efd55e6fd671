#include "store/table_check.h"

namespace store
{

common::Result<void, SQLiteDB::Failure> requireTables(SQLiteDB &db, std::initializer_list<std::string_view> names)
{
    for (const std::string_view name : names) {
        std::string type;
        // Names are compared as SQLite compares them, without regard to case.
        auto read =
            db.execute("SELECT type FROM sqlite_master WHERE name = ?1 COLLATE NOCASE AND type IN ('table', 'view')",
                       {std::string(name)}, [&](const Statement &row) {
                           type = row.text(0);
                           return RowFlow::Stop;
                       });
        if (!read)
            return read;
        if (type.empty())
            return common::failure(SQLiteDB::Failure::prepare(std::string(name) + " is missing"));
        if (type != "table")
            return common::failure(SQLiteDB::Failure::prepare(std::string(name) + " is a " + type + ", not a table"));
    }
    return {};
}

} // namespace store
