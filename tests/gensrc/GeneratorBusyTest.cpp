// The busy flag between instances: taking a free row, counting the waits on a
// busy one, freeing a stale mark, the failure count with its notice, the
// bounded retry loop and the pause between attempts.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "framework/Clock.h"
#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

const char kBusy[] = "Gentbl is busy. Try again!";

// 2026-03-04 12:00:30.000, a moment in the middle of a minute.
TDateTime HalfPast() {
  return EncodeDate(2026, 3, 4) + EncodeTime(12, 0, 30, 0);
}
TDateTime Ms(int milliseconds) {
  return milliseconds / 86400000.0;
}

class GeneratorBusy : public GeneratorTest {
 protected:
  // A generator whose row "INV-" exists (holding 0001) and is current.
  TGenerator* WithRow(Program& program) {
    TGenerator* gen = program.NewGenerator("INV-####", "0001");
    EXPECT_EQ(gen->Generator(), "INV-0001");
    return gen;
  }
  // Marks the row busy by hand, as a holder would leave it, and lets the
  // generator's table see it.
  void MarkBusy(Program& program, Variant tries, Variant last_time, const char* who = "holder") {
    UpdateRow(0, "INV-", "\"State\" = 1, \"Try\" = ?, \"LastTime\" = ?, \"Who\" = ?",
              {tries, last_time, Variant(who)});
    ASSERT_TRUE(program.table->Locate("GenID;Prefix", Variant::Array({Variant(0), "INV-"})));
  }
};

TEST_F(GeneratorBusy, AFreeRowIsTakenAndSigned) {
  TestClock clock(HalfPast());
  Program& program = NewProgram();
  TGenerator* gen = WithRow(program);
  UpdateRow(0, "INV-", "\"Suffix\" = '0041', \"Try\" = 3", {});
  ASSERT_TRUE(program.table->Locate("GenID;Prefix", Variant::Array({Variant(0), "INV-"})));
  EXPECT_TRUE(gen->ReadDATA());
  const GenRow row = Row(0, "INV-");
  EXPECT_EQ(row.state, Variant(1));
  EXPECT_EQ(row.who, gen->InstanceStamp);
  EXPECT_EQ(row.tries, Variant(0));
  EXPECT_EQ(row.last_time.ToString(), StampAt(clock.time));
  EXPECT_EQ(gen->RowSuffix.str(), "0041");
  EXPECT_EQ(gen->WorkSuffix.str(), "0041");
  EXPECT_EQ(gen->GenMask->GetSuffix().str(), "0041");
}

TEST_F(GeneratorBusy, WaitsAreCountedUntilTheMarkIsTakenOver) {
  TestClock clock(HalfPast());
  Program& program = NewProgram();
  TGenerator* gen = WithRow(program);
  MarkBusy(program, Variant(10), Variant(StampAt(clock.time - Ms(500))));
  EXPECT_FALSE(gen->ReadDATA());
  EXPECT_EQ(Row(0, "INV-").tries, Variant(11));
  EXPECT_EQ(Row(0, "INV-").state, Variant(1));
  EXPECT_FALSE(gen->ReadDATA());
  EXPECT_EQ(Row(0, "INV-").state, Variant(0));
  EXPECT_EQ(Row(0, "INV-").who, "holder");  // only the flag is cleared
  EXPECT_TRUE(gen->ReadDATA());
  EXPECT_EQ(Row(0, "INV-").who, gen->InstanceStamp);
}

TEST_F(GeneratorBusy, AnOldMarkIsFreedAtOnce) {
  TestClock clock(HalfPast());
  Program& program = NewProgram();
  TGenerator* gen = WithRow(program);
  MarkBusy(program, Variant(0), Variant(StampAt(clock.time - Ms(2000))));
  EXPECT_FALSE(gen->ReadDATA());
  const GenRow row = Row(0, "INV-");
  EXPECT_EQ(row.state, Variant(0));
  EXPECT_EQ(row.tries, Variant(0));
}

struct AgeCase {
  const char* name;
  int now_sec, now_ms;  // the current time: 12:00:now_sec.now_ms, or 12:01 when now_sec >= 60
  Variant stamp;
  bool stale;
};

class GeneratorCheckTimeOut : public ::testing::TestWithParam<AgeCase> {};

TEST_P(GeneratorCheckTimeOut, JudgesBySecondsAndMilliseconds) {
  const AgeCase& c = GetParam();
  TestClock clock(EncodeDate(2026, 3, 4) +
                  EncodeTime(12, c.now_sec / 60, c.now_sec % 60, c.now_ms));
  TGenerator gen(nullptr);
  EXPECT_EQ(gen.CheckTimeOut(TmString(c.stamp.ToString())), c.stale);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GeneratorCheckTimeOut,
    ::testing::Values(AgeCase{"HalfASecond", 30, 0, Variant("20260304120029500"), false},
                      AgeCase{"ExactlyOneSecond", 30, 0, Variant("20260304120029000"), false},
                      AgeCase{"JustOverOneSecond", 30, 0, Variant("20260304120028999"), true},
                      AgeCase{"NextMinuteLooksFresh", 61, 0, Variant("20260304120059500"), false},
                      AgeCase{"Null", 30, 0, Variant(), true},
                      AgeCase{"Empty", 30, 0, Variant(""), true},
                      AgeCase{"Text", 30, 0, Variant("not a time stamp"), true}),
    [](const auto& info) { return std::string(info.param.name); });

// A busy mark whose time cannot be read must not make every Generator call
// on the row raise for ever: it counts as stale.
TEST_F(GeneratorBusy, AnUnreadableMarkTimeCountsAsStale) {
  Program& program = NewProgram();
  TGenerator* gen = WithRow(program);
  const std::vector<std::pair<Variant, const char*>> cases = {
      {Variant(), "INV-0002"}, {Variant(""), "INV-0003"}, {Variant("garbage"), "INV-0004"}};
  for (const auto& [last_time, expected] : cases) {
    MarkBusy(program, Variant(0), last_time);
    EXPECT_EQ(gen->Generator(), expected);
    EXPECT_EQ(Row(0, "INV-").state, Variant(0));
  }
}

TEST_F(GeneratorBusy, AHolderThatNeverComesBackIsTakenOverByTheWaitCount) {
  TestClock clock(HalfPast());  // the mark never ages
  Program& program = NewProgram();
  TGenerator* gen = WithRow(program);
  MarkBusy(program, Variant(0), Variant(StampAt(clock.time)));
  EXPECT_EQ(gen->Generator(), "INV-0002");
  const GenRow row = Row(0, "INV-");
  EXPECT_EQ(row.state, Variant(0));
  EXPECT_EQ(row.suffix, "0002");
}

TEST_F(GeneratorBusy, TheTenthFailureInARowAndEveryLaterOneShowTheBusyNotice) {
  Program& program = NewProgram(/*faulty=*/true);
  TGenerator* gen = WithRow(program);
  program.faulty->FailEdit(9);
  EXPECT_EQ(gen->Generator(), "INV-0002");
  EXPECT_TRUE(messages.messages.empty());

  program.faulty->FailEdit(12);
  EXPECT_EQ(gen->Generator(), "INV-0003");
  ASSERT_EQ(messages.messages.size(), 3u);
  for (const ShownMessage& m : messages.messages) {
    EXPECT_EQ(m.text, kBusy);
    EXPECT_EQ(m.caption, "Generator");
    EXPECT_EQ(m.style, 0x40);
  }
  EXPECT_EQ(gen->FailCount, 0);
  EXPECT_EQ(Row(0, "INV-").suffix, "0003");
}

// The retry loop gives up instead of running for ever on a row it can never take.
TEST_F(GeneratorBusy, GivesUpAfterRetryTimeoutWithoutLosingANumber) {
  Program& program = NewProgram(/*faulty=*/true);
  TGenerator* gen = WithRow(program);
  gen->RetryTimeout = 150;
  program.faulty->FailEditAlways(true);
  const auto start = std::chrono::steady_clock::now();
  try {
    gen->Generator();
    FAIL() << "expected the busy exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), kBusy);
  }
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(150));
  EXPECT_LT(elapsed, std::chrono::seconds(3));
  program.faulty->FailEditAlways(false);
  EXPECT_EQ(gen->Generator(), "INV-0002");
}

TEST(GeneratorWait, SleepsAboutWaitCountMicroseconds) {
  TGenerator gen(nullptr);
  gen.WaitCount = 999;
  const auto start = std::chrono::steady_clock::now();
  gen.Wait();
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(1000));
  gen.WaitCount = 0;
  gen.Wait();  // still a pause, however short
}

}  // namespace
}  // namespace qgen::test
