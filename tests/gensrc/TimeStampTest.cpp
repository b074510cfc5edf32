// The 17-digit time stamp and the unit variables it leaves behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Clock.h"
#include "gensrc/Gensrc.h"

namespace qgen {
namespace {

TEST(TimeStamp, FormatsLocalTimeAsSeventeenZeroFilledDigits) {
  struct Case {
    int y, mo, d, h, mi, s, ms;
    std::string stamp;
  };
  const std::vector<Case> cases = {
      {2026, 1, 2, 3, 4, 5, 6, "20260102030405006"},
      {2026, 12, 4, 9, 5, 3, 7, "20261204090503007"},
      {2025, 6, 30, 0, 0, 0, 0, "20250630000000000"},
      {1999, 12, 31, 23, 59, 59, 999, "19991231235959999"},
      {987, 3, 1, 12, 0, 1, 0, "09870301120001000"},
  };
  TestClock clock(0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stamp);
    clock.Set(EncodeDate(c.y, c.mo, c.d) + EncodeTime(c.h, c.mi, c.s, c.ms));
    EXPECT_EQ(GetTimeStamp(), c.stamp);
  }
}

TEST(TimeStamp, LeavesTheReadingAndItsPartsInTheUnitVariables) {
  TestClock clock(EncodeDate(2026, 1, 2) + EncodeTime(3, 4, 5, 6));
  const std::string stamp = GetTimeStamp();
  EXPECT_EQ(Present, clock.time);
  EXPECT_EQ(Year, 2026);
  EXPECT_EQ(Month, 1);
  EXPECT_EQ(Day, 2);
  EXPECT_EQ(Hour, 3);
  EXPECT_EQ(Min, 4);
  EXPECT_EQ(Sec, 5);
  EXPECT_EQ(MSec, 6);
  clock.AdvanceMilliseconds(1);
  EXPECT_LT(stamp, GetTimeStamp());
  EXPECT_EQ(MSec, 7);
}

TEST(TimeStamp, SpcTo0TurnsBlanksIntoZeros) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"  7", "007"}, {"2026", "2026"}, {"", ""}, {" 1 2 ", "01020"}};
  for (auto [text, expected] : cases) {
    SpcTo0(text);
    EXPECT_EQ(text, expected);
  }
}

}  // namespace
}  // namespace qgen
