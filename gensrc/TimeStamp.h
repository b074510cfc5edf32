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
// above and returns them as 17 digits, each field zero-filled. Any thread may
// call it; the variables are written under a lock (reading them while another
// thread stamps is not safe).
std::string GetTimeStamp();

// A time stamp that no earlier call in this process returned: each generator's
// identity, so that two of them never pass for one another (and one never
// undoes the other's number), and the keys that programs ask for. A call in
// the millisecond of the latest stamp waits for the next one; should the clock
// not move on within 5 ms (a stopped test clock, a clock set back), the stamp
// one millisecond after the latest is returned. Any thread may call it.
std::string UniqueTimeStamp();

// The 17 digits of a decoded moment (YYYYMMDDhhmmsszzz), each field
// zero-filled: the one format of every time stamp the system writes.
std::string TimeStampText(std::uint16_t year, std::uint16_t month, std::uint16_t day,
                          std::uint16_t hour, std::uint16_t min, std::uint16_t sec,
                          std::uint16_t msec);

}  // namespace qgen
