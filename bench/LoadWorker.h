// The worker process of the load driver: draws values from one sequence and
// prints each with its latency, one line per value (bench/WorkerLine.h), written
// at once so that a process killed a moment later has shown everything it issued.
#pragma once

#include <string>

#include "bench/LoadSchema.h"

namespace qgen::bench {

struct WorkerOptions {
  Method method = Method::Generator;
  std::string db;
  long long count = 0;  // 0: draw until SIGTERM
  bool relaxed = false;
  // With a count: give up (exit status 3) after this many failed draws.
  long long max_errors = 100;
  // A pause between getting a value and printing it, as an application's own
  // work would be: a process killed then has issued a value it never showed.
  long long print_delay_us = 0;
};

// Runs the worker; returns the process exit status.
int RunWorker(const WorkerOptions& options);

}  // namespace qgen::bench
