// `qgen next`, run as the built program: values issued from the default
// database across runs, the output forms, and the failures a user can cause.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataaccess/Database.h"
#include "tests/support/QgenProcess.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

TEST(NextCommand, IssuesFromTheDefaultDatabaseAndContinuesOnTheNextRun) {
  TempDir dir;
  QgenOutcome first = QgenProcess::Run({"next", "--mask", "INV-####", "--start", "0001", "-n", "3"},
                                       {.cwd = dir.path()});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, "INV-0001\nINV-0002\nINV-0003\n");
  EXPECT_EQ(first.err, "");
  QgenOutcome second =
      QgenProcess::Run({"next", "--mask", "INV-####", "--start", "0001"}, {.cwd = dir.path()});
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.out, "INV-0004\n");
}

TEST(NextCommand, PrintsJsonKeepsTypesApartAndFillsTheUserPart) {
  TempDir dir;
  const std::string db = dir.File("numbers.db");
  auto next = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"next", "--db", db});
    return QgenProcess::Run(args);
  };
  QgenOutcome json = next({"--mask", "Д-@@/##", "--user", "ЖK", "-n", "2", "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(json.out, "[\"Д-ЖK/00\",\"Д-ЖK/01\"]\n");
  QgenOutcome other_type = next({"--mask", "Д-@@/##", "--user", "ЖK", "--type", "2"});
  EXPECT_EQ(other_type.out, "Д-ЖK/00\n");
  QgenOutcome other_user = next({"--mask", "Д-@@/##", "--user", "AB"});
  EXPECT_EQ(other_user.out, "Д-AB/00\n");
  QgenOutcome again = next({"--mask", "Д-@@/##", "--user", "ЖK", "--table", "Gentbl"});
  EXPECT_EQ(again.out, "Д-ЖK/02\n");
}

TEST(NextCommand, PassingTheEndStartsAgainWithANoticeOnStandardError) {
  TempDir dir;
  QgenOutcome r = QgenProcess::Run(
      {"next", "--mask", "T#", "--start", "1", "--end", "3", "-n", "4"}, {.cwd = dir.path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "T1\nT2\nT3\nT1\n");
  EXPECT_NE(r.err.find("Incremental part was set to startup value"), std::string::npos) << r.err;
}

struct Refusal {
  const char* name;
  std::vector<std::string> args;
  const char* says;  // part of the error message
};

class NextCommandRefuses : public ::testing::TestWithParam<Refusal> {};

TEST_P(NextCommandRefuses, WithAClearMessageAndStatusOne) {
  TempDir dir;
  std::vector<std::string> args = {"next"};
  args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
  const QgenOutcome r = QgenProcess::Run(args, {.cwd = dir.path()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find(GetParam().says), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NextCommandRefuses,
    ::testing::Values(
        Refusal{"BadPicture", {"--mask", "INV-[AB"}, "Missing ] symbol in Mask!"},
        Refusal{"UserPartNotGiven", {"--mask", "@-##"}, "give their characters with --user"},
        Refusal{"UserPartTooLong", {"--mask", "@-##", "--user", "AB"}, "one character per @"},
        Refusal{"StartDoesNotFit", {"--mask", "##", "--start", "4X"}, "does not fit"},
        Refusal{"LimitsOutOfOrder",
                {"--mask", "##", "--start", "50", "--end", "20"},
                "must sort before the end value"},
        Refusal{"CharacterOutsideTheCodePage", {"--mask", "漢-##"}, "--mask"},
        Refusal{"NoServer", {"--mask", "##", "--db", "postgresql://127.0.0.1:1/none"}, "error"},
        Refusal{"NegativeCount", {"--mask", "##", "-n", "-1"}, "-n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NextCommand, RefusesATableThatIsNoGeneratorTable) {
  TempDir dir;
  const std::string db = dir.File("q.db");
  {
    TDatabase database(nullptr);
    database.SetURI(db);
    database.Open();
    database.Execute(
        "CREATE TABLE \"bad\" (\"GenID\" INTEGER, \"Prefix\" TEXT, \"Suffix\" TEXT, "
        "\"LastTime\" TEXT, \"Try\" REAL, \"State\" REAL, \"Who\" TEXT)");
  }
  const QgenOutcome r = QgenProcess::Run({"next", "--db", db, "--table", "bad", "--mask", "##"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("is not a generator table"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("GenID"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace qgen::test
