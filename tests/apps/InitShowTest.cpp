// `qgen init` and `qgen show`, run as the built program on SQLite files and on
// the private PostgreSQL server: creating the generator table, leaving a good
// one alone, reporting a table of another format, and listing the rows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "dataaccess/Database.h"
#include "framework/Exception.h"
#include "gensrc/GeneratorTable.h"
#include "tests/support/QgenProcess.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

// Runs qgen with `args` in the directory `cwd`.
QgenOutcome RunQgen(const std::string& cwd, const std::vector<std::string>& args) {
  return QgenProcess::Run(args, {.cwd = cwd});
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(InitShow, FreshDirectoryUsesTheSqliteDefault) {
  TempDir dir;
  QgenOutcome r = RunQgen(dir.path(), {"init"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Created generator table GENTBL in qgen.db.\n");
  EXPECT_TRUE(std::ifstream(dir.File("qgen.db")).good());

  r = RunQgen(dir.path(), {"show"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Generator table GENTBL in qgen.db has no rows yet.\n");

  TDatabase database(nullptr);
  database.SetURI(dir.File("qgen.db"));
  database.Open();
  database.Execute(
      "INSERT INTO GENTBL VALUES (12, 'INV-', '0042', '20261204112806123', 0, 0, "
      "'20261204110000001'), (3, ?, 'A7', '20261204235959999', 4, 1, '20261204110000002')",
      {"\xD0\x96-"});  // a Cyrillic letter, in UTF-8 as the database holds it
  r = RunQgen(dir.path(), {"show"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Generator table GENTBL in qgen.db: 2 rows\n"
            "Type  Prefix  Last value  State  Waits  Last writer        Last time\n"
            "   3  \xD0\x96-      A7          busy       4  20261204110000002  2026-12-04 "
            "23:59:59.999\n"
            "  12  INV-    0042        free       0  20261204110000001  2026-12-04 "
            "11:28:06.123\n");

  // A second init changes nothing: the rows stay, the table stays.
  const auto schema = database.Query("SELECT sql FROM sqlite_master")[0][0].ToString();
  r = RunQgen(dir.path(), {"init"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Generator table GENTBL in qgen.db is already there; nothing changed.\n");
  EXPECT_EQ(database.Query("SELECT sql FROM sqlite_master")[0][0].ToString(), schema);
  EXPECT_EQ(database.Query("SELECT COUNT(*) FROM GENTBL")[0][0].ToInt64(), 2);
}

TEST(InitShow, TableOfAnotherFormatIsReportedAndLeftAlone) {
  TempDir dir;
  TDatabase database(nullptr);
  database.SetURI(dir.File("other.db"));
  database.Open();
  const std::string ddl =
      "CREATE TABLE \"Seq\" (GenID INTEGER, Prefix VARCHAR(10), Suffix TEXT, LastTime "
      "VARCHAR(17), Try REAL, State NUMERIC(1), Extra BLOB)";
  database.Execute(ddl);
  const QgenOutcome r = RunQgen(dir.path(), {"init", "--db", "sqlite:other.db", "--table", "Seq"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_TRUE(Contains(r.err, "Table 'Seq' in other.db is not a generator table:\n")) << r.err;
  EXPECT_TRUE(Contains(r.err, "  GenID: INTEGER is an integer column; needs floating-point (REAL)"))
      << r.err;
  EXPECT_TRUE(Contains(r.err,
                       "  Prefix: VARCHAR(10) holds 10 characters; needs a string column "
                       "of at least 100 characters"))
      << r.err;
  EXPECT_TRUE(Contains(r.err, "  State: NUMERIC(1) is an exact numeric column")) << r.err;
  EXPECT_TRUE(Contains(r.err, "  Who: missing")) << r.err;
  EXPECT_TRUE(Contains(r.err, "  primary key: none; needs (GenID, Prefix)")) << r.err;
  EXPECT_FALSE(Contains(r.err, "Suffix")) << r.err;
  EXPECT_FALSE(Contains(r.err, "LastTime")) << r.err;
  EXPECT_EQ(database.Query("SELECT sql FROM sqlite_master")[0][0].ToString(), ddl);
}

TEST(InitShow, ShowOfAMissingTableSaysToRunInit) {
  TempDir dir;
  const QgenOutcome r = RunQgen(dir.path(), {"show", "--table", "nothing"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "'nothing' does not exist")) << r.err;
  EXPECT_TRUE(Contains(r.err, "qgen init")) << r.err;
}

// A schema of the test's own on the private server, dropped afterwards.
class PostgresSchema {
 public:
  PostgresSchema() : name_("qgen_apps" + std::to_string(getpid())) {
    admin_.SetURI(PostgresUri());
    admin_.Open();
    admin_.Execute("DROP SCHEMA IF EXISTS " + admin_.QuoteIdentifier(name_) + " CASCADE");
    admin_.Execute("CREATE SCHEMA " + admin_.QuoteIdentifier(name_));
  }
  ~PostgresSchema() {
    try {
      admin_.Execute("DROP SCHEMA IF EXISTS " + admin_.QuoteIdentifier(name_) + " CASCADE");
    } catch (const Exception&) {
    }
  }
  std::string Uri() const {
    const std::string base = PostgresUri();
    return base + (base.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" +
           name_;
  }

 private:
  TDatabase admin_{nullptr};
  std::string name_;
};

TEST(InitShow, PostgresInitCreatesTheTableOnce) {
  QGEN_REQUIRE_POSTGRES();
  PostgresSchema schema;
  TempDir dir;
  QgenOutcome r = RunQgen(dir.path(), {"init", "--db", schema.Uri(), "--table", "gen tbl"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "Created generator table gen tbl in postgresql://")) << r.out;

  TDatabase database(nullptr);
  database.SetURI(schema.Uri());
  database.Open();
  EXPECT_TRUE(CheckGeneratorTable(database, "gen tbl").empty());
  database.Execute("INSERT INTO \"gen tbl\" VALUES (1, '', '7', '20260101000000000', 0, 1, 'w')");
  r = RunQgen(dir.path(), {"init", "--db", schema.Uri(), "--table", "gen tbl"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Contains(r.out, "is already there; nothing changed.")) << r.out;
  r = RunQgen(dir.path(), {"show", "--db", schema.Uri(), "--table", "gen tbl"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Contains(r.out,
                       "   1          7           busy       0  w            "
                       "2026-01-01 00:00:00.000\n"))
      << r.out;
  EXPECT_FALSE(std::ifstream(dir.File("qgen.db")).good());
}

TEST(InitShow, EnsureGeneratorTableMakesWhatItChecks) {
  TempDir dir;
  TDatabase database(nullptr);
  database.SetURI(dir.File("g.db"));
  EXPECT_TRUE(EnsureGeneratorTable(database, "G"));
  EXPECT_FALSE(EnsureGeneratorTable(database, "g"));  // SQLite names ignore case
  EXPECT_TRUE(CheckGeneratorTable(database, "G").empty());
  database.Execute("CREATE TABLE h (GenID REAL)");
  EXPECT_THROW(EnsureGeneratorTable(database, "h"), Exception);
  EXPECT_THROW(CheckGeneratorTable(database, "none"), EDatabaseError);
}

}  // namespace
}  // namespace qgen::test
