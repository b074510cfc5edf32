// `qgen next`, run as the built program: the options that choose the sequence,
// the output forms, a run that fails midway, and the failures a user can cause.
#include <string>
#include <vector>

#include "tests/support/QgenProcess.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

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

// A trigger refuses to mark the row once it holds 0003: the fourth value of
// the run fails after --wait, and the three before it are on standard output.
// The busy notice of each failed attempt is printed once, then counted.
TEST(NextCommand, ARunThatFailsMidwayHasPrintedTheValuesIssuedSoFar) {
  for (const bool json : {false, true}) {
    SCOPED_TRACE(json ? "--json" : "plain");
    TempDir dir;
    const std::string db = dir.File("q.db");
    std::vector<std::string> args = {"next", "--db", db, "--mask", "N-####", "--start", "0001"};
    ASSERT_EQ(QgenProcess::Run({"init", "--db", db}).status, 0);
    OpenDatabase(db)->Execute(
        "CREATE TRIGGER refuse BEFORE UPDATE ON GENTBL WHEN NEW.State = 1 AND OLD.Suffix = '0003' "
        "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    args.insert(args.end(), {"-n", "5", "--wait", "300"});
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

TEST(NextCommand, RefusesWithAClearMessageAndStatusOne) {
  TempDir dir;
  OpenDatabase(dir.File("q.db"))
      ->Execute(
          "CREATE TABLE \"bad\" (\"GenID\" INTEGER, \"Prefix\" TEXT, \"Suffix\" TEXT, "
          "\"LastTime\" TEXT, \"Try\" REAL, \"State\" REAL, \"Who\" TEXT)");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--mask", "@-##"}, "give their characters with --user"},
      {{"--mask", "@-##", "--user", "AB"}, "one character per @"},
      {{"--mask", "##", "--start", "4X"}, "does not fit"},
      {{"--mask", "##", "--start", "50", "--end", "20"}, "must sort before the end value"},
      {{"--mask", "漢-##"}, "--mask"},
      {{"--mask", "##", "--db", "postgresql://127.0.0.1:1/none"}, "error"},
      {{"--mask", "##", "-n", "-1"}, "-n"},
      {{"--mask", "##", "--db", "q.db", "--table", "bad"}, "is not a generator table:\n  GenID"},
  };
  for (const auto& [args, says] : cases) {
    SCOPED_TRACE(says);
    std::vector<std::string> command = {"next"};
    command.insert(command.end(), args.begin(), args.end());
    const QgenOutcome r = QgenProcess::Run(command, {.cwd = dir.path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_THAT(r.err, HasSubstr(says));
  }
}

}  // namespace
}  // namespace qgen::test
