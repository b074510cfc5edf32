#include "gensrc/TimeStamp.h"

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

std::string GetTimeStamp() {
  Present = Now();
  DecodeDate(Present, Year, Month, Day);
  DecodeTime(Present, Hour, Min, Sec, MSec);
  return TimeStampText(Year, Month, Day, Hour, Min, Sec, MSec);
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
