// Programs that share one sequence, each on a thread with a connection of its
// own: generators with and without the queue, and one that follows only the
// table's protocol in plain SQL (this test also runs under ThreadSanitizer).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "framework/Text.h"
#include "gensrc/GeneratorQueue.h"
#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

// The table protocol in plain SQL, as another program may follow it: mark the
// free row and sign it, read the value, write the next one back and free it.
void PlainProtocol(const std::string& uri, std::size_t count, std::vector<std::string>& issued) {
  auto db = OpenDatabase(uri);
  const Variant who("plain-" + std::to_string(getpid()));
  const std::string set = "UPDATE \"Gentbl\" SET \"Try\" = 0, \"LastTime\" = ?, \"State\" = ";
  const std::string row = " WHERE \"GenID\" = 0 AND \"Prefix\" = 'INV-'";
  while (issued.size() < count) {
    if (db->Execute(set + "1, \"Who\" = ?" + row + " AND \"State\" = 0",
                    {Variant(GetTimeStamp()), who}) != 1) {
      usleep(300);
      continue;
    }
    const auto value = db->Query("SELECT \"Suffix\" FROM \"Gentbl\"" + row)[0][0];
    const std::string next = Format("%04d", StrToInt(value.ToString()) + 1);
    if (db->Execute(set + "0, \"Suffix\" = ?" + row + " AND \"State\" = 1 AND \"Who\" = ?",
                    {Variant(GetTimeStamp()), Variant(next), who}) == 1)
      issued.push_back("INV-" + next);
  }
}

TEST_P(GeneratorOnBoth, ThreadsWithAndWithoutTheQueueAndPlainSqlShareOneSequence) {
  Drawn(1);
  std::vector<std::vector<std::string>> drawn(8);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    threads.emplace_back([&, i] {
      if (i == 0)
        return PlainProtocol(uri, 25, drawn[i]);
      Program program(uri);
      TGenerator* gen = program.NewGenerator("INV-####");
      gen->UseQueue = i % 3 != 0;
      for (int n = 0; n < 25; ++n)
        drawn[i].push_back(gen->Generator());
    });
  }
  std::vector<std::string> values = {"INV-0001"}, expected;
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    threads[i].join();
    values.insert(values.end(), drawn[i].begin(), drawn[i].end());
  }
  for (int n = 1; n <= 201; ++n)
    expected.push_back(Format("INV-%04d", n));
  std::sort(values.begin(), values.end());
  EXPECT_EQ(values, expected);  // every value once
}

// The queue's turn: waited for no longer than asked, without changing the
// connection's own lock timeout, handed on when the holder leaves, and known
// to have been waited for.
TEST_P(GeneratorOnBoth, ATurnIsWaitedForAsLongAsAskedAndHandedOnWhenLeft) {
  using std::chrono::milliseconds;
  const auto other = OpenDatabase(uri);
  const auto holder = OpenSequenceQueue(*admin, "Gentbl", 0, "INV-");
  const auto waiter = OpenSequenceQueue(*other, "Gentbl", 0, "INV-");
  ASSERT_TRUE(holder->Enter(milliseconds(1000)));
  EXPECT_FALSE(holder->FoundTaken());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(waiter->Enter(milliseconds(300)));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(waited >= milliseconds(250) && waited < milliseconds(2000));
  std::thread leave([&] {
    std::this_thread::sleep_for(milliseconds(100));
    holder->Leave();
  });
  EXPECT_TRUE(waiter->Enter(milliseconds(2000)));
  leave.join();
  EXPECT_TRUE(waiter->FoundTaken());  // it waited behind the holder
  EXPECT_FALSE(holder->Enter(milliseconds(0)));
  waiter->Leave();
  if (GetParam()) {  // inside a transaction the wait's timeout does not outlast the request
    other->StartTransaction();
    EXPECT_TRUE(waiter->Enter(milliseconds(1000)));
    EXPECT_EQ(other->Query("SHOW lock_timeout")[0][0].ToString(), "5s");
    waiter->Leave();
    other->Rollback();
  }
  EXPECT_TRUE(holder->Enter(milliseconds(1000)));  // one Leave let go: the turn was held once
  EXPECT_TRUE(!GetParam() || other->Query("SHOW lock_timeout")[0][0].ToString() == "5s");
  if (GetParam()) {  // the holder has stopped: the draw sent with the request takes the freed row
    TGenerator* gen = NewProgram().NewGenerator("INV-####");
    gen->UseQueue = false;
    const std::string first = gen->Generator();
    gen->UseQueue = true;
    UpdateRow("\"State\" = 1");  // a busy row sends the draw to the queue
    std::thread free_row([&] {   // once the draw waits for the turn
      const auto third = OpenDatabase(uri);
      const std::string waiting =
          "SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND NOT granted";
      for (int i = 0; i < 1000 && third->Query(waiting)[0][0].ToInt64() == 0; ++i)
        std::this_thread::sleep_for(milliseconds(2));
      third->Execute("UPDATE \"Gentbl\" SET \"State\" = 0");
    });
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_NE(gen->Generator(), first);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, milliseconds(900));
    free_row.join();
  }
}

}  // namespace
}  // namespace qgen::test
