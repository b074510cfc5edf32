// The generator table: the opening check, the first row of a new prefix and
// the start value it holds, and counting on from the row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

const char kOpenError[] = "Error while opening generator table \r\nCheck DataSource!";

struct TableCase {
  const char* name;
  const char* columns;
  bool usable;
};

class GeneratorInitDB : public GeneratorTest, public ::testing::WithParamInterface<TableCase> {};

TEST_P(GeneratorInitDB, ChecksTheSevenColumns) {
  CreateTable(GetParam().columns);
  Program& program = NewProgram();
  TGenerator* gen = program.NewGenerator("INV-##");
  if (GetParam().usable) {
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_FALSE(gen->GenError);
    EXPECT_EQ(gen->Generator(), "INV-00");
  } else {
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, kOpenError);
    EXPECT_TRUE(messages.messages[0].simple);
    EXPECT_TRUE(gen->GenError);
    EXPECT_EQ(gen->Generator(), "");
    EXPECT_EQ(RowCount(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GeneratorInitDB,
    ::testing::Values(
        TableCase{"AllSevenAndMore",
                  "\"Note\" TEXT, \"GenID\" FLOAT, \"Prefix\" VARCHAR(100), \"Suffix\" "
                  "VARCHAR(100), \"LastTime\" VARCHAR(17), \"Try\" FLOAT, \"State\" FLOAT, "
                  "\"Who\" VARCHAR(17), \"Extra\" INTEGER",
                  true},
        TableCase{"IntegerGenID",
                  "\"GenID\" INTEGER, \"Prefix\" VARCHAR(100), \"Suffix\" VARCHAR(100), "
                  "\"LastTime\" VARCHAR(17), \"Try\" FLOAT, \"State\" FLOAT, \"Who\" VARCHAR(17)",
                  false},
        TableCase{"IntegerState",
                  "\"GenID\" FLOAT, \"Prefix\" VARCHAR(100), \"Suffix\" VARCHAR(100), "
                  "\"LastTime\" VARCHAR(17), \"Try\" FLOAT, \"State\" INTEGER, \"Who\" VARCHAR(17)",
                  false},
        TableCase{"NoWho",
                  "\"GenID\" FLOAT, \"Prefix\" VARCHAR(100), \"Suffix\" VARCHAR(100), "
                  "\"LastTime\" VARCHAR(17), \"Try\" FLOAT, \"State\" FLOAT",
                  false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(GeneratorTest, ADataSourceWithoutDatasetOrAMissingTableCannotBeOpened) {
  TDataSource empty(nullptr);
  TGenerator without(nullptr);
  without.SetMask("##");
  without.FSetDataSource(&empty);
  EXPECT_TRUE(without.GenError);

  Program& program = NewProgram();
  program.table->SetTableName("NoSuchTable");
  TGenerator* missing = program.NewGenerator("##");
  EXPECT_TRUE(missing->GenError);
  EXPECT_EQ(messages.Texts(), (std::vector<std::string>{kOpenError, kOpenError}));
}

TEST_F(GeneratorTest, AValidPairOfLimitsClearsTheErrorButAClosedTableStillIssuesNothing) {
  Program& program = NewProgram();
  program.table->SetTableName("NoSuchTable");
  TGenerator* gen = program.NewGenerator("##", "01", "99");
  EXPECT_FALSE(gen->GenError);
  EXPECT_EQ(gen->Generator(), "");
}

TEST_F(GeneratorTest, FirstValueOfANewPrefixIsTheStartValueInAFreeRow) {
  Program& program = NewProgram();
  TGenerator* gen = program.NewGenerator("INV-####", "0001");
  gen->GeneratorType = 3;
  EXPECT_EQ(gen->Generator(), "INV-0001");
  const GenRow row = Row(3, "INV-");
  ASSERT_TRUE(row.found);
  EXPECT_EQ(row.suffix, "0001");
  EXPECT_EQ(row.state, Variant(0));
  EXPECT_EQ(row.tries, Variant(0));
  EXPECT_EQ(row.who, gen->InstanceStamp);
  EXPECT_EQ(row.last_time.ToString().size(), 17u);
  EXPECT_EQ(RowCount(), 1);
}

TEST_F(GeneratorTest, CountsOnFromTheRowWhoeverIssuedTheLastValue) {
  TGenerator* first = NewProgram().NewGenerator("INV-####", "0001");
  TGenerator* second = NewProgram().NewGenerator("INV-####", "0001");
  EXPECT_EQ(first->Generator(), "INV-0001");
  EXPECT_EQ(first->Generator(), "INV-0002");
  EXPECT_EQ(second->Generator(), "INV-0003");
  EXPECT_EQ(first->Generator(), "INV-0004");
  const GenRow row = Row(0, "INV-");
  EXPECT_EQ(row.suffix, "0004");
  EXPECT_EQ(row.state, Variant(0));
  EXPECT_EQ(row.tries, Variant(0));
  EXPECT_EQ(row.who, first->InstanceStamp);
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(GeneratorTest, TypesAndUserPrefixesKeepSequencesApart) {
  Program& program = NewProgram();
  TGenerator* a = program.NewGenerator("@-##");
  TGenerator* b = program.NewGenerator("@-##");
  b->GeneratorType = 7;
  std::string branch = "K";
  a->GetUserPrefixes = [&branch](TObject* sender, TmString& preff) {
    EXPECT_NE(sender, nullptr);
    preff = TmString(branch);
  };
  b->GetUserPrefixes = a->GetUserPrefixes;
  EXPECT_EQ(a->Generator(), "K-00");
  EXPECT_EQ(a->Generator(), "K-01");
  EXPECT_EQ(b->Generator(), "K-00");
  branch = "L";
  EXPECT_EQ(a->Generator(), "L-00");
  EXPECT_EQ(b->Generator(), "L-00");
  branch = "K";
  EXPECT_EQ(a->Generator(), "K-02");
  EXPECT_EQ(b->Generator(), "K-01");
  EXPECT_EQ(RowCount(), 4);
}

TEST_F(GeneratorTest, AMaskWithoutCountingSymbolsNeverTouchesTheTable) {
  TGenerator* gen = NewProgram().NewGenerator("FIXED");
  EXPECT_EQ(gen->Generator(), "FIXED");
  EXPECT_EQ(gen->Generator(), "FIXED");
  EXPECT_EQ(RowCount(), 0);
}

TEST_F(GeneratorTest, OnNewRecordChoosesTheStartOfANewRow) {
  TGenerator* gen = NewProgram().NewGenerator("N-###", "001");
  int calls = 0;
  gen->OnNewRecord = [&calls](TObject*, TmString& suffix) {
    ++calls;
    suffix = "500";
  };
  EXPECT_EQ(gen->Generator(), "N-500");
  EXPECT_EQ(Row(0, "N-").suffix, "500");
  EXPECT_EQ(gen->Generator(), "N-501");
  EXPECT_EQ(calls, 1);
}

TEST_F(GeneratorTest, OnNewRecordThatLeavesTheValueAloneSkipsTheReset) {
  TGenerator* gen = NewProgram().NewGenerator("N-###", "001");
  gen->GenMask->SetSuffix("042");
  gen->OnNewRecord = [](TObject*, TmString&) {};
  EXPECT_EQ(gen->Generator(), "N-042");  // NullValue was not called
}

TEST_F(GeneratorTest, PassingTheEndStartsAgainWithANoticeOrLeavesItToTheHandler) {
  TGenerator* plain = NewProgram().NewGenerator("A-##", "01", "03");
  for (const char* expected : {"A-01", "A-02", "A-03"})
    EXPECT_EQ(plain->Generator(), expected);
  EXPECT_TRUE(messages.messages.empty());
  EXPECT_EQ(plain->Generator(), "A-01");
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].text, "Incremental part was set to startup value");
  EXPECT_EQ(messages.messages[0].caption, "Generator Information");
  EXPECT_EQ(messages.messages[0].style, MB_ICONINFORMATION);
  EXPECT_EQ(Row(0, "A-").suffix, "01");

  messages.Clear();
  TGenerator* handled = NewProgram().NewGenerator("B-##", "01", "02");
  std::vector<std::string> reported;
  handled->OnOverFlowMask = [&reported](TObject*, TmString suffix) {
    reported.push_back(suffix.str());
  };
  EXPECT_EQ(handled->Generator(), "B-01");
  EXPECT_EQ(handled->Generator(), "B-02");
  EXPECT_EQ(handled->Generator(), "B-03");  // the handler decides; the engine is left as it was
  EXPECT_EQ(reported, std::vector<std::string>{"03"});
  EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace qgen::test
