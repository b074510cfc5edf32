// Clock: encoding and decoding of dates and times; Random.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "framework/Clock.h"
#include "framework/Exception.h"

namespace qgen {
namespace {

struct Moment {
  int year, month, day, hour, min, sec, msec;
  bool operator==(const Moment&) const = default;
};

Moment Decode(TDateTime value) {
  std::uint16_t y, mo, d, h, mi, s, ms;
  DecodeDate(value, y, mo, d);
  DecodeTime(value, h, mi, s, ms);
  return {y, mo, d, h, mi, s, ms};
}

TDateTime Encode(const Moment& m) {
  return EncodeDate(m.year, m.month, m.day) + EncodeTime(m.hour, m.min, m.sec, m.msec);
}

TEST(Clock, EncodeDecodeRoundTripsAndRoundsToTheMillisecond) {
  for (const Moment& m : {Moment{1899, 12, 30, 0, 0, 0, 0},
                          {2024, 2, 29, 23, 59, 59, 999},
                          {2000, 3, 1, 0, 0, 0, 1},
                          {1, 1, 1, 12, 0, 0, 0},
                          {9999, 12, 31, 23, 59, 59, 999}})
    EXPECT_EQ(Decode(Encode(m)), m);
  EXPECT_DOUBLE_EQ(EncodeDate(1900, 1, 1), 2.0);
  // 0.4 ms short of midnight is the next day's midnight, date and time alike.
  const double ms = 1.0 / 86400000.0;
  EXPECT_EQ(Decode(Encode({2026, 12, 31, 23, 59, 59, 999}) + 0.6 * ms),
            (Moment{2027, 1, 1, 0, 0, 0, 0}));
  EXPECT_EQ(Decode(Encode({2026, 12, 4, 10, 0, 0, 5}) + 0.4 * ms),
            (Moment{2026, 12, 4, 10, 0, 0, 5}));
}

TEST(Clock, ImpossibleDatesAndTimesRaise) {
  EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
  for (const Moment& m : {Moment{2025, 2, 29, 0, 0, 0, 0},
                          {1900, 2, 29, 0, 0, 0, 0},
                          {2026, 13, 1, 0, 0, 0, 0},
                          {0, 1, 1, 0, 0, 0, 0},
                          {2026, 1, 1, 24, 0, 0, 0},
                          {2026, 1, 1, 0, 60, 0, 0},
                          {2026, 1, 1, 0, 0, 0, 1000}})
    EXPECT_THROW(Encode(m), EConvertError) << m.year << "-" << m.month << "-" << m.day;
}

TEST(Random, StaysBelowTheBoundAndRandomizeReseeds) {
  std::set<std::int32_t> seen;
  for (int i = 0; i < 20000; ++i)
    seen.insert(Random(1000));
  EXPECT_EQ(seen.size(), 1000u);  // all of the range, nothing outside it
  EXPECT_TRUE(*seen.begin() == 0 && *seen.rbegin() == 999);
  EXPECT_EQ(Random(0), 0);
  std::vector<std::int32_t> draws[2];
  for (auto& draw : draws) {
    Randomize();  // from the clock: another sequence each time
    for (int i = 0; i < 8; ++i)
      draw.push_back(Random(1000000));
  }
  EXPECT_NE(draws[0], draws[1]);
}

}  // namespace
}  // namespace qgen
