// The generator commands, run as the built program on SQLite files: `qgen
// init` and `qgen show` (creating the generator table, leaving a good one
// alone, reporting a table of another format, listing the rows), `qgen next`
// (the options that choose the sequence, the output forms, a run that fails
// midway, the failures a user can cause) and `qgen session` (one generator
// instance driven line by line, beside other programs drawing).
#include <string>
#include <utility>
#include <vector>

#include "tests/support/QgenProcess.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

// A trigger that refuses to mark the row busy while it holds 0003.
void RefuseToMarkAt0003(TDatabase& db) {
  db.Execute(
      "CREATE TRIGGER refuse BEFORE UPDATE ON GENTBL WHEN NEW.State = 1 AND OLD.Suffix = '0003' "
      "BEGIN SELECT RAISE(ABORT, 'refused'); END");
}

TEST(InitShow, CreatesTheTableOnceListsItsRowsAndReportsATableOfAnotherFormat) {
  TempDir dir;
  auto qgen = [&](const std::vector<std::string>& args, int status = 0) {
    const QgenOutcome r = QgenProcess::Run(args, {.cwd = dir.path()});
    EXPECT_EQ(r.status, status) << r.err;
    EXPECT_TRUE(status == 0 || r.out.empty()) << r.out;
    return status == 0 ? r.out : r.err;
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

  const std::string ddl =
      "CREATE TABLE \"Seq\" (GenID INTEGER, Prefix VARCHAR(10), Suffix TEXT, LastTime "
      "VARCHAR(17), Try REAL, State NUMERIC(1), Extra BLOB)";
  database->Execute(ddl);
  const std::string err = qgen({"init", "--db", "sqlite:qgen.db", "--table", "Seq"}, 1);
  for (const char* line : {"qgen: error: Table 'Seq' in qgen.db is not a generator table:\n",
                           "\n  GenID: INTEGER is an integer column; needs floating-point (REAL)\n",
                           "\n  Prefix: VARCHAR(10) holds 10 characters;", "\n  State: NUMERIC(1)",
                           "\n  Who: missing", "\n  primary key: none; needs (GenID, Prefix)\n"})
    EXPECT_THAT(err, HasSubstr(line));
  EXPECT_EQ(database->Query("SELECT sql FROM sqlite_master WHERE name = 'Seq'")[0][0].ToString(),
            ddl);
}

TEST(NextCommand, OptionsChooseTheSequenceAndTheOutputForm) {
  TempDir dir;
  auto next = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"next", "--mask", "Д-@@/#", "--end", "2"});
    return QgenProcess::Run(args, {.cwd = dir.path()});  // the default qgen.db
  };
  EXPECT_EQ(next({"--user", "ЖK", "-n", "2", "--json"}).out, "[\"Д-ЖK/0\",\"Д-ЖK/1\"]\n");
  EXPECT_EQ(next({"--user", "ЖK", "--type", "2"}).out, "Д-ЖK/0\n");
  EXPECT_EQ(next({"--user", "AB"}).out, "Д-AB/0\n");
  const QgenOutcome wrapped = next({"--user", "ЖK", "--table", "Gentbl", "-n", "2"});
  EXPECT_EQ(wrapped.out, "Д-ЖK/2\nД-ЖK/0\n");  // past the end value, from the start again
  EXPECT_THAT(wrapped.err, HasSubstr("Incremental part was set to startup value"));
}

// The fourth value of the run fails after --wait; the three before it are on
// standard output. The busy notice is printed once, then counted.
TEST(NextCommand, ARunThatFailsMidwayHasPrintedTheValuesIssuedSoFar) {
  for (const bool json : {false, true}) {
    SCOPED_TRACE(json ? "--json" : "plain");
    TempDir dir;
    const std::string db = dir.File("q.db");
    ASSERT_EQ(QgenProcess::Run({"init", "--db", db}).status, 0);
    RefuseToMarkAt0003(*OpenDatabase(db));
    std::vector<std::string> args = {"next",   "--db", db,  "--start", "0001", "--mask",
                                     "N-####", "-n",   "5", "--wait",  "300"};
    if (json)
      args.push_back("--json");
    const QgenOutcome r = QgenProcess::Run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, json ? "[\"N-0001\",\"N-0002\",\"N-0003\"]\n" : "N-0001\nN-0002\nN-0003\n");
    EXPECT_THAT(r.err, ::testing::MatchesRegex("Generator: Gentbl is busy. Try again!\n"
                                               "  \\(the same notice [0-9]+ more times\\)\n"
                                               "qgen: error: Gentbl is busy. Try again!\n"));
  }
}

TEST(NextCommand, RefusesWithAClearMessage) {
  TempDir dir;
  const Refusals cases = {
      {{"next", "--mask", "@-##"}, "give their characters with --user"},
      {{"next", "--mask", "@-##", "--user", "AB"}, "one character per @"},
      {{"next", "--mask", "##", "--start", "4X"}, "does not fit"},
      {{"next", "--mask", "##", "--start", "50", "--end", "20"}, "must sort before the end value"},
      {{"next", "--mask", "##", "-n", "-1"}, "-n"},
      {{"show", "--table", "nothing"},
       "Table 'nothing' does not exist in database qgen.db; qgen init --table NAME makes one"},
  };
  ExpectRefused(cases, {.cwd = dir.path()});
}

// Sends each command and expects its answer (for an error, its start).
void Talk(QgenProcess& session, const std::vector<std::pair<std::string, std::string>>& lines) {
  for (const auto& [command, answer] : lines) {
    session.Write(command + "\n");
    EXPECT_EQ(session.ReadLine().substr(0, answer.size()), answer) << command;
  }
}

// While the row may not be marked, the draw of 0004 fails after --wait: the
// session answers an error line and, once it may, issues the value that failed.
TEST(SessionCommand, AnswersEachCommandAtOnceAndCarriesOnAfterAFailedDraw) {
  TempDir dir;
  auto command = [&](const char* name) {
    return std::vector<std::string>{name,      "--db", dir.File("s.db"), "--mask", "INV-####",
                                    "--start", "0001", "--wait",         "100"};
  };
  QgenProcess session(command("session"));
  Talk(session, {{"undo", "error: Can NOT undo!"},
                 {"next", "INV-0001"},
                 {"next", "INV-0002"},
                 {"undo", "INV-0001"},
                 {"value", "INV-0001"},
                 {"  next  ", "INV-0002"}});
  ASSERT_EQ(QgenProcess::Run(command("next")).out, "INV-0003\n");
  session.Write("\n");  // a blank line is no command: no answer
  Talk(session,
       {{"undo", "error: Can NOT undo!"},
        {"frobnicate", "error: unknown command \"frobnicate\": use next, undo, value or quit"}});
  auto db = OpenDatabase(dir.File("s.db"));
  RefuseToMarkAt0003(*db);
  Talk(session, {{"next", "error: Gentbl is busy. Try again!"}});
  db->Execute("DROP TRIGGER refuse");
  Talk(session, {{"next", "INV-0004"}});
  session.Write("quit\nnext\n");
  const QgenOutcome end = session.Wait();
  EXPECT_EQ(end.status, 0) << end.err;
  EXPECT_EQ(end.out, "");  // nothing after quit
}

}  // namespace
}  // namespace qgen::test
