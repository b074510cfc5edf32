// The generator's shell: construction, identity, the mask and limit setters
// with their notices, and how it takes, opens and lets go of its data source.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "framework/Clock.h"
#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

bool AllDigits(const std::string& text) {
  return text.find_first_not_of("0123456789") == std::string::npos;
}

TEST(GeneratorCreate, StartsEmptyWithIdentityBackOffAndWiredEngine) {
  TGenerator gen(nullptr);
  EXPECT_EQ(gen.GeneratorType, 0);
  EXPECT_EQ(gen.InstanceStamp.size(), 17u);
  EXPECT_TRUE(AllDigits(gen.InstanceStamp));
  EXPECT_GE(gen.WaitCount, 0);
  EXPECT_LT(gen.WaitCount, 1000);
  EXPECT_FALSE(gen.GenError);
  EXPECT_EQ(gen.GenTable, nullptr);
  EXPECT_EQ(gen.DataSource(), nullptr);
  EXPECT_TRUE(gen.Mask().empty());
  EXPECT_TRUE(gen.GenMask->OnGetPROC.IsRoutine<&TGenerator::pGetPROC>());
  EXPECT_TRUE(gen.GenMask->OnOverFlow.IsRoutine<&TGenerator::pOverFlow>());
  EXPECT_TRUE(gen.GenMask->OnSubOver.IsRoutine<&TGenerator::pSubOver>());
  EXPECT_EQ(gen.GenMask->OnGetPROC.Object(), &gen);
}

// Generators made in quick succession (in the same millisecond, mostly) must
// never share an identity: one could undo the other's number.
TEST(GeneratorCreate, InstanceStampsAreUniqueWithinTheProcess) {
  std::set<std::string> stamps;
  std::string previous;
  for (int i = 0; i < 30; ++i) {
    TGenerator gen(nullptr);
    EXPECT_EQ(gen.InstanceStamp.size(), 17u);
    EXPECT_GT(gen.InstanceStamp, previous);
    previous = gen.InstanceStamp;
    stamps.insert(gen.InstanceStamp);
  }
  EXPECT_EQ(stamps.size(), 30u);
}

TEST(GeneratorCreate, InstanceStampsStayUniqueWhenTheClockStandsStill) {
  TestClock clock(EncodeDate(2026, 1, 2) + EncodeTime(3, 4, 5, 6));
  TGenerator first(nullptr);
  TGenerator second(nullptr);
  TGenerator third(nullptr);
  EXPECT_NE(first.InstanceStamp, second.InstanceStamp);
  EXPECT_LT(second.InstanceStamp, third.InstanceStamp);
  EXPECT_EQ(third.InstanceStamp.size(), 17u);
  EXPECT_TRUE(AllDigits(third.InstanceStamp));
}

struct LimitCase {
  const char* name;
  const char* mask;
  const char* first_start;  // applied in this order: start, end, then start again
  const char* end;
  const char* second_start;
  const char* notice;  // "" for none
  const char* start_after;
  const char* end_after;
  bool error_after;
};

class GeneratorLimits : public ::testing::TestWithParam<LimitCase> {};

TEST_P(GeneratorLimits, AreComparedAsTextWithTheirNotices) {
  const LimitCase& c = GetParam();
  MessageRecorder messages;
  TGenerator gen(nullptr);
  if (*c.mask)
    gen.SetMask(c.mask);
  if (*c.first_start)
    gen.SetStartValue(c.first_start);
  if (*c.end)
    gen.SetEndValue(c.end);
  if (*c.second_start)
    gen.SetStartValue(c.second_start);
  EXPECT_EQ(gen.StartValue().str(), c.start_after);
  EXPECT_EQ(gen.EndValue().str(), c.end_after);
  EXPECT_EQ(gen.GenError, c.error_after);
  if (*c.notice) {
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, c.notice);
    EXPECT_EQ(messages.messages[0].caption, "Generator Information");
    EXPECT_EQ(messages.messages[0].style, MB_ICONERROR);
  } else {
    EXPECT_TRUE(messages.messages.empty());
  }
}

const char kStartNotice[] = "StartValue must be lower than EndValue";
const char kEndNotice[] = "EndValue must be greater than StartValue";

INSTANTIATE_TEST_SUITE_P(
    Cases, GeneratorLimits,
    ::testing::Values(
        LimitCase{"BeforeAnyMask", "", "01", "99", "", "", "", "", false},
        LimitCase{"InOrder", "##", "01", "99", "", "", "01", "99", false},
        LimitCase{"TenSortsBeforeNine", "#", "9", "10", "", kEndNotice, "", "10", true},
        LimitCase{"SameExceptCase", "&&", "a1", "A1", "", kEndNotice, "", "A1", true},
        LimitCase{"EndBelowStart", "##", "50", "20", "", kEndNotice, "", "20", true},
        LimitCase{"StartAboveEnd", "##", "", "20", "50", kStartNotice, "", "20", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GeneratorLimitsOrder, ReplacingBothLimitsStartFirstLeavesNoStart) {
  MessageRecorder messages;
  TGenerator gen(nullptr);
  gen.SetMask("##");
  gen.SetStartValue("10");
  gen.SetEndValue("20");
  gen.SetStartValue("30");  // compared with the old end: refused
  gen.SetEndValue("40");    // no start to compare with
  EXPECT_EQ(gen.StartValue().str(), "");
  EXPECT_EQ(gen.EndValue().str(), "40");
  EXPECT_TRUE(gen.GenError);
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{kStartNotice});
}

TEST(GeneratorMask, EmptyMaskSetsErrorThatANewMaskDoesNotClear) {
  TGenerator gen(nullptr);
  gen.SetMask("");
  EXPECT_TRUE(gen.GenError);
  gen.SetMask("INV-##");
  EXPECT_TRUE(gen.GenError);
  EXPECT_EQ(gen.Mask(), "INV-##");
}

TEST(GeneratorMask, BadPictureRaisesAndLeavesNoSymbols) {
  TGenerator gen(nullptr);
  gen.SetMask("##");
  EXPECT_THROW(gen.SetMask("[AB"), Exception);
  EXPECT_EQ(gen.Mask(), "[AB");
  EXPECT_EQ(gen.GenMask->Count, 0);
}

// Counts the openings of the table.
class CountingGenerator : public TGenerator {
 public:
  using TGenerator::TGenerator;
  void InitDB() override {
    ++opened;
    TGenerator::InitDB();
  }
  int opened = 0;
};

using GeneratorDataSource = GeneratorTest;

TEST_F(GeneratorDataSource, OpensTheTableOnceOutsideLoadingAndDesigning) {
  Program& program = NewProgram();
  CountingGenerator gen(nullptr);
  gen.SetMask("INV-##");
  gen.FSetDataSource(program.source);
  EXPECT_EQ(gen.opened, 1);
  EXPECT_EQ(gen.GenTable, program.table);
  EXPECT_TRUE(program.table->Active());
  gen.FSetDataSource(program.source);
  EXPECT_EQ(gen.opened, 1);
  EXPECT_TRUE(messages.messages.empty());
  EXPECT_FALSE(gen.GenError);
}

TEST_F(GeneratorDataSource, LoadingLeavesTheOpeningToLoadedAndDesigningNeverOpens) {
  Program& program = NewProgram();
  CountingGenerator loading(nullptr);
  loading.SetLoading(true);
  loading.FSetDataSource(program.source);
  EXPECT_EQ(loading.opened, 0);
  loading.Loaded();
  EXPECT_EQ(loading.opened, 1);

  Program& designer = NewProgram();
  CountingGenerator designing(nullptr);
  designing.SetDesigning(true);
  designing.FSetDataSource(designer.source);
  designing.Loaded();
  EXPECT_EQ(designing.opened, 0);
  EXPECT_FALSE(designer.table->Active());
}

TEST_F(GeneratorDataSource, NoneClearsTheReferencesAndOpensNothing) {
  Program& program = NewProgram();
  CountingGenerator gen(nullptr);
  gen.FSetDataSource(program.source);
  gen.FSetDataSource(nullptr);
  EXPECT_EQ(gen.DataSource(), nullptr);
  EXPECT_EQ(gen.GenTable, nullptr);
  EXPECT_EQ(gen.opened, 1);
  EXPECT_EQ(gen.Generator(), "");
}

TEST_F(GeneratorDataSource, ForgetsBothWhenEitherIsDestroyed) {
  {
    Program& program = NewProgram();
    TGenerator gen(nullptr);
    gen.FSetDataSource(program.source);
    delete program.source;
    program.source = nullptr;
    EXPECT_EQ(gen.DataSource(), nullptr);
    EXPECT_EQ(gen.GenTable, nullptr);
  }
  {
    Program& program = NewProgram();
    TGenerator gen(nullptr);
    gen.FSetDataSource(program.source);
    delete program.table;
    program.table = nullptr;
    EXPECT_EQ(gen.DataSource(), nullptr);
    EXPECT_EQ(gen.GenTable, nullptr);
    EXPECT_EQ(gen.Generator(), "");
    EXPECT_EQ(gen.Undo(), "");
  }
}

}  // namespace
}  // namespace qgen::test
