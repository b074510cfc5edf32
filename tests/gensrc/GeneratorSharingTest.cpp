// Programs that share one sequence, each on a thread with a connection of its
// own: generators with and without the queue, and one that follows only the
// table's protocol in plain SQL (this test also runs under ThreadSanitizer).
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "framework/Text.h"
#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

using Emit = std::function<void(const std::string&)>;

// The table protocol in plain SQL, as another program may follow it: mark the
// free row and sign it, read the value, write the next one back and free it.
void PlainProtocol(const std::string& uri, int count, const Emit& emit) {
  auto db = OpenDatabase(uri);
  const std::string who = "plain-" + std::to_string(getpid());
  const std::string row = " WHERE \"GenID\" = 0 AND \"Prefix\" = 'INV-'";
  for (int issued = 0; issued < count;) {
    if (db->Execute("UPDATE \"Gentbl\" SET \"State\" = 1, \"Who\" = ?, \"Try\" = 0, "
                    "\"LastTime\" = ?" +
                        row + " AND \"State\" = 0",
                    {Variant(who), Variant(GetTimeStamp())}) != 1) {
      usleep(300);
      continue;
    }
    const auto value = db->Query("SELECT \"Suffix\" FROM \"Gentbl\"" + row)[0][0].ToString();
    const std::string next = Format("%04d", StrToInt(value) + 1);
    if (db->Execute("UPDATE \"Gentbl\" SET \"Suffix\" = ?, \"State\" = 0, \"Try\" = 0, "
                    "\"LastTime\" = ?" +
                        row + " AND \"State\" = 1 AND \"Who\" = ?",
                    {Variant(next), Variant(GetTimeStamp()), Variant(who)}) == 1) {
      emit("INV-" + next);
      ++issued;
    }
  }
}

// Draws `count` values through a generator of its own on `uri`.
void Draw(const std::string& uri, int count, bool queue, const Emit& emit) {
  Program program(uri);
  TGenerator* gen = program.NewGenerator("INV-####");
  gen->UseQueue = queue;
  for (int i = 0; i < count; ++i)
    emit(gen->Generator());
}

// Every value from INV-0001 to INV-<count> exactly once.
void ExpectEachValueOnce(std::vector<std::string> values, std::size_t count) {
  std::sort(values.begin(), values.end());
  ASSERT_EQ(values.size(), count);
  for (std::size_t i = 0; i < values.size(); ++i)
    ASSERT_EQ(values[i], Format("INV-%04d", static_cast<int>(i) + 1));
}

TEST_P(GeneratorOnBoth, ThreadsWithAndWithoutTheQueueAndPlainSqlShareOneSequence) {
  Drawn(1);
  std::vector<std::vector<std::string>> drawn(8);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    threads.emplace_back([&, i] {
      const Emit emit = [&](const std::string& v) { drawn[i].push_back(v); };
      i == 0 ? PlainProtocol(uri, 25, emit) : Draw(uri, 25, i % 3 != 0, emit);
    });
  }
  for (auto& thread : threads)
    thread.join();
  std::vector<std::string> values = {"INV-0001"};
  for (const auto& mine : drawn)
    values.insert(values.end(), mine.begin(), mine.end());
  ExpectEachValueOnce(values, 201);
}

}  // namespace
}  // namespace qgen::test
