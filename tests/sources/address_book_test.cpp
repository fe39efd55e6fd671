#include "sources/address_book.h"

#include "backup/backup_writer.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

backup::AddressBookPerson person(std::string first, std::string last)
{
    backup::AddressBookPerson p;
    p.first = std::move(first);
    p.last = std::move(last);
    p.guid = p.last + p.first;
    return p;
}

} // namespace

TEST(ReadAddressBook, PutsTheFamilyNameFirstInNamesOfEastAsianScriptsOnly)
{
    const testsupport::TempDir dir;
    const auto file = dir / "AddressBook.sqlitedb";
    std::vector<backup::AddressBookPerson> people{
        person("霞锋", "雷"),  person("민준", "김"),    person("花子", "山田"),   person("タロー", "ヤマダ"),
        person("霞锋", "Lee"), person(" 霞锋 ", "雷 "), person("Maya", "Okafor"),
    };
    people[6].prefix = "Dr.";
    ASSERT_FALSE(backup::writeAddressBook(file, people).has_value());
    auto db = store::SQLiteDB::open(file);
    ASSERT_TRUE(db.has_value());

    const auto read = sources::readAddressBook(*db);

    ASSERT_TRUE(read.has_value());
    std::vector<std::string> names;
    for (const auto &record : *read)
        names.push_back(record.formattedName.value_or("-"));
    EXPECT_EQ(names,
              (std::vector<std::string>{"雷霞锋", "김민준", "山田花子", "ヤマダタロー", "霞锋 Lee", "雷霞锋",
                                        "Dr. Maya Okafor"}));
}
