// The 17-digit time stamp, the unit variables it leaves behind (one set per
// thread), and reading a stamp back.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "framework/Clock.h"
#include "framework/Exception.h"
#include "gensrc/Gensrc.h"

namespace qgen {
namespace {

TEST(TimeStamp, FormatsLocalTimeAsSeventeenZeroFilledDigitsAndReadsThemBack) {
  const struct {
    int y, mo, d, h, mi, s, ms;
    std::string stamp;
  } cases[] = {
      {2026, 1, 2, 3, 4, 5, 6, "20260102030405006"},
      {2025, 6, 30, 0, 0, 0, 0, "20250630000000000"},
      {1999, 12, 31, 23, 59, 59, 999, "19991231235959999"},
      {987, 3, 1, 12, 0, 1, 0, "09870301120001000"},
  };
  TestClock clock(0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stamp);
    clock.Set(EncodeDate(c.y, c.mo, c.d) + EncodeTime(c.h, c.mi, c.s, c.ms));
    EXPECT_EQ(GetTimeStamp(), c.stamp);
    EXPECT_EQ(TimeStampOf(MomentOfTimeStamp(c.stamp)), c.stamp);
  }
  EXPECT_THROW(MomentOfTimeStamp("2026010203040500"), EConvertError);
  std::string blanks = " 1 2 ";
  SpcTo0(blanks);
  EXPECT_EQ(blanks, "01020");
}

TEST(TimeStamp, LeavesTheReadingAndItsPartsInTheCallingThreadsVariables) {
  TestClock clock(EncodeDate(2026, 1, 2) + EncodeTime(3, 4, 5, 6));
  GetTimeStamp();
  const std::vector<int> parts = {Year, Month, Day, Hour, Min, Sec, MSec};
  EXPECT_EQ(parts, (std::vector<int>{2026, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Present, clock.time);
  std::thread([] { EXPECT_EQ(Year, 0); }).join();  // another thread's are its own
}

}  // namespace
}  // namespace qgen
