#include "gensrc/TimeStamp.h"

#include <mutex>

#include "framework/Exception.h"
#include "framework/Text.h"
#include "gensrc/GenMask.h"

namespace qgen {

thread_local TDateTime Present = 0;
thread_local std::uint16_t Year = 0;
thread_local std::uint16_t Month = 0;
thread_local std::uint16_t Day = 0;
thread_local std::uint16_t Hour = 0;
thread_local std::uint16_t Min = 0;
thread_local std::uint16_t Sec = 0;
thread_local std::uint16_t MSec = 0;

std::string GetTimeStamp() {
  Present = Now();
  DecodeDate(Present, Year, Month, Day);
  DecodeTime(Present, Hour, Min, Sec, MSec);
  return TimeStampText(Year, Month, Day, Hour, Min, Sec, MSec);
}

std::string UniqueTimeStamp() {
  static std::mutex guard;
  static std::string latest;
  const std::lock_guard<std::mutex> lock(guard);
  const std::chrono::microseconds give_up = SteadyNow() + std::chrono::milliseconds(5);
  std::string stamp = GetTimeStamp();
  // Stamps of equal length compare as text in the order of their times.
  while (!latest.empty() && stamp <= latest) {
    if (SteadyNow() >= give_up) {
      stamp = TimeStampOf(MomentOfTimeStamp(latest) + 1.0 / 86400000.0);
      break;
    }
    SleepFor(std::chrono::microseconds(100));
    stamp = GetTimeStamp();
  }
  latest = stamp;
  return stamp;
}

std::string TimeStampText(std::uint16_t year, std::uint16_t month, std::uint16_t day,
                          std::uint16_t hour, std::uint16_t min, std::uint16_t sec,
                          std::uint16_t msec) {
  // The number fields are right-aligned and blank-filled; the blanks become
  // leading zeros.
  std::string stamp =
      Format("%4d%2d%2d", year, month, day) + Format("%2d%2d%2d%3d", hour, min, sec, msec);
  SpcTo0(stamp);
  return stamp;
}

std::string TimeStampOf(TDateTime moment) {
  std::uint16_t year, month, day, hour, min, sec, msec;
  DecodeDate(moment, year, month, day);
  DecodeTime(moment, hour, min, sec, msec);
  return TimeStampText(year, month, day, hour, min, sec, msec);
}

TDateTime MomentOfTimeStamp(const std::string& stamp) {
  if (stamp.size() != 17 || stamp.find_first_not_of("0123456789") != std::string::npos)
    throw EConvertError("'" + stamp + "' is not a 17-digit time stamp");
  auto part = [&](std::size_t pos, std::size_t len) { return StrToInt(stamp.substr(pos, len)); };
  return EncodeDate(part(0, 4), part(4, 2), part(6, 2)) +
         EncodeTime(part(8, 2), part(10, 2), part(12, 2), part(14, 3));
}

}  // namespace qgen
