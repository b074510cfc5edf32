// Databases for tests: one way to open a database or set up a table by URI,
// and a private PostgreSQL schema that goes away with the test.
#pragma once

#include <memory>
#include <string>

#include "dataaccess/Database.h"
#include "dataaccess/Table.h"

namespace qgen::test {

// A new connection to `uri` (an SQLite path or a postgresql:// URI), opened;
// owned by the caller. Raises EDatabaseError when it cannot be opened.
std::unique_ptr<TDatabase> OpenDatabase(const std::string& uri);

// A table `name` of `database`, set up but not opened (so that components
// attached to it see it open); owned by the caller, freed before `database`.
std::unique_ptr<TTable> NewTable(TDatabase& database, const std::string& name);

// A schema of its own on the private PostgreSQL server (PostgresUri(), which
// must be set: call QGEN_REQUIRE_POSTGRES first), dropped with everything in
// it when destroyed. Raises EDatabaseError when the server refuses it.
class PostgresSchema {
 public:
  PostgresSchema();
  PostgresSchema(const PostgresSchema&) = delete;
  PostgresSchema& operator=(const PostgresSchema&) = delete;
  ~PostgresSchema();

  // The server's URI with this schema first on the search path, so that
  // unqualified tables are created and found in it.
  const std::string& Uri() const { return uri_; }

 private:
  std::string name_;  // unique in this process and among processes
  std::string uri_;
};

}  // namespace qgen::test
