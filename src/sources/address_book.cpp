#include "sources/address_book.h"

#include "common/text.h"
#include "contacts/person_name.h"
#include "store/table_check.h"

#include <array>
#include <set>
#include <string>
#include <unordered_map>

namespace sources
{

namespace
{

constexpr std::int64_t phoneProperty = 3;
constexpr std::int64_t emailProperty = 4;
constexpr std::int64_t companyKind = 1;

// In the order the query selects them, after ROWID.
constexpr std::array<const char *, 9> personColumns{"Prefix",       "First", "Middle",   "Last", "Suffix",
                                                    "Organization", "Kind",  "Nickname", "guid"};

std::set<std::string> columnsOf(store::SQLiteDB &db, const std::string &table)
{
    std::set<std::string> names;
    (void)db.execute("PRAGMA table_info(" + table + ")", {}, [&](const store::Statement &row) {
        names.insert(row.text(1));
        return store::RowFlow::Continue;
    });
    return names;
}

} // namespace

common::Result<std::vector<contacts::ContactRecord>, store::SQLiteDB::Failure> readAddressBook(store::SQLiteDB &db)
{
    if (auto tables = store::requireTables(db, {"ABPerson", "ABMultiValue"}); !tables)
        return common::failure(std::move(tables.error()));
    const auto present = columnsOf(db, "ABPerson");
    std::string sql = "SELECT ROWID";
    for (const char *column : personColumns)
        sql += present.contains(column) ? std::string(", ") + column : std::string(", NULL");
    sql += " FROM ABPerson ORDER BY ROWID";

    std::vector<contacts::ContactRecord> records;
    std::unordered_map<std::int64_t, std::size_t> byRow;
    auto people = db.execute(sql, {}, [&](const store::Statement &row) {
        contacts::ContactRecord record;
        const std::int64_t rowId = row.integer(0);
        const auto part = [&](int column) {
            return std::vector<std::string>{common::trimWhiteSpaceAndNewlines(row.text(column))};
        };
        std::string name = contacts::nameFromParts({part(1), part(2), part(3), part(4), part(5)});
        record.organization = row.text(6);
        if (row.integer(7) == companyKind && !record.organization.empty())
            name = record.organization;
        if (!name.empty())
            record.formattedName = std::move(name);
        record.nickname = row.text(8);
        record.identifier = row.text(9);
        if (record.identifier.empty())
            record.identifier = "ab-" + std::to_string(rowId);
        byRow.emplace(rowId, records.size());
        records.push_back(std::move(record));
        return store::RowFlow::Continue;
    });
    RETURN_IF_FAILED(people);

    // An address book without the multi-value table has names without numbers.
    (void)db.execute("SELECT record_id, property, value FROM ABMultiValue WHERE property IN (?1, ?2) "
                     "AND value IS NOT NULL ORDER BY record_id, UID",
                     {phoneProperty, emailProperty}, [&](const store::Statement &row) {
                         const auto found = byRow.find(row.integer(0));
                         if (found == byRow.end())
                             return store::RowFlow::Continue;
                         auto &record = records[found->second];
                         (row.integer(1) == phoneProperty ? record.phones : record.emails).push_back(row.text(2));
                         return store::RowFlow::Continue;
                     });
    return records;
}

} // namespace sources
