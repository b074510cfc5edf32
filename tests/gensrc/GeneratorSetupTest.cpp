// The generator's shell: the 17-digit time stamp (with the unit variables it leaves behind, one
// set per thread) and the identity made from it, the mask and limit setters with their notices,
// and how it lets go of its data source.
#include <set>
#include <sstream>
#include <thread>

#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

// Generators made in quick succession (in one millisecond, or on a clock that
// stands still) never share an identity: one could undo the other's number.
TEST(TimeStamp, IsSeventeenDigitsOfLocalTimeUniqueAsAnIdentityWithItsPartsKeptPerThread) {
  std::set<std::string> stamps;
  for (int i = 0; i < 23; ++i) {
    if (i == 20)  // a clock that stands still, after every stamp so far
      SetClock([] { return EncodeDate(2999, 1, 2); });
    TGenerator gen(nullptr);
    EXPECT_THAT(gen.InstanceStamp, ::testing::MatchesRegex("[0-9]{17}"));
    EXPECT_GT(gen.InstanceStamp, stamps.empty() ? "" : *stamps.rbegin());
    stamps.insert(gen.InstanceStamp);
  }
  SetClock(nullptr);
  EXPECT_EQ(stamps.size(), 23u);
  const struct {
    int y, mo, d, h, mi, s, ms;
    std::string stamp;
  } cases[] = {
      {1999, 12, 31, 23, 59, 59, 999, "19991231235959999"},
      {987, 3, 1, 12, 0, 1, 0, "09870301120001000"},
      {2026, 1, 2, 3, 4, 5, 6, "20260102030405006"},
  };
  TestClock clock(0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stamp);
    clock.Set(EncodeDate(c.y, c.mo, c.d) + EncodeTime(c.h, c.mi, c.s, c.ms));
    EXPECT_EQ(GetTimeStamp(), c.stamp);
    EXPECT_EQ(TimeStampOf(MomentOfTimeStamp(c.stamp)), c.stamp);
  }
  EXPECT_THROW(MomentOfTimeStamp("2026010203040500"), EConvertError);
  const std::vector<int> parts = {Year, Month, Day, Hour, Min, Sec, MSec};  // the last reading's
  EXPECT_EQ(parts, (std::vector<int>{2026, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Present, clock.time);
  std::thread([] { EXPECT_EQ(Year, 0); }).join();  // another thread's are its own
}

TEST(GeneratorLimits, AreComparedAsTextWithTheirNotices) {
  const char* start_notice = "StartValue must be lower than EndValue";
  const char* end_notice = "EndValue must be greater than StartValue";
  const struct {
    const char *steps, *notice, *start_after, *end_after;  // "M=<mask>" "S=<start>" "E=<end>"
    bool error_after;
  } cases[] = {
      {"S=01 E=99 M=##", "", "", "", false},  // before any mask: ignored
      {"M=## S=01 E=99", "", "01", "99", false},
      {"M=# S=9 E=10", end_notice, "", "10", true},  // 10 sorts before 9
      {"M=&& S=a1 E=A1", end_notice, "", "A1", true},
      {"M=## E=20 S=50", start_notice, "", "20", true},
      {"M=## S=10 E=20 S=30 E=40", start_notice, "", "40", true},  // both replaced, start first
      {"M= M=INV-##", "", "", "", true},  // an empty mask sets GenError, which a new mask keeps
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.steps);
    MessageRecorder messages;
    TGenerator gen(nullptr);
    std::istringstream steps(c.steps);
    for (std::string step; steps >> step;) {
      const std::string value = step.substr(2);
      step[0] == 'M'   ? gen.SetMask(value)
      : step[0] == 'S' ? gen.SetStartValue(value)
                       : gen.SetEndValue(value);
    }
    EXPECT_EQ(gen.StartValue().str(), c.start_after);
    EXPECT_EQ(gen.EndValue().str(), c.end_after);
    EXPECT_EQ(gen.GenError, c.error_after);
    EXPECT_EQ(messages.Texts(),
              *c.notice ? std::vector<std::string>{c.notice} : std::vector<std::string>{});
    for (const ShownMessage& m : messages.messages)
      EXPECT_TRUE(m.caption == "Generator Information" && m.style == MB_ICONERROR);
  }
}

TEST_F(GeneratorTest, TheTableIsLetGoOfWhenItsSourceGoes) {
  TGenerator set(nullptr);
  set.FSetDataSource(NewProgram().source);
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
