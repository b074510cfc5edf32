// The generator table as the qgen tool makes and checks it: seven columns of
// the kinds the generator component checks when it opens the table, keyed by
// (GenID, Prefix). Used by `qgen init`, and by subcommands that create the
// table when it is missing.
#pragma once

#include <string>
#include <vector>

#include "dataaccess/Database.h"

namespace qgen::tool {

// The table name the tool uses unless --table says otherwise.
inline constexpr const char* kDefaultGeneratorTable = "GENTBL";

// What keeps the existing table `table` from being a generator table, one line
// per column (a missing column, a column of another kind, a string column too
// narrow for the values written into it) and one for the primary key. Empty
// when the format is right. `table` is engine text, as TTable takes it; the
// database must be open. Raises EDatabaseError when the table does not exist.
std::vector<std::string> CheckGeneratorTable(TDatabase& database, const std::string& table);

// Creates the generator table `table` when it is missing, opening the
// database if needed. Returns true when it was created, false when a table of
// the right format was there already (and is left as it is). A table of that
// name in another format is never changed: raises qgen::Exception whose text
// lists every difference, column by column. Database failures raise
// EDatabaseError. Safe when several programs create the table at once.
bool EnsureGeneratorTable(TDatabase& database, const std::string& table = kDefaultGeneratorTable);

}  // namespace qgen::tool
