// Date, time, pauses and pseudo-random numbers of the framework stand-in. The
// clock is replaceable so that tests can set the time; Now() reads local time
// to the millisecond. Pauses and deadlines (SleepFor, SteadyNow) go through the
// same seam, so that code that waits runs on a test clock at once. Random
// numbers come from one process-wide generator. Every routine here may be
// called from any thread; installing a clock is for tests, on one thread,
// while no other thread reads it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace qgen {

// Days since 1899-12-30 00:00 local time; the fraction is the time of day.
using TDateTime = double;

// The current local date and time, from the installed clock.
TDateTime Now();

// Builds a TDateTime; raises EConvertError on an impossible date or time.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);

// Split a TDateTime, rounded to the millisecond.
void DecodeDate(TDateTime value, std::uint16_t& year, std::uint16_t& month, std::uint16_t& day);
void DecodeTime(TDateTime value, std::uint16_t& hour, std::uint16_t& min, std::uint16_t& sec,
                std::uint16_t& msec);

// Replaces the clock that Now() reads; an empty function restores the system clock.
using ClockFunction = std::function<TDateTime()>;
void SetClock(ClockFunction clock);

// A steady reading for deadlines and elapsed time (not the time of day), from
// the installed pause seam.
std::chrono::microseconds SteadyNow();
// Pauses the calling thread, through the installed pause seam.
void SleepFor(std::chrono::microseconds duration);

// Replaces the steady reading and the pause (SteadyNow, SleepFor); empty
// functions restore the system's (std::chrono::steady_clock, a real sleep).
using SteadyFunction = std::function<std::chrono::microseconds()>;
using SleepFunction = std::function<void(std::chrono::microseconds)>;
void SetPauses(SteadyFunction steady, SleepFunction sleep);

// A test clock: installs itself for its lifetime as the clock and the pause
// seam, reads `time`, and puts the system's back when destroyed. Code that
// sleeps moves it on by the time slept instead of waiting; SteadyNow follows it.
class TestClock {
 public:
  explicit TestClock(TDateTime start);
  TestClock(const TestClock&) = delete;
  TestClock& operator=(const TestClock&) = delete;
  ~TestClock();
  void Set(TDateTime value) { time = value; }
  // Moves on by whole milliseconds from the nearest millisecond. Adding the
  // fraction ms/86400000 instead would drift: each addition rounds, and after a
  // few thousand steps the clock reads a millisecond off.
  void AdvanceMilliseconds(std::int64_t ms);
  // Moves on by microseconds: whole milliseconds go into `time`, the rest is
  // kept, so that many short sleeps add up.
  void AdvanceMicroseconds(std::int64_t us);
  TDateTime time;

 private:
  std::int64_t micros_ = 0;  // 0..999 microseconds slept beyond `time`
};

// Seeds the process-wide generator from the high-resolution clock. Random and
// Randomize may be called from several threads at once.
void Randomize();
// A whole number in 0 .. bound-1 (0 when bound <= 0).
std::int32_t Random(std::int32_t bound);

}  // namespace qgen
