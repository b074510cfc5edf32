// The SQLite backend of Connection: one database file shared by several
// processes, in WAL mode with full sync, a busy timeout for the write lock and
// a cache of prepared statements keyed by their SQL text.
#pragma once

#include <memory>
#include <string>

#include "dataaccess/Connection.h"

namespace qgen {

// Opens (creating when missing) the SQLite file at `path`. Raises
// EDatabaseError saying what failed and what to check: a missing directory, a
// read-only file, a file that is not a database.
std::unique_ptr<Connection> OpenSqliteConnection(const std::string& path, int busy_timeout_ms);

}  // namespace qgen
