// The load driver's checks must catch what they are there to catch: values
// issued twice, values lost, gaps that no killed process or lost reply
// explains, a table that skipped, a value printed by another process than the
// one that committed it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/LoadStats.h"
#include "bench/RunGuard.h"
#include "bench/WorkerLine.h"

namespace qgen::bench {
namespace {

// What a worker writes, the driver reads back; a line cut short by a kill, or
// not of the protocol, is no line at all.
TEST(WorkerLines, ReadBackAsWrittenAndCutShortLinesAreNone) {
  using Kind = WorkerLine::Kind;
  const std::vector<WorkerLine> lines = {
      {.kind = Kind::Ready, .text = "20261207030405006", .settings = "journal_mode=wal sync=FULL"},
      {.kind = Kind::Value, .text = "LD-0000000042", .latency_ns = 812345, .at_ns = 99887766},
      {.kind = Kind::Error, .text = "Gentbl is busy. Try again!", .at_ns = 123},
      {.kind = Kind::Message, .text = "Generator: Gentbl is busy. Try again!"},
      {.kind = Kind::Done,
       .values = 300,
       .errors = 1,
       .messages = 2,
       .attempts = 301,
       .taken = 300,
       .pauses = 4},
  };
  for (const WorkerLine& line : lines) {
    const std::string text = FormatWorkerLine(line);
    SCOPED_TRACE(text);
    const std::optional<WorkerLine> back = ParseWorkerLine(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(FormatWorkerLine(*back), text);
    EXPECT_EQ(back->text, line.text);
    EXPECT_EQ(back->at_ns, line.at_ns);
    EXPECT_EQ(back->pauses, line.pauses);
  }
  EXPECT_EQ(FormatWorkerLine({.kind = Kind::Error, .text = "two\nlines", .at_ns = 1}),
            "e 1 two lines");
  for (const char* cut : {"v LD-0000000042 812", "v", "ready", "done 300 1", "", "x 1 2"})
    EXPECT_FALSE(ParseWorkerLine(cut)) << cut;
}

TEST(LoadStats, PercentilesByNearestRank) {
  EXPECT_EQ(Percentile({}, 0.5), 0);
  EXPECT_EQ(Percentile({7}, 0.99), 7);
  EXPECT_EQ(Percentile({5, 1, 4, 2, 3}, 0.5), 3);
  std::vector<long long> hundred;
  for (long long i = 1; i <= 100; ++i)
    hundred.push_back(i);
  EXPECT_EQ(Percentile(hundred, 0.99), 99);
  EXPECT_EQ(Percentile(hundred, 1.0), 100);
}

TEST(LoadStats, SequenceCheckCountsDuplicatesAndGaps) {
  struct Case {
    const char* what;
    std::vector<long long> printed;
    long long first;
    long long stored;
    long long duplicates;
    long long gaps;
  };
  const std::vector<Case> cases = {
      {"every value once", {2, 4, 3, 5}, 2, 5, 0, 0},
      {"one value twice", {1, 2, 2, 3}, 1, 3, 1, 0},
      {"one value never printed", {1, 2, 4}, 1, 4, 0, 1},
      {"the store went on past the last value printed", {1, 2, 3}, 1, 5, 0, 2},
      {"the first value missing", {2, 3}, 1, 3, 0, 1},
      {"nothing printed", {}, 1, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const SequenceCheck check = CheckSequence(c.printed, c.first, c.stored);
    EXPECT_EQ(check.duplicates, c.duplicates) << c.what;
    EXPECT_EQ(check.gaps, c.gaps) << c.what;
  }
}

// The driver drew 1; workers a, b and c drew the rest.
std::vector<AuditEntry> Trail(const std::vector<std::pair<long long, std::string>>& commits) {
  std::vector<AuditEntry> trail = {{1, "driver", 100.0}};
  double at = 100.0;
  for (const auto& [value, who] : commits)
    trail.push_back({value, who, at += 0.1});
  return trail;
}

TEST(LoadStats, AuditCheckExplainsOnlyWhatAKillOrALostReplyExplains) {
  const auto trail = Trail({{2, "a"}, {3, "b"}, {4, "a"}, {5, "c"}, {6, "b"}});
  struct Case {
    const char* what;
    std::vector<IssuedValue> issued;
    std::set<std::string> killed;
    double outage_from, outage_to;
    long long duplicates, wrong_owner, killed_gaps, outage_gaps, unexplained;
  };
  const std::vector<Case> cases = {
      {"all printed by their writers",
       {{2, "a"}, {3, "b"}, {4, "a"}, {5, "c"}, {6, "b"}},
       {},
       0,
       0,
       0,
       0,
       0,
       0,
       0},
      {"printed twice",
       {{2, "a"}, {3, "b"}, {4, "a"}, {5, "c"}, {6, "b"}, {6, "c"}},
       {},
       0,
       0,
       1,
       1,
       0,
       0,
       0},
      {"printed by another",
       {{2, "a"}, {3, "c"}, {4, "a"}, {5, "c"}, {6, "b"}},
       {},
       0,
       0,
       0,
       1,
       0,
       0,
       0},
      {"c killed after committing its last value",
       {{2, "a"}, {3, "b"}, {4, "a"}, {6, "b"}},
       {"c"},
       0,
       0,
       0,
       0,
       1,
       0,
       0},
      {"a killed, but the lost value is not its last",
       {{3, "b"}, {4, "a"}, {5, "c"}, {6, "b"}},
       {"a"},
       0,
       0,
       0,
       0,
       0,
       0,
       1},
      {"a live process lost a value",
       {{2, "a"}, {3, "b"}, {4, "a"}, {6, "b"}},
       {},
       0,
       0,
       0,
       0,
       0,
       0,
       1},
      {"lost while the server went away",
       {{2, "a"}, {3, "b"}, {4, "a"}, {6, "b"}},
       {},
       100.35,
       100.45,
       0,
       0,
       0,
       1,
       0},
  };
  for (const Case& c : cases) {
    const AuditCheck check =
        CheckAudit(trail, c.issued, c.killed, "driver", c.outage_from, c.outage_to);
    EXPECT_EQ(check.duplicates, c.duplicates) << c.what;
    EXPECT_EQ(check.wrong_owner, c.wrong_owner) << c.what;
    EXPECT_EQ(check.killed_gaps, c.killed_gaps) << c.what;
    EXPECT_EQ(check.outage_gaps, c.outage_gaps) << c.what;
    EXPECT_EQ(check.unexplained_gaps, c.unexplained) << c.what;
    EXPECT_EQ(check.skips, 0) << c.what;
  }
}

TEST(LoadStats, AuditCheckFindsATableThatSkippedOrRepeatedAValue) {
  const auto skipped = Trail({{2, "a"}, {4, "b"}});
  EXPECT_EQ(CheckAudit(skipped, {{2, "a"}, {4, "b"}}, {}, "driver", 0, 0).skips, 1);
  const auto repeated = Trail({{2, "a"}, {2, "b"}});
  const AuditCheck check = CheckAudit(repeated, {{2, "a"}, {2, "b"}}, {}, "driver", 0, 0);
  EXPECT_GE(check.duplicates, 1);
  EXPECT_EQ(check.skips, 1);
}

TEST(LoadStats, AValuePrintedButNeverCommittedIsCaught) {
  const auto trail = Trail({{2, "a"}});
  EXPECT_EQ(CheckAudit(trail, {{2, "a"}, {3, "a"}}, {}, "driver", 0, 0).not_committed, 1);
}

// A second run on a database another run is using is refused (each run
// empties the sequence, so both would report values twice or lost); once the
// first has ended, the database is free again, and other databases always are.
TEST(RunGuard, OneRunPerDatabaseAtATime) {
  const std::string db = (std::filesystem::temp_directory_path() /
                          ("qgen-runguard-" + std::to_string(getpid()) + ".db"))
                             .string();
  const std::string other = db + "2";
  {
    const RunGuard first({db});
    EXPECT_THROW(RunGuard({db}), std::runtime_error);
    EXPECT_THROW(RunGuard({other, db}), std::runtime_error);
    EXPECT_NO_THROW(RunGuard({other}));  // the refused guard let go of `other`
  }
  EXPECT_NO_THROW(RunGuard({db}));
  std::filesystem::remove(db + "-loadrun");
  std::filesystem::remove(other + "-loadrun");
}

}  // namespace
}  // namespace qgen::bench
