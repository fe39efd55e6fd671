#pragma once

#include "contacts/contact_record.h"
#include "store/sqlite_db.h"

#include <vector>

namespace sources
{

// The people of a phone's address book database (AddressBook.sqlitedb), in the order it stores
// them, as the contact records the contacts index is built from:
// - the name is built from Prefix, First, Middle, Last and Suffix, each trimmed, by
//   contacts::nameFromParts; for a company card (Kind 1) with an Organization, the organisation;
// - nickname and organisation are passed on for the index's own fallbacks;
// - phone numbers and e-mail addresses are the person's multi-values of property 3 and 4;
// - the identifier is the person's guid where there is one, else "ab-" and its ROWID.
// Columns that an older address book lacks read as empty. Fails when ABPerson cannot be read, and
// when ABPerson or ABMultiValue is not a table.
[[nodiscard]] common::Result<std::vector<contacts::ContactRecord>, store::SQLiteDB::Failure>
readAddressBook(store::SQLiteDB &db);

} // namespace sources
