#pragma once

#include "store/sqlite_db.h"

#include <initializer_list>
#include <string_view>

namespace store
{

// Makes sure each of `names` is a table of the database's schema, not a view (which a hostile
// file can define over a query without end) or missing. Fails with Prepare, saying which name is
// what ("Files is a view, not a table"), or with the failure of reading the schema.
[[nodiscard]] common::Result<void, SQLiteDB::Failure> requireTables(SQLiteDB &db,
                                                                    std::initializer_list<std::string_view> names);

} // namespace store
