// `qgen stamp`, run as the built program on SQLite files (and, for a batch
// refused at its commit, on PostgreSQL): the keys it inserts, the table it
// creates, its batches, and the failures a user can cause.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "dataaccess/Database.h"
#include "tests/support/QgenProcess.h"
#include "tests/support/TestSupport.h"

namespace qgen {
namespace {

struct StampRun {
  int status = -1;
  std::vector<std::string> lines;  // standard output
  std::string err;
};

StampRun Stamp(const std::string& db, const std::vector<std::string>& args) {
  std::vector<std::string> command = {"stamp", "--db", db};
  command.insert(command.end(), args.begin(), args.end());
  const test::QgenOutcome outcome = test::QgenProcess::Run(command);
  return {outcome.status, test::Lines(outcome.out), outcome.err};
}

std::int64_t Rows(TDatabase& db, const std::string& table) {
  return db.Query("SELECT COUNT(*) FROM " + db.QuoteIdentifier(table)).at(0).at(0).ToInt64();
}

TEST(StampCommand, CreatesTheTableAndInsertsRecordsWithDistinctKeys) {
  test::TempDir dir;
  const std::string path = dir.File("keys.db");
  const StampRun created =
      Stamp(path, {"--create", "--table", "orders", "--field", "id", "-n", "50"});
  ASSERT_EQ(created.status, 0) << created.err;
  ASSERT_EQ(created.lines.size(), 50u);
  for (const std::string& key : created.lines) {
    ASSERT_EQ(key.size(), 17u) << key;
    ASSERT_EQ(key.find_first_not_of("0123456789"), std::string::npos) << key;
  }
  EXPECT_EQ(std::set<std::string>(created.lines.begin(), created.lines.end()).size(), 50u);
  EXPECT_TRUE(std::is_sorted(created.lines.begin(), created.lines.end()));

  const StampRun suffixed =
      Stamp(path, {"--table", "orders", "--field", "ID", "-n", "3", "--suffix", "-K1"});
  ASSERT_EQ(suffixed.status, 0) << suffixed.err;
  ASSERT_EQ(suffixed.lines.size(), 3u);
  for (const std::string& key : suffixed.lines)
    EXPECT_EQ(key.substr(17), "-K1");

  TDatabase db(nullptr);
  db.SetURI(path);
  db.Open();
  const auto columns = db.Columns("orders");
  ASSERT_EQ(columns.size(), 1u);
  EXPECT_EQ(columns[0].name, "id");
  EXPECT_EQ(columns[0].type, ftString);
  EXPECT_TRUE(columns[0].primary_key);
  EXPECT_EQ(Rows(db, "orders"), 53);
  EXPECT_EQ(db.Query("SELECT id FROM orders ORDER BY rowid DESC LIMIT 1").at(0).at(0).ToString(),
            suffixed.lines.back());
}

TEST(StampCommand, NamesAreQuotedNotPastedIntoSql) {
  test::TempDir dir;
  const std::string path = dir.File("keys.db");
  const std::string table = "odd \"name\"; DROP TABLE x; --";
  const StampRun run =
      Stamp(path, {"--create", "--table", table, "--field", "key of it", "-n", "2"});
  ASSERT_EQ(run.status, 0) << run.err;
  TDatabase db(nullptr);
  db.SetURI(path);
  db.Open();
  EXPECT_EQ(Rows(db, table), 2);
}

TEST(StampCommand, FailuresAreClearAndInsertNothing) {
  test::TempDir dir;
  const std::string path = dir.File("keys.db");
  {
    TDatabase db(nullptr);
    db.SetURI(path);
    db.Open();
    db.Execute("CREATE TABLE t (narrow VARCHAR(10), wide VARCHAR(20), qty INTEGER, price REAL)");
  }
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{"--table", "missing", "--field", "id"},
       "Table 'missing' does not exist in " + path + "; create it, or pass --create"},
      {{"--table", "t", "--field", "nope"},
       "Table 't' has no field 'nope' (its fields: narrow, wide, qty, price)"},
      {{"--table", "t", "--field", "narrow"},
       "Field 'narrow' of table 't' cannot take the key: it holds 10 characters, and the key "
       "needs 17."},
      {{"--table", "t", "--field", "wide", "--suffix", "-STORE"},
       "cannot take the key: it holds 20 characters, and the key needs 23."},
      {{"--table", "t", "--field", "qty"},
       "Field 'qty' of table 't' cannot take the key: it is of type INTEGER"},
      {{"--table", "t", "--field", "price"}, "cannot take the key: it is of type REAL"},
  };
  for (const Case& c : cases) {
    const StampRun run = Stamp(path, c.args);
    EXPECT_EQ(run.status, 1) << c.message;
    EXPECT_TRUE(run.lines.empty());
    EXPECT_NE(run.err.find("qgen: error: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  TDatabase db(nullptr);
  db.SetURI(path);
  db.Open();
  EXPECT_EQ(Rows(db, "t"), 0);
  EXPECT_FALSE(db.TableExists("missing"));
  // A key that fits after all: the wide field without a suffix.
  EXPECT_EQ(Stamp(path, {"--table", "t", "--field", "wide"}).lines.size(), 1u);
}

// The keys of the rows of `table`, in the order they were inserted.
std::vector<std::string> StoredKeys(TDatabase& db, const std::string& table, const char* order) {
  std::vector<std::string> keys;
  for (const auto& row :
       db.Query("SELECT id FROM " + db.QuoteIdentifier(table) + " ORDER BY " + order))
    keys.push_back(row.at(0).ToString());
  return keys;
}

TEST(StampCommand, BatchesCommitWholeAndOnlyCommittedKeysArePrinted) {
  struct Case {
    int count;
    int batch;
    int room;  // rows the table takes before its trigger refuses; 0: no limit
    std::size_t printed;
    std::vector<std::string> message;
  };
  const Case cases[] = {
      {12, 5, 0, 12, {}},
      {12, 500, 0, 12, {}},
      {12,
       5,
       7,
       5,
       {"Record 8 of 12 was not inserted: ", "table is full",
        "Its batch (records 6 to 10 of 12) was rolled back. 5 records were committed before "
        "it; theirs are the keys printed."}},
      {12,
       5,
       2,
       0,
       {"Record 3 of 12 was not inserted: ",
        "Its batch (records 1 to 5 of 12) was rolled back. "
        "Nothing was committed, and no key was printed."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("count " + std::to_string(c.count) + ", batch " + std::to_string(c.batch) +
                 ", room " + std::to_string(c.room));
    test::TempDir dir;
    const std::string path = dir.File("keys.db");
    TDatabase db(nullptr);
    db.SetURI(path);
    db.Open();
    db.Execute("CREATE TABLE t (id VARCHAR(30) NOT NULL PRIMARY KEY)");
    if (c.room > 0) {
      db.Execute("CREATE TRIGGER room BEFORE INSERT ON t WHEN (SELECT COUNT(*) FROM t) >= " +
                 std::to_string(c.room) + " BEGIN SELECT RAISE(ABORT, 'table is full'); END");
    }
    const StampRun run = Stamp(path, {"--table", "t", "--field", "id", "-n",
                                      std::to_string(c.count), "--batch", std::to_string(c.batch)});
    EXPECT_EQ(run.status, c.message.empty() ? 0 : 1) << run.err;
    for (const std::string& part : c.message)
      EXPECT_NE(run.err.find(part), std::string::npos) << run.err;
    // Every key printed is in the table, and nothing else is.
    EXPECT_EQ(run.lines.size(), c.printed);
    EXPECT_EQ(StoredKeys(db, "t", "rowid"), run.lines);
    EXPECT_EQ(std::set<std::string>(run.lines.begin(), run.lines.end()).size(), c.printed);
  }

  test::TempDir dir;
  const StampRun zero =
      Stamp(dir.File("keys.db"), {"--create", "--table", "t", "--field", "id", "--batch", "0"});
  EXPECT_NE(zero.status, 0);
  EXPECT_NE(zero.err.find("--batch"), std::string::npos) << zero.err;
}

// On PostgreSQL a deferred check refuses the second batch at its commit: none
// of that batch's keys may have been printed.
TEST(StampCommand, BatchRefusedAtCommitPrintsNoneOfItsKeys) {
  QGEN_REQUIRE_POSTGRES();
  TDatabase db(nullptr);
  db.SetURI(test::PostgresUri());
  db.Open();
  const std::string table = "stamp_commit_" + std::to_string(getpid());
  const std::string quoted = db.QuoteIdentifier(table);
  db.Execute("DROP TABLE IF EXISTS " + quoted + " CASCADE");
  db.Execute("CREATE TABLE " + quoted + " (id varchar(30) NOT NULL PRIMARY KEY)");
  db.Execute("CREATE OR REPLACE FUNCTION " + db.QuoteIdentifier(table + "_room") +
             "() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF (SELECT COUNT(*) FROM " + quoted +
             ") > 7 THEN RAISE EXCEPTION 'table is full'; END IF; RETURN NULL; END $$");
  db.Execute("CREATE CONSTRAINT TRIGGER room AFTER INSERT ON " + quoted +
             " DEFERRABLE INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION " +
             db.QuoteIdentifier(table + "_room") + "()");

  const StampRun run =
      Stamp(test::PostgresUri(), {"--table", table, "--field", "id", "-n", "12", "--batch", "5"});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("The batch of records 6 to 10 of 12 could not be committed: "),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("table is full"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("5 records were committed before it"), std::string::npos) << run.err;
  EXPECT_EQ(run.lines.size(), 5u);
  std::vector<std::string> stored = StoredKeys(db, table, "id");
  EXPECT_EQ(stored, run.lines);  // keys of one run sort in the order they were made
  db.Execute("DROP TABLE " + quoted + " CASCADE");
  db.Execute("DROP FUNCTION " + db.QuoteIdentifier(table + "_room") + "()");
}

}  // namespace
}  // namespace qgen
