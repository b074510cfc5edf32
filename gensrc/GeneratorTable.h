// The generator table's schema: creates the table that TGenerator draws from
// (seven columns of the kinds its InitDB check accepts, keyed by (GenID,
// Prefix)) and reports, column by column, what keeps an existing table from
// being one. Programs call EnsureGeneratorTable before their first value; the
// qgen tool, the load driver and the designer use it the same way. Call from
// the thread that uses the database.
#pragma once

#include <string>
#include <vector>

#include "dataaccess/Database.h"

namespace qgen {

// The table name used unless a program names another.
inline constexpr const char* kDefaultGeneratorTable = "GENTBL";

// What keeps the existing table `table` from being a generator table, one line
// per column (a missing column, a column of another kind, a string column too
// narrow for the values written into it) and one for the primary key. Empty
// when the format is right. `table` is engine text, as TTable takes it; the
// database must be open. Raises EDatabaseError when the table does not exist.
std::vector<std::string> CheckGeneratorTable(TDatabase& database, const std::string& table);

// True when the table `table` (engine text) has a unique key on GenID and
// Prefix (a primary key or a unique index on those columns, or on one of
// them), so that two programs cannot both insert the first row of one
// sequence. Raises EDatabaseError when the catalog cannot be read.
bool HasUniqueSequenceKey(TDatabase& database, const std::string& table);

// Creates the generator table `table` when it is missing, opening the
// database if needed. Returns true when it was created, false when a table of
// the right format was there already (and is left as it is). A table of that
// name in another format is never changed: raises qgen::Exception whose text
// lists every difference, column by column. Database failures raise
// EDatabaseError. Safe when several programs create the table at once.
bool EnsureGeneratorTable(TDatabase& database, const std::string& table = kDefaultGeneratorTable);

}  // namespace qgen
