// The figures and checks of a load run: latency percentiles, duplicates and
// gaps among the values the workers printed, and, for fault runs, every value
// the table committed accounted for against the audit trail.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "bench/LoadSchema.h"

namespace qgen::bench {

// The q-quantile (0..1) of the samples, nearest rank; 0 when there are none.
double Percentile(std::vector<long long> samples, double q);

// Duplicates and gaps among printed values that should run from `first` on
// without a hole, the store ending on `stored` (the last value it committed).
struct SequenceCheck {
  long long duplicates = 0;  // values printed more than once (extra copies)
  long long gaps = 0;        // values of first..max(printed, stored) never printed
  long long lowest = 0;
  long long highest = 0;
};
SequenceCheck CheckSequence(const std::vector<long long>& printed, long long first,
                            long long stored);

// A value a worker printed, with the identity (Who stamp) of that worker.
struct IssuedValue {
  long long value = 0;
  std::string who;
};

// The audit trail set against what the workers printed.
struct AuditCheck {
  long long committed = 0;      // values the table committed
  long long issued = 0;         // values printed
  long long duplicates = 0;     // printed more than once, or committed more than once
  long long skips = 0;          // committed values that did not follow the one before by 1
  long long not_committed = 0;  // printed but never committed by the table
  long long wrong_owner = 0;    // printed by another process than the one that committed it
  long long killed_gaps = 0;    // committed by a process killed before it printed it
  long long outage_gaps = 0;    // committed while the server went away, reply lost
  long long unexplained_gaps = 0;
  std::vector<std::string> notes;  // one line per finding, faults and explained gaps
};

// `killed`: identities of processes killed during the run; `outage_from` to
// `outage_to` (seconds since the epoch, both 0 for none): when the server was
// away. `driver` is the identity under which the driver drew the first value.
AuditCheck CheckAudit(const std::vector<AuditEntry>& audit, const std::vector<IssuedValue>& issued,
                      const std::set<std::string>& killed, const std::string& driver,
                      double outage_from, double outage_to);

}  // namespace qgen::bench
