#include "gensrc/TimeStamp.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "framework/Text.h"
#include "gensrc/GenMask.h"

namespace qgen {

TDateTime Present = 0;
std::uint16_t Year = 0;
std::uint16_t Month = 0;
std::uint16_t Day = 0;
std::uint16_t Hour = 0;
std::uint16_t Min = 0;
std::uint16_t Sec = 0;
std::uint16_t MSec = 0;

namespace {

// Guards the shared variables above: generators on several threads stamp at once.
std::mutex& StampGuard() {
  static std::mutex guard;
  return guard;
}

// The 17-digit stamp of a moment, in the format of GetTimeStamp.
std::string StampOf(TDateTime moment) {
  std::uint16_t year, month, day, hour, min, sec, msec;
  DecodeDate(moment, year, month, day);
  DecodeTime(moment, hour, min, sec, msec);
  return TimeStampText(year, month, day, hour, min, sec, msec);
}

// The moment a 17-digit stamp stands for.
TDateTime MomentOf(const std::string& stamp) {
  auto part = [&](std::size_t pos, std::size_t len) { return StrToInt(stamp.substr(pos, len)); };
  return EncodeDate(part(0, 4), part(4, 2), part(6, 2)) +
         EncodeTime(part(8, 2), part(10, 2), part(12, 2), part(14, 3));
}

}  // namespace

std::string GetTimeStamp() {
  const std::lock_guard<std::mutex> lock(StampGuard());
  Present = Now();
  DecodeDate(Present, Year, Month, Day);
  DecodeTime(Present, Hour, Min, Sec, MSec);
  return TimeStampText(Year, Month, Day, Hour, Min, Sec, MSec);
}

std::string UniqueTimeStamp() {
  static std::mutex guard;
  static std::string latest;
  const std::lock_guard<std::mutex> lock(guard);
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(5);
  std::string stamp = GetTimeStamp();
  // Stamps of equal length compare as text in the order of their times.
  while (!latest.empty() && stamp <= latest) {
    if (std::chrono::steady_clock::now() >= give_up) {
      stamp = StampOf(MomentOf(latest) + 1.0 / 86400000.0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(100));
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

}  // namespace qgen
