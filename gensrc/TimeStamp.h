// The time stamp: 17 decimal digits of local time, year to millisecond
// (YYYYMMDDhhmmsszzz), written by the generator into its table and used by the
// unique-key component as the head of its keys. Two stamps compare as text in
// the order of the times they stand for. This file is the one home of the
// format: every stamp the system writes or reads goes through it.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Clock.h"

namespace qgen {

// The clock reading of the latest GetTimeStamp call on the calling thread and
// its decoded parts. Each thread has its own: for a program on one thread they
// hold the parts of the latest call, as they always did, and generators on
// several threads do not race on them.
extern thread_local TDateTime Present;
extern thread_local std::uint16_t Year;
extern thread_local std::uint16_t Month;
extern thread_local std::uint16_t Day;
extern thread_local std::uint16_t Hour;
extern thread_local std::uint16_t Min;
extern thread_local std::uint16_t Sec;
extern thread_local std::uint16_t MSec;

// Reads the clock (Now), stores the reading and its parts in the calling
// thread's variables above and returns them as 17 digits, each field
// zero-filled. Any thread may call it.
std::string GetTimeStamp();

// A time stamp that no earlier call in this process returned: each generator's
// identity, so that two of them never pass for one another (and one never
// undoes the other's number), and the keys that programs ask for. A call in
// the millisecond of the latest stamp waits (through the clock's SleepFor) for
// the next one; should the clock not move on within 5 ms (a stopped clock, a
// clock set back), the stamp one millisecond after the latest is returned. Any
// thread may call it.
std::string UniqueTimeStamp();

// The 17 digits of a decoded moment (YYYYMMDDhhmmsszzz), each field
// zero-filled: the one format of every time stamp the system writes.
std::string TimeStampText(std::uint16_t year, std::uint16_t month, std::uint16_t day,
                          std::uint16_t hour, std::uint16_t min, std::uint16_t sec,
                          std::uint16_t msec);

// The stamp of a moment (decoded to the millisecond), as GetTimeStamp writes it.
std::string TimeStampOf(TDateTime moment);

// The moment a 17-digit stamp stands for. Raises EConvertError when the text
// is not such a stamp.
TDateTime MomentOfTimeStamp(const std::string& stamp);

}  // namespace qgen
