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
  // The number fields are right-aligned and blank-filled; the blanks become
  // leading zeros.
  std::string stamp =
      Format("%4d%2d%2d", Year, Month, Day) + Format("%2d%2d%2d%3d", Hour, Min, Sec, MSec);
  SpcTo0(stamp);
  return stamp;
}

}  // namespace qgen
