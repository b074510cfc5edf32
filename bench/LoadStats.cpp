#include "bench/LoadStats.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace qgen::bench {

double Percentile(std::vector<long long> samples, double q) {
  if (samples.empty())
    return 0;
  std::sort(samples.begin(), samples.end());
  const double rank = std::ceil(q * static_cast<double>(samples.size()));
  const std::size_t index = rank < 1 ? 0 : static_cast<std::size_t>(rank) - 1;
  return static_cast<double>(samples[std::min(index, samples.size() - 1)]);
}

SequenceCheck CheckSequence(const std::vector<long long>& printed, long long first,
                            long long stored) {
  SequenceCheck check;
  std::vector<long long> sorted = printed;
  std::sort(sorted.begin(), sorted.end());
  const auto unique_end = std::unique(sorted.begin(), sorted.end());
  check.duplicates = static_cast<long long>(sorted.end() - unique_end);
  sorted.erase(unique_end, sorted.end());
  check.lowest = sorted.empty() ? 0 : sorted.front();
  check.highest = sorted.empty() ? 0 : sorted.back();
  const long long last = std::max(check.highest, stored);
  long long expected = last >= first ? last - first + 1 : 0;
  // Only the values in the expected range count as filling it.
  const long long inside = std::count_if(sorted.begin(), sorted.end(),
                                         [&](long long v) { return v >= first && v <= last; });
  check.gaps = expected - inside;
  return check;
}

AuditCheck CheckAudit(const std::vector<AuditEntry>& audit, const std::vector<IssuedValue>& issued,
                      const std::set<std::string>& killed, const std::string& driver,
                      double outage_from, double outage_to) {
  AuditCheck check;
  check.committed = static_cast<long long>(audit.size());
  check.issued = static_cast<long long>(issued.size());

  std::map<long long, const AuditEntry*> committed;
  std::map<std::string, long long> last_by_who;  // index of each writer's last commit
  for (std::size_t i = 0; i < audit.size(); ++i) {
    const AuditEntry& entry = audit[i];
    if (i > 0 && entry.value != audit[i - 1].value + 1) {
      ++check.skips;
      check.notes.push_back("the table went from " + std::to_string(audit[i - 1].value) + " to " +
                            std::to_string(entry.value));
    }
    if (!committed.emplace(entry.value, &entry).second) {
      ++check.duplicates;
      check.notes.push_back("value " + std::to_string(entry.value) + " committed twice");
    }
    last_by_who[entry.who] = static_cast<long long>(i);
  }

  std::map<long long, std::string> printed;
  for (const IssuedValue& value : issued) {
    const auto [it, fresh] = printed.emplace(value.value, value.who);
    if (!fresh) {
      ++check.duplicates;
      check.notes.push_back("value " + std::to_string(value.value) + " issued by " + it->second +
                            " and again by " + value.who);
    }
    const auto found = committed.find(value.value);
    if (found == committed.end()) {
      ++check.not_committed;
      check.notes.push_back("value " + std::to_string(value.value) + " issued by " + value.who +
                            " was never committed");
    } else if (found->second->who != value.who) {
      ++check.wrong_owner;
      check.notes.push_back("value " + std::to_string(value.value) + " issued by " + value.who +
                            " was committed by " + found->second->who);
    }
  }

  for (std::size_t i = 0; i < audit.size(); ++i) {
    const AuditEntry& entry = audit[i];
    if (printed.count(entry.value) || entry.who == driver)
      continue;
    const bool last_of_killed =
        killed.count(entry.who) != 0 && last_by_who[entry.who] == static_cast<long long>(i);
    if (last_of_killed) {
      ++check.killed_gaps;
    } else if (outage_to > 0 && entry.at >= outage_from && entry.at <= outage_to) {
      ++check.outage_gaps;
      check.notes.push_back("value " + std::to_string(entry.value) + " committed by " + entry.who +
                            " while the server went away; its reply was lost");
    } else {
      ++check.unexplained_gaps;
      check.notes.push_back("value " + std::to_string(entry.value) + " committed by " + entry.who +
                            " was never issued");
    }
  }
  return check;
}

}  // namespace qgen::bench
