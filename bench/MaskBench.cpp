// The mask engine's cost per value beside what a program pays to format the
// same value from an integer with snprintf, measured in the same binary:
//   qgen_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "framework/Messages.h"
#include "gensrc/GenMask.h"

namespace {

using qgen::TGenMask;

// 15 symbols: static characters, two sets and every incremental kind
// (digit '#', letter '$', digit-or-letter '&').
constexpr std::string_view kMask = "INV-[AB]$&-####/[XYZ]#";
// 40 characters: every kind of symbol, user characters ('@') included.
constexpr std::string_view kPicture = "DOC/[ABC]-$$&&-####/[XYZ]##-@@-[0123]###";
static_assert(kPicture.size() == 40);

// Increment, then read the whole value: what TGenerator does per value.
void BM_IncrementGetMskValue(benchmark::State& state) {
  TGenMask mask;
  mask.ScanMask(kMask);
  mask.NullValue();
  for (auto _ : state) {
    mask.Increment();
    qgen::TmString value = mask.GetMskValue();
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_IncrementGetMskValue);

// The same with a start and an end value: Increment then compares the counting
// part with the end value at every step.
void BM_IncrementGetMskValueLimits(benchmark::State& state) {
  qgen::MessageRecorder quiet;  // wrapping at the end value shows no message
  TGenMask mask;
  mask.ScanMask(kMask);
  mask.SetStartValue("AA00000X0");
  mask.SetEndValue("BZZ9999Z9");
  mask.NullValue();
  for (auto _ : state) {
    mask.Increment();
    qgen::TmString value = mask.GetMskValue();
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_IncrementGetMskValueLimits);

// Baseline: the same 15-character value formatted from an integer counter.
void BM_SnprintfBaseline(benchmark::State& state) {
  unsigned n = 0;
  char buffer[32];
  for (auto _ : state) {
    ++n;
    const int length = std::snprintf(buffer, sizeof buffer, "INV-A%c%c-%04u/X%u",
                                     'A' + static_cast<int>(n / 10000 % 26),
                                     '0' + static_cast<int>(n / 1000 % 10), n / 10 % 10000, n % 10);
    benchmark::DoNotOptimize(buffer);
    benchmark::DoNotOptimize(length);
  }
}
BENCHMARK(BM_SnprintfBaseline);

// Baseline with the value kept in a std::string, as GetMskValue returns one.
void BM_SnprintfToString(benchmark::State& state) {
  unsigned n = 0;
  char buffer[32];
  for (auto _ : state) {
    ++n;
    const int length = std::snprintf(buffer, sizeof buffer, "INV-A%c%c-%04u/X%u",
                                     'A' + static_cast<int>(n / 10000 % 26),
                                     '0' + static_cast<int>(n / 1000 % 10), n / 10 % 10000, n % 10);
    std::string value(buffer, static_cast<std::size_t>(length));
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_SnprintfToString);

// Parsing a 40-character picture into the symbol table.
void BM_ScanMask40(benchmark::State& state) {
  TGenMask mask;
  for (auto _ : state) {
    mask.ScanMask(kPicture);
    benchmark::DoNotOptimize(mask.Count);
  }
}
BENCHMARK(BM_ScanMask40);

}  // namespace

BENCHMARK_MAIN();
