// Several real qgen processes drawing from one sequence at once, on SQLite and
// on PostgreSQL: every value is issued exactly once, sequences of different
// types and prefixes stay apart, and a holder that dies with its row busy
// holds the others up only briefly.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "dataaccess/Database.h"
#include "framework/Text.h"
#include "gensrc/TimeStamp.h"
#include "tests/support/QgenProcess.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A fresh directory in memory where there is one, so that the thousands of
// commits of these tests do not wait for the disk: what is tested is the
// coordination between processes, not durability.
class MemoryDir {
 public:
  MemoryDir() {
    std::string pattern = "/dev/shm/qgen-test-XXXXXX";
    if (access("/dev/shm", W_OK) == 0 && mkdtemp(pattern.data())) {
      path_ = pattern;
    } else {
      fallback_ = std::make_unique<TempDir>();
      path_ = fallback_->path();
    }
  }
  ~MemoryDir() {
    if (!fallback_)
      std::filesystem::remove_all(path_);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
  std::unique_ptr<TempDir> fallback_;
};

// Where the processes meet: an SQLite file or a table of its own on the
// private PostgreSQL server.
class Concurrency : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (std::string(GetParam()) == "postgresql") {
      QGEN_REQUIRE_POSTGRES();
      db_ = PostgresUri();
      static int serial = 0;
      table_ = Format("gen_%d_%d", static_cast<int>(getpid()), ++serial);
    } else {
      db_ = dir_.File("shared.db");
      table_ = "GENTBL";
    }
    admin_ = std::make_unique<TDatabase>(nullptr);
    admin_->SetURI(db_);
    admin_->Open();
    if (std::string(GetParam()) == "postgresql") {
      // The tool makes the table; unlogged, its commits skip the WAL flush
      // (the server runs with fsync on), as the SQLite file skips the disk.
      const QgenOutcome made = QgenProcess::Run(Next("X", "0"));
      ASSERT_EQ(made.status, 0) << made.err;
      admin_->Execute("ALTER TABLE " + admin_->QuoteIdentifier(table_) + " SET UNLOGGED");
    }
  }

  void TearDown() override {
    if (admin_ && std::string(GetParam()) == "postgresql") {
      admin_->Execute("DROP TABLE IF EXISTS " + admin_->QuoteIdentifier(table_));
    }
  }

  std::vector<std::string> Next(const std::string& mask, const std::string& count,
                                std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"next",   "--db", db_,  "--table", table_,
                                     "--mask", mask,   "-n", count};
    args.insert(args.end(), more.begin(), more.end());
    return args;
  }

  // Runs the commands as processes all at once; returns each one's output lines.
  std::vector<std::vector<std::string>> RunTogether(
      const std::vector<std::vector<std::string>>& commands) {
    std::vector<std::unique_ptr<QgenProcess>> processes;
    for (const auto& args : commands) {
      processes.push_back(std::make_unique<QgenProcess>(args));
      processes.back()->CloseInput();
    }
    std::vector<std::vector<std::string>> outputs;
    for (auto& process : processes) {
      const QgenOutcome outcome = process->Wait();
      EXPECT_EQ(outcome.status, 0) << outcome.err;
      outputs.push_back(Lines(outcome.out));
    }
    return outputs;
  }

  // State, Try and Suffix of the row (type, prefix).
  std::vector<Variant> Row(int type, const std::string& prefix) {
    const auto rows = admin_->Query("SELECT \"State\", \"Try\", \"Suffix\" FROM " +
                                        admin_->QuoteIdentifier(table_) +
                                        " WHERE \"GenID\" = ? AND \"Prefix\" = ?",
                                    {Variant(type), Variant(prefix)});
    return rows.empty() ? std::vector<Variant>{} : rows[0];
  }

  // Leaves the row as a holder that died between taking and writing it would.
  void MarkBusyByDeadHolder(const std::string& prefix) {
    admin_->Execute("UPDATE " + admin_->QuoteIdentifier(table_) +
                        " SET \"State\" = 1, \"Try\" = 0, \"LastTime\" = ?, \"Who\" = ?"
                        " WHERE \"GenID\" = 0 AND \"Prefix\" = ?",
                    {Variant(GetTimeStamp()), Variant("20000101000000000"), Variant(prefix)});
  }

  void Measured(const std::string& what, long long ms) {
    std::cout << "[ measured ] " << GetParam() << ": " << what << ": " << ms << " ms" << std::endl;
    RecordProperty(what, static_cast<int>(ms));
  }

  MemoryDir dir_;
  std::string db_;
  std::string table_;
  std::unique_ptr<TDatabase> admin_;
};

// Every value of "<prefix><number>" from `first` to `last`, zero-filled to `width`.
std::set<std::string> Expected(const std::string& prefix, int first, int last, int width) {
  std::set<std::string> values;
  for (int i = first; i <= last; ++i)
    values.insert(prefix + Format("%0*d", width, i));
  return values;
}

TEST_P(Concurrency, FourProcessesDrawOneThousandDistinctContiguousValues) {
  const auto start = Clock::now();
  const auto outputs = RunTogether(
      std::vector<std::vector<std::string>>(4, Next("C-#####", "250", {"--start", "00001"})));
  Measured("4 processes x 250 values", MillisecondsSince(start));

  std::vector<std::string> all;
  for (const auto& lines : outputs) {
    EXPECT_EQ(lines.size(), 250u);
    EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end()));  // each process counts upwards
    all.insert(all.end(), lines.begin(), lines.end());
  }
  const std::set<std::string> distinct(all.begin(), all.end());
  EXPECT_EQ(all.size(), 1000u);
  EXPECT_EQ(distinct, Expected("C-", 1, 1000, 5));
  const auto row = Row(0, "C-");
  ASSERT_EQ(row.size(), 3u);
  EXPECT_EQ(row[0], Variant(0));  // free
  EXPECT_EQ(row[2].ToString(), "01000");
}

TEST_P(Concurrency, TypesAndPrefixesInterleavedCountIndependently) {
  std::vector<std::vector<std::string>> commands;
  for (int round = 0; round < 2; ++round) {
    for (const char* type : {"1", "2"}) {
      for (const char* user : {"A", "B"}) {
        commands.push_back(Next("@-###", "40", {"--type", type, "--user", user, "--start", "001"}));
      }
    }
  }
  const auto outputs = RunTogether(commands);
  std::map<std::string, std::vector<std::string>> by_sequence;  // "type/prefix" -> values
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const std::string key = commands[i][10] + "/" + commands[i][12];
    for (const auto& value : outputs[i])
      by_sequence[key].push_back(value);
  }
  ASSERT_EQ(by_sequence.size(), 4u);
  for (const auto& [key, values] : by_sequence) {
    const std::string prefix = key.substr(key.find('/') + 1) + "-";
    const std::set<std::string> distinct(values.begin(), values.end());
    EXPECT_EQ(values.size(), 80u) << key;
    EXPECT_EQ(distinct, Expected(prefix, 1, 80, 3)) << key;
  }
  for (int type : {1, 2}) {
    for (const char* prefix : {"A-", "B-"}) {
      const auto row = Row(type, prefix);
      ASSERT_EQ(row.size(), 3u);
      EXPECT_EQ(row[0], Variant(0));
      EXPECT_EQ(row[2].ToString(), "080");
    }
  }
}

TEST_P(Concurrency, ADeadHolderDelaysTheOthersBrieflyAndNoValueRepeats) {
  ASSERT_EQ(QgenProcess::Run(Next("D-#####", "1", {"--start", "00001"})).out, "D-00001\n");

  MarkBusyByDeadHolder("D-");
  auto start = Clock::now();
  const QgenOutcome one = QgenProcess::Run(Next("D-#####", "1", {"--start", "00001"}));
  const long long alone = MillisecondsSince(start);
  Measured("one value behind a dead holder (process included)", alone);
  EXPECT_EQ(one.out, "D-00002\n") << one.err;
  EXPECT_LT(alone, 2000);

  MarkBusyByDeadHolder("D-");
  start = Clock::now();
  const auto outputs = RunTogether(
      std::vector<std::vector<std::string>>(4, Next("D-#####", "50", {"--start", "00001"})));
  Measured("4 processes x 50 values behind a dead holder", MillisecondsSince(start));
  std::vector<std::string> all;
  for (const auto& lines : outputs)
    all.insert(all.end(), lines.begin(), lines.end());
  const std::set<std::string> distinct(all.begin(), all.end());
  EXPECT_EQ(all.size(), 200u);
  EXPECT_EQ(distinct, Expected("D-", 3, 202, 5));
  EXPECT_EQ(Row(0, "D-")[0], Variant(0));
}

// A process killed at a random moment of a long run: when it happens to die
// holding the row, the next process takes over quickly, and never issues a
// value the dead one had issued.
TEST_P(Concurrency, AProcessKilledMidRunLeavesNoRepeatedValues) {
  std::set<std::string> issued;
  bool left_busy = false;
  for (int attempt = 0; attempt < 4 && !left_busy; ++attempt) {
    QgenProcess victim(Next("K-#######", "1000000", {"--start", "0000001"}));
    victim.CloseInput();
    // Let it run a little, reading its output as it comes.
    const auto until = Clock::now() + std::chrono::milliseconds(150 + 50 * attempt);
    std::vector<std::string> lines;
    while (Clock::now() < until) {
      const std::string line = victim.ReadLine(50);
      if (!line.empty())
        lines.push_back(line);
    }
    victim.Kill(SIGKILL);
    // The tool's output to a pipe is block-buffered, so a kill can cut the
    // last line short ("K-"): only whole lines are values it issued.
    const std::string rest = victim.Wait().out;
    std::vector<std::string> tail = Lines(rest);
    if (!rest.empty() && rest.back() != '\n' && !tail.empty())
      tail.pop_back();
    for (const auto& line : tail)
      lines.push_back(line);
    for (const auto& line : lines)
      EXPECT_TRUE(issued.insert(line).second) << line;
    const auto row = Row(0, "K-");
    left_busy = !row.empty() && row[0] == Variant(1);

    const auto start = Clock::now();
    const QgenOutcome after = QgenProcess::Run(Next("K-#######", "20", {"--start", "0000001"}));
    const long long took = MillisecondsSince(start);
    ASSERT_EQ(after.status, 0) << after.err;
    if (left_busy)
      Measured("20 values after a holder killed while busy", took);
    EXPECT_LT(took, 3000);
    const std::string highest = issued.empty() ? "" : *issued.rbegin();
    for (const auto& value : Lines(after.out)) {
      EXPECT_GT(value, highest);
      EXPECT_TRUE(issued.insert(value).second) << value;
    }
    EXPECT_EQ(Row(0, "K-")[0], Variant(0));
  }
  std::cout << "[ measured ] " << GetParam() << ": killed holder left the row busy: "
            << (left_busy ? "yes" : "no (killed between values)") << std::endl;
}

INSTANTIATE_TEST_SUITE_P(Backends, Concurrency, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace qgen::test
