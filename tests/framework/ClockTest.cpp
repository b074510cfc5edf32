// Clock: encoding and decoding of dates and times, the test clock, Random.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>

#include "framework/Clock.h"
#include "framework/Exception.h"

namespace qgen {
namespace {

struct Moment {
  int year, month, day, hour, min, sec, msec;
};

Moment Decode(TDateTime value) {
  std::uint16_t y, mo, d, h, mi, s, ms;
  DecodeDate(value, y, mo, d);
  DecodeTime(value, h, mi, s, ms);
  return {y, mo, d, h, mi, s, ms};
}

bool operator==(const Moment& a, const Moment& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
         a.min == b.min && a.sec == b.sec && a.msec == b.msec;
}

void PrintTo(const Moment& m, std::ostream* os) {
  *os << m.year << "-" << m.month << "-" << m.day << " " << m.hour << ":" << m.min << ":" << m.sec
      << "." << m.msec;
}

TDateTime Encode(const Moment& m) {
  return EncodeDate(m.year, m.month, m.day) + EncodeTime(m.hour, m.min, m.sec, m.msec);
}

TEST(Clock, EncodeDecodeRoundTrips) {
  const Moment moments[] = {
      {1899, 12, 30, 0, 0, 0, 0},      {2026, 12, 4, 11, 28, 6, 123}, {2026, 1, 2, 3, 4, 5, 6},
      {2024, 2, 29, 23, 59, 59, 999},  {2000, 3, 1, 0, 0, 0, 1},      {1, 1, 1, 12, 0, 0, 0},
      {9999, 12, 31, 23, 59, 59, 999}, {1970, 1, 1, 0, 0, 0, 0},
  };
  for (const Moment& m : moments)
    EXPECT_EQ(Decode(Encode(m)), m);
  EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_DOUBLE_EQ(EncodeDate(1900, 1, 1), 2.0);
}

TEST(Clock, DecodeRoundsToTheMillisecondAcrossMidnight) {
  const double ms = 1.0 / 86400000.0;
  // 0.4 ms short of midnight is the next day's midnight, date and time alike.
  EXPECT_EQ(Decode(Encode({2026, 12, 31, 23, 59, 59, 999}) + 0.6 * ms),
            (Moment{2027, 1, 1, 0, 0, 0, 0}));
  EXPECT_EQ(Decode(Encode({2026, 12, 4, 10, 0, 0, 999}) + 0.6 * ms),
            (Moment{2026, 12, 4, 10, 0, 1, 0}));
  EXPECT_EQ(Decode(Encode({2026, 12, 4, 10, 0, 0, 5}) + 0.4 * ms),
            (Moment{2026, 12, 4, 10, 0, 0, 5}));
  EXPECT_EQ(Decode(EncodeDate(2026, 12, 4)), (Moment{2026, 12, 4, 0, 0, 0, 0}));
}

TEST(Clock, ImpossibleDatesAndTimesRaise) {
  EXPECT_THROW(EncodeDate(2025, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
  EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
  EXPECT_THROW(EncodeDate(2026, 13, 1), EConvertError);
  EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
}

TEST(Clock, TestClockSetsTheTimeAndAdvancesWithoutDrift) {
  const TDateTime start = Encode({2026, 12, 4, 11, 28, 6, 0});
  {
    TestClock clock(start);
    EXPECT_EQ(Now(), start);
    // Many single steps must land exactly where one big step does.
    for (int i = 0; i < 5000; ++i)
      clock.AdvanceMilliseconds(1);
    EXPECT_EQ(Decode(Now()), (Moment{2026, 12, 4, 11, 28, 11, 0}));
    clock.AdvanceMilliseconds(-11000);
    EXPECT_EQ(Decode(Now()), (Moment{2026, 12, 4, 11, 28, 0, 0}));
  }
  // The system clock is back: local time now, not the test clock's time.
  EXPECT_GT(Now(), EncodeDate(2024, 1, 1));
  EXPECT_LT(Now(), EncodeDate(2100, 1, 1));
}

TEST(Random, StaysBelowTheBoundAndRandomizeReseeds) {
  std::set<std::int32_t> seen;
  for (int i = 0; i < 20000; ++i) {
    const std::int32_t r = Random(1000);
    ASSERT_GE(r, 0);
    ASSERT_LT(r, 1000);
    seen.insert(r);
  }
  EXPECT_GT(seen.size(), 900u);  // spread over the range, not stuck
  EXPECT_EQ(Random(0), 0);
  EXPECT_EQ(Random(1), 0);

  // Two reseedings from the clock start two different sequences.
  const auto draw = [] {
    std::vector<std::int32_t> v;
    for (int i = 0; i < 8; ++i)
      v.push_back(Random(1000000));
    return v;
  };
  Randomize();
  const auto first = draw();
  Randomize();
  EXPECT_NE(draw(), first);
}

}  // namespace
}  // namespace qgen
