// The time stamp: 17 decimal digits of local time, year to millisecond
// (YYYYMMDDhhmmsszzz), written by the generator into its table and used by the
// unique-key component as the head of its keys. Two stamps compare as text in
// the order of the times they stand for.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Clock.h"

namespace qgen {

// The clock reading of the latest GetTimeStamp call and its decoded parts.
// Shared by every caller in the process, without locking.
extern TDateTime Present;
extern std::uint16_t Year;
extern std::uint16_t Month;
extern std::uint16_t Day;
extern std::uint16_t Hour;
extern std::uint16_t Min;
extern std::uint16_t Sec;
extern std::uint16_t MSec;

// Reads the clock (Now), stores the reading and its parts in the variables
// above and returns them as 17 digits, each field zero-filled. Writes shared
// variables: two threads must not call it at the same time.
std::string GetTimeStamp();

// The 17 digits of a decoded moment (YYYYMMDDhhmmsszzz), each field
// zero-filled: the one format of every time stamp the system writes.
std::string TimeStampText(std::uint16_t year, std::uint16_t month, std::uint16_t day,
                          std::uint16_t hour, std::uint16_t min, std::uint16_t sec,
                          std::uint16_t msec);

}  // namespace qgen
