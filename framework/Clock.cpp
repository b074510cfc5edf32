#include "framework/Clock.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>
#include <random>
#include <thread>

#include "framework/Exception.h"

namespace qgen {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
constexpr std::int64_t kUnixEpochDay = 25569;  // 1970-01-01 as days since 1899-12-30

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

// Whole milliseconds since 1899-12-30, rounded.
std::int64_t ToMilliseconds(TDateTime value) {
  return static_cast<std::int64_t>(std::llround(value * static_cast<double>(kMsPerDay)));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0)))
    --q;
  return q;
}

TDateTime SystemNow() {
  const auto now = std::chrono::system_clock::now();
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(FloorDiv(ms, 1000));
  std::tm local{};
  localtime_r(&seconds, &local);
  const std::int64_t days =
      DaysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                    static_cast<unsigned>(local.tm_mday)) +
      kUnixEpochDay;
  const std::int64_t of_day = ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000LL +
                              (ms - FloorDiv(ms, 1000) * 1000);
  return static_cast<double>(days) + static_cast<double>(of_day) / static_cast<double>(kMsPerDay);
}

ClockFunction& InstalledClock() {
  static ClockFunction clock;
  return clock;
}

struct PauseSeam {
  SteadyFunction steady;
  SleepFunction sleep;
};

PauseSeam& InstalledPauses() {
  static PauseSeam pauses;
  return pauses;
}

std::mt19937& Generator() {
  static std::mt19937 generator(12345u);
  return generator;
}

// Guards the generator: components on several threads draw at once.
std::mutex& GeneratorGuard() {
  static std::mutex guard;
  return guard;
}

}  // namespace

TDateTime Now() {
  const auto& clock = InstalledClock();
  return clock ? clock() : SystemNow();
}

TDateTime EncodeDate(int year, int month, int day) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) {
    throw EConvertError("Invalid argument to date encode");
  }
  return static_cast<double>(
      DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
      kUnixEpochDay);
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 ||
      msec > 999) {
    throw EConvertError("Invalid argument to time encode");
  }
  return static_cast<double>(((hour * 60 + min) * 60 + sec) * 1000LL + msec) /
         static_cast<double>(kMsPerDay);
}

void DecodeDate(TDateTime value, std::uint16_t& year, std::uint16_t& month, std::uint16_t& day) {
  const std::int64_t days = FloorDiv(ToMilliseconds(value), kMsPerDay);
  std::int64_t y = 0;
  unsigned m = 0;
  unsigned d = 0;
  CivilFromDays(days - kUnixEpochDay, y, m, d);
  year = static_cast<std::uint16_t>(y);
  month = static_cast<std::uint16_t>(m);
  day = static_cast<std::uint16_t>(d);
}

void DecodeTime(TDateTime value, std::uint16_t& hour, std::uint16_t& min, std::uint16_t& sec,
                std::uint16_t& msec) {
  const std::int64_t total = ToMilliseconds(value);
  std::int64_t of_day = total - FloorDiv(total, kMsPerDay) * kMsPerDay;
  msec = static_cast<std::uint16_t>(of_day % 1000);
  of_day /= 1000;
  sec = static_cast<std::uint16_t>(of_day % 60);
  of_day /= 60;
  min = static_cast<std::uint16_t>(of_day % 60);
  hour = static_cast<std::uint16_t>(of_day / 60);
}

void SetClock(ClockFunction clock) {
  InstalledClock() = std::move(clock);
}

std::chrono::microseconds SteadyNow() {
  const PauseSeam& pauses = InstalledPauses();
  if (pauses.steady)
    return pauses.steady();
  return std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
}

void SleepFor(std::chrono::microseconds duration) {
  const PauseSeam& pauses = InstalledPauses();
  if (pauses.sleep) {
    pauses.sleep(duration);
    return;
  }
  std::this_thread::sleep_for(duration);
}

void SetPauses(SteadyFunction steady, SleepFunction sleep) {
  InstalledPauses() = PauseSeam{std::move(steady), std::move(sleep)};
}

TestClock::TestClock(TDateTime start) : time(start) {
  SetClock([this] { return time; });
  SetPauses([this] { return std::chrono::microseconds(ToMilliseconds(time) * 1000 + micros_); },
            [this](std::chrono::microseconds slept) { AdvanceMicroseconds(slept.count()); });
}
TestClock::~TestClock() {
  SetClock(nullptr);
  SetPauses(nullptr, nullptr);
}

void TestClock::AdvanceMicroseconds(std::int64_t us) {
  micros_ += us;
  const std::int64_t whole = FloorDiv(micros_, 1000);
  micros_ -= whole * 1000;
  AdvanceMilliseconds(whole);
}

void TestClock::AdvanceMilliseconds(std::int64_t ms) {
  time = static_cast<double>(ToMilliseconds(time) + ms) / static_cast<double>(kMsPerDay);
}

void Randomize() {
  const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  std::seed_seq seed{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
  const std::lock_guard<std::mutex> lock(GeneratorGuard());
  Generator().seed(seed);
}

std::int32_t Random(std::int32_t bound) {
  if (bound <= 0)
    return 0;
  std::uniform_int_distribution<std::int32_t> pick(0, bound - 1);
  const std::lock_guard<std::mutex> lock(GeneratorGuard());
  return pick(Generator());
}

}  // namespace qgen
