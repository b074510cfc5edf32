// What a throughput run reports: the figures of each case (one database, one
// method, one number of processes), the table of every case, the targets
// judged against one table of targets, and the CSV for plots.
#pragma once

#include <string>
#include <vector>

#include "bench/LoadSchema.h"
#include "bench/LoadStats.h"

namespace qgen::bench {

struct CaseFigures {
  std::string db;  // "sqlite" or "postgresql"
  Method method = Method::Generator;
  int processes = 0;
  long long values = 0;
  double seconds = 0;
  double rate = 0;   // values per second, all processes together
  double ratio = 0;  // to the counter's rate at the same number of processes
  double p50_ms = 0;
  double p99_ms = 0;
  double max_ms = 0;
  SequenceCheck sequence;
  long long errors = 0;    // draws that failed
  long long notices = 0;   // message boxes shown (the busy notice)
  long long attempts = 0;  // TGenerator's ReadDATA calls
  long long pauses = 0;    // its Wait calls
  std::string load;        // the load average as the case started and ended
  std::string settings;    // durability, read back from a worker's connection
  bool Clean() const { return sequence.duplicates == 0 && sequence.gaps == 0 && errors == 0; }
  // Per value issued (0 when none was).
  double PerValue(long long count) const;
};

// One line for a case as it ends.
void PrintCase(const CaseFigures& figures);
// The table of every case (markdown) and the durability each method ran with.
void PrintTable(const std::vector<CaseFigures>& all);
// Judges every target that the cases measured, prints each with its figure;
// true when all of them are met.
bool PrintTargets(const std::vector<CaseFigures>& all);
// The figures as CSV, one line per case.
void WriteCsv(const std::string& path, const std::vector<CaseFigures>& all);

}  // namespace qgen::bench
