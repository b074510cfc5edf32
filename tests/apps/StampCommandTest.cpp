// `qgen stamp`, run as the built program on SQLite files: the keys it inserts,
// the table it creates, and the failures a user can cause.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dataaccess/Database.h"
#include "tests/support/TestSupport.h"

namespace qgen {
namespace {

struct StampRun {
  int status = -1;
  std::vector<std::string> lines;  // standard output
  std::string err;
};

std::string Quoted(const std::string& arg) {
  std::string quoted = "'";
  for (const char c : arg)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

StampRun Stamp(const std::string& db, const std::vector<std::string>& args) {
  test::TempDir out;
  std::string command = Quoted(test::BinaryDir() + "/apps/qgen/qgen") + " stamp --db " + Quoted(db);
  for (const auto& arg : args)
    command += " " + Quoted(arg);
  command += " >" + Quoted(out.File("out")) + " 2>" + Quoted(out.File("err"));
  const int raw = std::system(command.c_str());
  StampRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream lines(out.File("out"));
  for (std::string line; std::getline(lines, line);)
    run.lines.push_back(line);
  std::ifstream err(out.File("err"));
  run.err.assign(std::istreambuf_iterator<char>(err), {});
  return run;
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

}  // namespace
}  // namespace qgen
