// `qgen init` and `qgen show`, run as the built program on SQLite files
// (the concurrency tests run init on PostgreSQL): creating the generator table, leaving a good
// one alone, reporting a table of another format, and listing the rows.
#include <string>
#include <vector>

#include "tests/support/QgenProcess.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

TEST(InitShow, CreatesTheTableOnceAndListsItsRows) {
  TempDir dir;
  auto qgen = [&](const std::vector<std::string>& args) {
    const QgenOutcome r = QgenProcess::Run(args, {.cwd = dir.path()});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  };
  EXPECT_EQ(qgen({"init"}), "Created generator table GENTBL in qgen.db.\n");
  EXPECT_EQ(qgen({"show"}), "Generator table GENTBL in qgen.db has no rows yet.\n");

  auto database = OpenDatabase(dir.File("qgen.db"));
  database->Execute(
      "INSERT INTO GENTBL VALUES (12, 'INV-', '0042', '20261204112806123', 0, 0, "
      "'20261204110000001'), (3, ?, 'A7', '20261204235959999', 4, 1, '20261204110000002')",
      {"\xD0\x96-"});  // a Cyrillic letter, in UTF-8 as the database holds it
  EXPECT_EQ(qgen({"show"}),
            "Generator table GENTBL in qgen.db: 2 rows\n"
            "Type  Prefix  Last value  State  Waits  Last writer        Last time\n"
            "   3  Ж-      A7          busy       4  20261204110000002  2026-12-04 23:59:59.999\n"
            "  12  INV-    0042        free       0  20261204110000001  2026-12-04 11:28:06.123\n");

  // A second init changes nothing (SQLite names ignore case).
  const auto schema = database->Query("SELECT sql FROM sqlite_master")[0][0].ToString();
  EXPECT_EQ(qgen({"init", "--table", "gentbl"}),
            "Generator table gentbl in qgen.db is already there; nothing changed.\n");
  EXPECT_EQ(database->Query("SELECT sql FROM sqlite_master")[0][0].ToString(), schema);
  EXPECT_EQ(database->Query("SELECT COUNT(*) FROM GENTBL")[0][0].ToInt64(), 2);
}

TEST(InitShow, ATableOfAnotherFormatOrNoneIsReportedAndLeftAlone) {
  TempDir dir;
  const std::string ddl =
      "CREATE TABLE \"Seq\" (GenID INTEGER, Prefix VARCHAR(10), Suffix TEXT, LastTime "
      "VARCHAR(17), Try REAL, State NUMERIC(1), Extra BLOB)";
  auto database = OpenDatabase(dir.File("other.db"));
  database->Execute(ddl);
  QgenOutcome r =
      QgenProcess::Run({"init", "--db", "sqlite:other.db", "--table", "Seq"}, {.cwd = dir.path()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  for (const char* line : {"qgen: error: Table 'Seq' in other.db is not a generator table:\n",
                           "\n  GenID: INTEGER is an integer column; needs floating-point (REAL)\n",
                           "\n  Prefix: VARCHAR(10) holds 10 characters;", "\n  State: NUMERIC(1)",
                           "\n  Who: missing", "\n  primary key: none; needs (GenID, Prefix)\n"})
    EXPECT_THAT(r.err, HasSubstr(line));
  EXPECT_EQ(database->Query("SELECT sql FROM sqlite_master")[0][0].ToString(), ddl);

  r = QgenProcess::Run({"show", "--table", "nothing"}, {.cwd = dir.path()});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("'nothing' does not exist"));
  EXPECT_THAT(r.err, HasSubstr("qgen init"));
}

}  // namespace
}  // namespace qgen::test
