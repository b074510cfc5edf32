// Real qgen processes on SQLite and on PostgreSQL: a process killed midway has
// printed every value it wrote but the one in flight, and the next process
// takes its row over quickly, issuing no value twice.
#include <signal.h>
#include <unistd.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/Text.h"
#include "tests/support/QgenProcess.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

// Where the processes meet: an SQLite file in memory (/dev/shm, where there is
// one: what is tested is the coordination, not the disk) or a schema of its
// own on the private PostgreSQL server, its table unlogged for the same reason.
class Concurrency : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (std::string(GetParam()) == "postgresql") {
      QGEN_REQUIRE_POSTGRES();
      schema_ = std::make_unique<PostgresSchema>();
    }
    db_ = schema_ ? schema_->Uri() : temp_.File("shared.db");
    ASSERT_EQ(QgenProcess::Run({"init", "--db", db_}).status, 0);
    admin_ = OpenDatabase(db_);
    if (schema_)
      admin_->Execute("ALTER TABLE \"GENTBL\" SET UNLOGGED");
  }

  std::vector<std::string> Next(const std::string& count) {
    return {"next", "--db", db_, "--mask", "C-#######", "--start", "0000001", "-n", count};
  }
  // The value the row (type 0) holds, and whether it is free.
  std::pair<std::string, bool> Row() {
    const auto rows =
        admin_->Query("SELECT \"Suffix\", \"State\" FROM \"GENTBL\" WHERE \"GenID\" = 0");
    if (rows.empty())
      return {"C-0000000", true};
    return {"C-" + rows.at(0).at(0).ToString(), rows.at(0).at(1) == Variant(0)};
  }

  TempDir temp_{access("/dev/shm", W_OK) == 0 ? "/dev/shm" : nullptr};
  std::unique_ptr<PostgresSchema> schema_;
  std::string db_;
  std::unique_ptr<TDatabase> admin_;
};

// A process killed at a random moment of a long run has printed every value it
// wrote to the row except at most the one in flight. When it died holding the
// row, the next process takes over quickly; no value is issued twice.
TEST_P(Concurrency, AProcessKilledMidRunLeavesNoRepeatedOrUnshownValues) {
  std::set<std::string> issued;
  bool left_busy = false;
  for (int attempt = 0; attempt < 4 && !left_busy; ++attempt) {
    QgenProcess victim(Next("1000000"));
    usleep(150000 + 50000 * attempt);
    victim.Kill(SIGKILL);
    for (const std::string& line : Lines(victim.Wait().out))
      EXPECT_TRUE(issued.insert(line).second) << line;
    const auto [stored, free] = Row();
    left_busy = !free;
    const std::string shown = issued.empty() ? "C-0000000" : *issued.rbegin();
    EXPECT_TRUE(stored == shown || stored == Format("C-%07d", StrToInt(shown.substr(2)) + 1))
        << "the row holds " << stored << ", the last value printed is " << shown;

    // The next run takes the row over (its mark ages a second, or the waits
    // counted pass the limit) within the five seconds it may wait, counted by
    // the tool from its first try: a slow start on a loaded machine is no fault.
    std::vector<std::string> args = Next("20");
    args.insert(args.end(), {"--wait", "5000"});
    const QgenOutcome after = QgenProcess::Run(args);
    ASSERT_EQ(Lines(after.out).size(), 20u) << after.err;
    for (const std::string& value : Lines(after.out))
      EXPECT_TRUE(value > stored && issued.insert(value).second) << value;
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, Concurrency, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace qgen::test
