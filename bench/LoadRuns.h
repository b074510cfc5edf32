// The runs of the load driver, each one command: throughput (P processes on
// each database and method, with the figures and checks per case), kill
// (workers killed at random moments and restarted) and outage (the database
// server stopped and started again during a run).
#pragma once

#include <string>
#include <vector>

namespace qgen::bench {

struct ThroughputOptions {
  std::vector<std::string> databases;  // URIs: SQLite paths and postgresql:// servers
  std::vector<int> processes{1, 8, 16, 32};
  long long count = 300;  // values per process
  bool relaxed = false;
  std::string csv;  // where to write the figures as CSV ("" for none)
};
// Prints each case, the table of every case and the targets met or missed
// (bench/LoadReport.h); returns 0 when no TGenerator case issued a value twice,
// left a gap or failed a draw (the figures' targets depend on the machine), 1
// otherwise.
int RunThroughput(const ThroughputOptions& options);

struct KillOptions {
  std::string db;
  int processes = 8;
  int kills = 20;
  int min_interval_ms = 100;
  int max_interval_ms = 500;
  unsigned seed = 0;  // 0: from the clock
  // Each worker pauses this long between getting a value and printing it, so
  // that some kills land in between (0: print at once).
  long long print_delay_us = 0;
};
// Returns 0 when every value was issued once and every gap is explained.
int RunKill(const KillOptions& options);

struct OutageOptions {
  std::string db;
  int processes = 8;
  double before_s = 3;  // running before the server is stopped
  double down_s = 5;    // time the server stays stopped
  double after_s = 8;   // running after it is back
  std::string stop_command;
  std::string start_command;
};
// Returns 0 when nothing was issued twice, every gap is explained, every
// worker issued values again within 2 s of the server's return and no draw
// failed after it.
int RunOutage(const OutageOptions& options);

// The path of this program, to start workers with.
std::string SelfPath();

}  // namespace qgen::bench
