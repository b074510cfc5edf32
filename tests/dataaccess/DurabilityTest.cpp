// A value that the generator has returned must survive a power cut: the
// connections that TDatabase opens commit durably by default (SQLite in WAL
// mode with synchronous=FULL; PostgreSQL with synchronous_commit on and fsync
// on), whatever a faster setting would gain.
#include <gtest/gtest.h>

#include <string>

#include "dataaccess/Database.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

std::string Setting(TDatabase& database, const std::string& query) {
  return database.Query(query).at(0).at(0).ToString();
}

TEST(Durability, SqliteCommitsAreSyncedToDiskInWalMode) {
  TempDir dir;
  TDatabase database(nullptr);
  database.SetURI(dir.path() + "/durable.db");
  database.Open();
  EXPECT_EQ(Setting(database, "PRAGMA journal_mode"), "wal");
  EXPECT_EQ(Setting(database, "PRAGMA synchronous"), "2");  // FULL
}

TEST(Durability, PostgresCommitsWaitForTheWriteAheadLog) {
  QGEN_REQUIRE_POSTGRES();
  TDatabase database(nullptr);
  database.SetURI(PostgresUri());
  database.Open();
  EXPECT_EQ(Setting(database, "SHOW synchronous_commit"), "on");
  EXPECT_EQ(Setting(database, "SHOW fsync"), "on");
}

}  // namespace
}  // namespace qgen::test
