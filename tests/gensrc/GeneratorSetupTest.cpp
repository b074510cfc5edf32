// The generator's shell: its identity, the mask and limit setters with their
// notices, and how it takes, opens and lets go of its data source.
#include <set>
#include <sstream>

#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

// Generators made in quick succession (in one millisecond, or on a clock that
// stands still) must never share an identity: one could undo the other's number.
TEST(GeneratorCreate, IdentitiesAreSeventeenDigitsUniqueWithinTheProcess) {
  std::set<std::string> stamps;
  for (int i = 0; i < 23; ++i) {
    if (i == 20)  // a clock that stands still, after every stamp so far
      SetClock([] { return EncodeDate(2999, 1, 2); });
    TGenerator gen(nullptr);
    EXPECT_EQ(gen.InstanceStamp.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(gen.InstanceStamp.size(), 17u);
    EXPECT_GT(gen.InstanceStamp, stamps.empty() ? "" : *stamps.rbegin());
    stamps.insert(gen.InstanceStamp);
  }
  SetClock(nullptr);
  EXPECT_EQ(stamps.size(), 23u);
}

TEST(GeneratorLimits, AreComparedAsTextWithTheirNotices) {
  const char* start_notice = "StartValue must be lower than EndValue";
  const char* end_notice = "EndValue must be greater than StartValue";
  const struct {
    const char *mask, *steps, *notice, *start_after, *end_after;  // steps: "S=<start>" "E=<end>"
    bool error_after;
  } cases[] = {
      {"", "S=01 E=99", "", "", "", false},  // before any mask: ignored
      {"##", "S=01 E=99", "", "01", "99", false},
      {"#", "S=9 E=10", end_notice, "", "10", true},  // 10 sorts before 9
      {"&&", "S=a1 E=A1", end_notice, "", "A1", true},
      {"##", "E=20 S=50", start_notice, "", "20", true},
      {"##", "S=10 E=20 S=30 E=40", start_notice, "", "40", true},  // both replaced, start first
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.mask) + " " + c.steps);
    MessageRecorder messages;
    TGenerator gen(nullptr);
    if (*c.mask)
      gen.SetMask(c.mask);
    std::istringstream steps(c.steps);
    for (std::string step; steps >> step;)
      step[0] == 'S' ? gen.SetStartValue(step.substr(2)) : gen.SetEndValue(step.substr(2));
    EXPECT_EQ(gen.StartValue().str(), c.start_after);
    EXPECT_EQ(gen.EndValue().str(), c.end_after);
    EXPECT_EQ(gen.GenError, c.error_after);
    EXPECT_EQ(messages.Texts(),
              *c.notice ? std::vector<std::string>{c.notice} : std::vector<std::string>{});
    for (const ShownMessage& m : messages.messages)
      EXPECT_TRUE(m.caption == "Generator Information" && m.style == MB_ICONERROR);
  }
  TGenerator gen(nullptr);  // an empty mask sets GenError, which a new mask keeps
  gen.SetMask("");
  gen.SetMask("INV-##");
  EXPECT_TRUE(gen.GenError);
  EXPECT_THAT(MessageOf<Exception>([&] { gen.SetMask("[AB"); }), HasSubstr("Missing ]"));
  EXPECT_EQ(gen.Mask(), "[AB");
  EXPECT_EQ(gen.GenMask->Count, 0);
}

// Counts the openings of the table.
struct CountingGenerator : TGenerator {
  using TGenerator::TGenerator;
  void InitDB() override {
    ++opened;
    TGenerator::InitDB();
  }
  int opened = 0;
};

// (Opening from a form, once loaded and never at design time, is the form
// reader's to show.)
TEST_F(GeneratorTest, TheTableIsOpenedOnceAtRunTimeAndLetGoOfWhenItsSourceGoes) {
  CountingGenerator set(nullptr);
  set.FSetDataSource(NewProgram().source);
  set.FSetDataSource(set.DataSource());
  EXPECT_EQ(set.opened, 1);
  set.SetMask("##");
  set.FSetDataSource(nullptr);
  EXPECT_EQ(set.Generator(), "");
  for (bool source_first : {true, false}) {
    Program& other = NewProgram();
    set.FSetDataSource(other.source);
    source_first ? delete std::exchange(other.source, nullptr)
                 : delete std::exchange(other.table, nullptr);
    EXPECT_EQ(set.DataSource(), nullptr);
    EXPECT_EQ(set.GenTable, nullptr);
    EXPECT_EQ(set.Generator(), "");
    EXPECT_EQ(set.Undo(), "");
  }
  EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace qgen::test
