// `qgen stamp`, run as the built program on SQLite files (and, for a batch
// refused at its commit, on PostgreSQL): the keys it inserts, the table it
// creates, its batches, and the failures a user can cause.
#include <set>
#include <string>
#include <vector>

#include "tests/support/QgenProcess.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

// Runs `qgen stamp --db DB ARGS`: exit status, keys printed, standard error.
std::tuple<int, std::vector<std::string>, std::string> Stamp(const std::string& db,
                                                             std::vector<std::string> args) {
  args.insert(args.begin(), {"stamp", "--db", db});
  const QgenOutcome outcome = QgenProcess::Run(args);
  return {outcome.status, Lines(outcome.out), outcome.err};
}

// The keys in table `t`, in the order given.
std::vector<std::string> StoredKeys(TDatabase& db, const std::string& table, const char* order) {
  std::vector<std::string> keys;
  for (const auto& row :
       db.Query("SELECT * FROM " + db.QuoteIdentifier(table) + " ORDER BY " + order))
    keys.push_back(row.at(0).ToString());
  return keys;
}

TEST(StampCommand, CreatesTheTableInsertsRecordsWithDistinctKeysAndRefusesClearly) {
  TempDir dir;
  const std::string path = dir.File("keys.db");
  const std::string table = "odd \"name\"; DROP TABLE x; --";  // quoted, never pasted into SQL
  auto [status, keys, err] =
      Stamp(path, {"--create", "--table", table, "--field", "id", "-n", "50"});
  ASSERT_EQ(status, 0) << err;
  EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), 50u);
  auto [_, suffixed, err2] =
      Stamp(path, {"--table", table, "--field", "ID", "-n", "3", "--suffix", "-K1"});
  for (const std::string& key : suffixed)
    EXPECT_EQ(key.substr(17), "-K1") << err2;

  auto db = OpenDatabase(path);
  EXPECT_TRUE(db->Columns(table).at(0).primary_key);
  keys.insert(keys.end(), suffixed.begin(), suffixed.end());
  EXPECT_EQ(StoredKeys(*db, table, "rowid"), keys);

  // Failures a user can cause are clear and insert nothing.
  db->Execute("CREATE TABLE t (wide VARCHAR(20), qty INTEGER)");
  const Refusals cases = {
      {{"stamp", "--db", path, "--table", "missing", "--field", "id"},
       "Table 'missing' does not exist in " + path + "; create it, or pass --create"},
      {{"stamp", "--db", path, "--table", "t", "--field", "nope"},
       "Table 't' has no field 'nope' (its fields: wide, qty)"},
      {{"stamp", "--db", path, "--table", "t", "--field", "wide", "--suffix", "-STORE"},
       "holds 20 characters, and the key needs 23."},
      {{"stamp", "--db", path, "--table", "t", "--field", "qty"},
       "Field 'qty' of table 't' cannot take the key: it is of type INTEGER"},
  };
  ExpectRefused(cases);
  EXPECT_EQ(db->Query("SELECT COUNT(*) FROM t").at(0).at(0).ToInt64(), 0);
  EXPECT_FALSE(db->TableExists("missing"));
}

// A trigger lets the table take `room` rows: a batch that fails is rolled back
// whole, and every key printed is in the table, and nothing else is.
TEST(StampCommand, BatchesCommitWholeAndOnlyCommittedKeysArePrinted) {
  const std::vector<std::tuple<int, int, std::size_t, std::string>> cases = {
      {5, 99, 12, ""},
      {5, 7, 5,
       "Record 8 of 12 was not inserted: .*table is full\\. Its batch \\(records 6 to 10 of "
       "12\\) was rolled back\\. 5 records were committed before it; theirs are the keys"},
      {5, 2, 0,
       "Record 3 of 12 was not inserted: .*table is full\\. Its batch \\(records 1 to 5 of "
       "12\\) was rolled back\\. Nothing was committed, and no key was printed\\."},
  };
  for (const auto& [batch, room, printed, message] : cases) {
    SCOPED_TRACE("batch " + std::to_string(batch) + ", room " + std::to_string(room));
    TempDir dir;
    auto db = OpenDatabase(dir.File("keys.db"));
    db->Execute("CREATE TABLE t (id VARCHAR(30) NOT NULL PRIMARY KEY)");
    db->Execute("CREATE TRIGGER room BEFORE INSERT ON t WHEN (SELECT COUNT(*) FROM t) >= " +
                std::to_string(room) + " BEGIN SELECT RAISE(ABORT, 'table is full'); END");
    const auto [status, keys, err] =
        Stamp(dir.File("keys.db"),
              {"--table", "t", "--field", "id", "-n", "12", "--batch", std::to_string(batch)});
    EXPECT_EQ(status, message.empty() ? 0 : 1);
    EXPECT_THAT(err, ::testing::ContainsRegex(message));
    EXPECT_EQ(keys.size(), printed);
    EXPECT_EQ(StoredKeys(*db, "t", "rowid"), keys);
  }
}

// On PostgreSQL a deferred check refuses the second batch at its commit: none
// of that batch's keys may have been printed.
TEST(StampCommand, BatchRefusedAtCommitPrintsNoneOfItsKeys) {
  QGEN_REQUIRE_POSTGRES();
  PostgresSchema schema;
  auto db = OpenDatabase(schema.Uri());
  db->Execute("CREATE TABLE t (id varchar(30) NOT NULL PRIMARY KEY)");
  db->Execute(
      "CREATE FUNCTION room() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF (SELECT COUNT(*) "
      "FROM t) > 7 THEN RAISE EXCEPTION 'table is full'; END IF; RETURN NULL; END $$");
  db->Execute(
      "CREATE CONSTRAINT TRIGGER room AFTER INSERT ON t DEFERRABLE INITIALLY DEFERRED FOR EACH "
      "ROW EXECUTE FUNCTION room()");
  const auto [status, keys, err] =
      Stamp(schema.Uri(), {"--table", "t", "--field", "id", "-n", "12", "--batch", "5"});
  EXPECT_EQ(status, 1);
  EXPECT_THAT(err, ::testing::ContainsRegex("The batch of records 6 to 10 of 12 could not be "
                                            "committed: .*table is full.*\\. 5 records were "
                                            "committed before it"));
  EXPECT_EQ(keys.size(), 5u);
  EXPECT_EQ(StoredKeys(*db, "t", "id"), keys);  // keys of one run sort in the order made
}

}  // namespace
}  // namespace qgen::test
