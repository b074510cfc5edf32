// The worker process of the load driver: draws values from one sequence and
// prints each with its latency, one line per value, written at once so that a
// process killed a moment later has shown everything it issued.
//
// Lines on standard output:
//   ready <identity> <durability settings>   set up; waits for "go" on stdin
//   v <value> <latency ns> <monotonic ns>    one value issued
//   e <monotonic ns> <message>               a draw failed (retried after 50 ms)
//   m <caption>: <text>                      a message box (repeats shown once)
//   done <values> <errors> <messages> <attempts> <taken> <pauses>
//                                            finished (count reached or SIGTERM);
//                                            the last three count TGenerator's
//                                            ReadDATA calls, those that took the
//                                            row, and its Wait calls
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
