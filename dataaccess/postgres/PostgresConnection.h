// The PostgreSQL backend of Connection, through libpq: a server that several
// machines share. Text travels as UTF-8; statements are prepared once per SQL
// text and reused; a lost connection is re-established on the next statement.
#pragma once

#include <memory>
#include <string>

#include "dataaccess/Connection.h"

namespace qgen {

// Connects to the server named by `uri` ("postgresql://user@host:port/db?...").
// Raises EDatabaseError with the server's reason and what to check (server
// down, wrong password, no such database).
std::unique_ptr<Connection> OpenPostgresConnection(const std::string& uri, int busy_timeout_ms);

// Replaces the "?" placeholders of `sql` by $1, $2, ... outside quoted text
// and quoted identifiers; `count` receives how many there were.
std::string NumberPlaceholders(const std::string& sql, int& count);

}  // namespace qgen
