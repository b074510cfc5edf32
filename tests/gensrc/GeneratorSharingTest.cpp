// Programs and threads that share one sequence: programs of ours with and
// without the queue, a program that follows only the table's protocol in plain
// SQL, a holder stopped without dying, and 8 threads each with a generator and
// a connection of its own (this test also runs under ThreadSanitizer).
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "framework/Text.h"
#include "tests/gensrc/GeneratorFixture.h"
#include "tests/support/QgenProcess.h"

namespace qgen::test {
namespace {

using Emit = std::function<void(const std::string&)>;

// A program of its own: a child process that runs `body`, which reports each
// value it issues on a line of a pipe.
class Child {
 public:
  explicit Child(const std::function<void(const Emit&)>& body) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    if ((pid_ = fork()) == 0) {
      body([&](const std::string& v) { (void)!write(fds[1], (v + "\n").data(), v.size() + 1); });
      _exit(0);
    }
    close(fds[1]);
    out_ = fds[0];
  }
  ~Child() {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    close(out_);
  }
  // What it reported until it ended; a test failure if it runs past `seconds`.
  std::vector<std::string> Values(int seconds = 60) {
    std::string text;
    char buffer[4096];
    for (pollfd out{out_, POLLIN, 0}; poll(&out, 1, seconds * 1000) > 0;) {
      const ssize_t got = read(out_, buffer, sizeof buffer);
      if (got <= 0)
        return Lines(text);
      text.append(buffer, static_cast<std::size_t>(got));
    }
    ADD_FAILURE() << "a program did not finish within " << seconds << " s";
    return Lines(text);
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

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

TEST_P(GeneratorOnBoth, ProgramsWithAndWithoutTheQueueAndPlainSqlShareOneSequence) {
  std::vector<std::string> values = {NewProgram().NewGenerator("INV-####")->Generator()};
  std::vector<std::unique_ptr<Child>> children;
  for (const bool queue : {true, true, false})
    children.push_back(std::make_unique<Child>([&](const Emit& e) { Draw(uri, 30, queue, e); }));
  children.push_back(std::make_unique<Child>([&](const Emit& e) { PlainProtocol(uri, 30, e); }));
  for (auto& child : children) {
    for (const std::string& value : child->Values())
      values.push_back(value);
  }
  ExpectEachValueOnce(values, 121);
}

// A holder stopped (SIGSTOP) with the row and the queue's turn: the others
// wait out the queue, take the row over by the stale rules and go on.
TEST_F(GeneratorTest, AHolderStoppedWithoutDyingIsTakenOver) {
  std::vector<std::string> values = {NewProgram().NewGenerator("INV-####")->Generator()};
  struct Stopping : TGenerator {
    using TGenerator::TGenerator;
    bool ReadDATA() override {
      const bool taken = TGenerator::ReadDATA();
      if (taken)
        raise(SIGSTOP);
      return taken;
    }
  };
  Child stopped([&](const Emit&) {
    Program program(uri);
    auto* gen = new Stopping(&program.owner);
    gen->SetMask("INV-####");
    gen->FSetDataSource(program.source);
    gen->Generator();
  });
  while (Row().state == Variant(0))
    usleep(1000);
  Child other([&](const Emit& e) { Draw(uri, 5, true, e); });
  for (const std::string& value : other.Values(30))
    values.push_back(value);
  ExpectEachValueOnce(values, 6);
}

TEST_P(GeneratorOnBoth, EightThreadsEachWithItsOwnGeneratorAndConnection) {
  NewProgram().NewGenerator("INV-####")->Generator();
  std::vector<std::vector<std::string>> drawn(8);
  std::vector<std::thread> threads;
  for (auto& mine : drawn)
    threads.emplace_back(
        [&] { Draw(uri, 25, true, [&](const std::string& v) { mine.push_back(v); }); });
  for (auto& thread : threads)
    thread.join();
  std::vector<std::string> values = {"INV-0001"};
  for (const auto& mine : drawn)
    values.insert(values.end(), mine.begin(), mine.end());
  ExpectEachValueOnce(values, 201);
}

}  // namespace
}  // namespace qgen::test
