// The busy flag between instances: taking a free row, counting the waits on a
// busy one, freeing a stale mark, the failure count with its notice, the
// bounded retry loop and the pause between attempts.
#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

const char kBusy[] = "Gentbl is busy. Try again!";
const Variant kKey = Variant::Array({Variant(0), Variant("INV-")});

// 2026-03-04 12:00:30.000, a moment in the middle of a minute.
struct HalfPast : TestClock {
  HalfPast() : TestClock(EncodeDate(2026, 3, 4) + EncodeTime(12, 0, 30, 0)) {}
  Variant Before(int ms) const { return Variant(TimeStampOf(time - ms / 86400000.0)); }
};

class GeneratorBusy : public GeneratorTest {
 protected:
  // Marks the row busy as a holder would leave it; the generator's table sees it.
  void MarkBusy(TGenerator* gen, Variant tries, Variant last_time) {
    UpdateRow("\"State\" = 1, \"Try\" = ?, \"LastTime\" = ?, \"Who\" = 'holder'",
              {tries, last_time});
    ASSERT_TRUE(gen->GenTable->Locate("GenID;Prefix", kKey));
  }
};

// The mark and the signature are one write, so that nobody sees a fresh mark
// with the previous writer's (stale) time; and a waiter counting its wait
// meanwhile does not make the holder's write-back fail.
TEST_F(GeneratorBusy, AMarkIsSignedInItsOwnWriteAndAWaiterNeverCostsTheHolderItsRow) {
  HalfPast clock;
  Program& program = NewProgram();
  TGenerator* holder = Drawn(1, &program);
  TGenerator* waiter = NewProgram().NewGenerator("INV-####");
  UpdateRow("\"Suffix\" = '0041', \"LastTime\" = ?", {clock.Before(2000)});
  int posts = 0;
  program.table->AfterPost = [&] {
    if (++posts > 1)
      return;
    const GenRow marked = Row();
    EXPECT_EQ(marked.state, Variant(1));
    EXPECT_EQ(marked.who + " " + marked.last_time, holder->InstanceStamp + " " + GetTimeStamp());
    ASSERT_TRUE(waiter->GenTable->Locate("GenID;Prefix", kKey));
    EXPECT_FALSE(waiter->ReadDATA());  // counts a wait, leaves the fresh mark
  };
  EXPECT_EQ(holder->Generator(), "INV-0042");
  EXPECT_EQ(posts, 2);  // the mark and the write-back, each at the first attempt
  EXPECT_EQ(holder->RowSuffix.str(), "0041");
  EXPECT_TRUE(Row().state == Variant(0) && Row().tries == Variant(0));
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(GeneratorBusy, WaitsAreCountedUntilAMarkIsTakenOverAndAStaleOrUnreadableOneAtOnce) {
  HalfPast clock;
  Program& program = NewProgram();
  TGenerator* gen = Drawn(1, &program);
  MarkBusy(gen, Variant(10), clock.Before(500));
  EXPECT_FALSE(gen->ReadDATA());
  EXPECT_EQ(Row().tries, Variant(11));
  EXPECT_FALSE(gen->ReadDATA());
  EXPECT_EQ(Row().state, Variant(0));
  EXPECT_EQ(Row().who, "holder");  // only the flag is cleared
  EXPECT_TRUE(gen->ReadDATA());
  EXPECT_EQ(Row().who, gen->InstanceStamp);
  // Old, or left unreadable by another program: freed by the first finder.
  for (const auto& [tries, last_time] :
       std::vector<std::pair<Variant, Variant>>{{Variant(0), clock.Before(2000)},
                                                {Variant(0), Variant()},
                                                {Variant(0), Variant("garbage")},
                                                {Variant("many"), clock.Before(0)},
                                                {Variant(), clock.Before(0)}}) {
    SCOPED_TRACE(tries.ToString() + " / " + last_time.ToString());
    MarkBusy(gen, tries, last_time);
    EXPECT_FALSE(gen->ReadDATA());
    EXPECT_EQ(Row().state, Variant(0));
  }
}

TEST(GeneratorCheckTimeOut, JudgesBySecondsAndMilliseconds) {
  const struct {
    int now_sec;  // 12:00:now_sec.000, or 12:01:... from 60 on
    Variant stamp;
    bool stale;
  } cases[] = {
      {30, Variant("20260304120029500"), false},
      {30, Variant("20260304120029000"), false},
      {30, Variant("20260304120028999"), true},
      {61, Variant("20260304120059500"), false},
  };
  TGenerator gen(nullptr);
  for (const auto& c : cases) {
    TestClock clock(EncodeDate(2026, 3, 4) + EncodeTime(12, c.now_sec / 60, c.now_sec % 60, 0));
    EXPECT_EQ(gen.CheckTimeOut(TmString(c.stamp.ToString())), c.stale) << c.stamp.ToString();
  }
}

TEST_F(GeneratorBusy, TheTenthFailureInARowAndEveryLaterOneShowTheBusyNotice) {
  Program& program = NewProgram();
  TGenerator* gen = Drawn(1, &program);
  program.table->FailEdit(9);
  EXPECT_EQ(gen->Generator(), "INV-0002");
  EXPECT_TRUE(messages.messages.empty());
  program.table->FailEdit(12);
  EXPECT_EQ(gen->Generator(), "INV-0003");
  ASSERT_EQ(messages.messages.size(), 3u);
  for (const ShownMessage& m : messages.messages)
    EXPECT_TRUE(m.text == kBusy && m.caption == "Generator" && m.style == 0x40);
  EXPECT_EQ(gen->FailCount, 0);
}

// The retry loop gives up after RetryTimeout instead of running for ever (the
// busy error is the next command's to show): a database that went away is the
// database's own error, nothing is issued, and the sequence goes on.
TEST_F(GeneratorBusy, ALostDatabaseEndsTheRetriesWithItsErrorWithoutLosingANumber) {
  HalfPast clock;  // the pauses pass on the test clock
  Program& program = NewProgram();
  TGenerator* gen = Drawn(1, &program);
  program.table->BeforeNextPost = [&] { program.database->Close(); };
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { gen->Generator(); }), HasSubstr("not connected"));
  EXPECT_EQ(Row().suffix, "0001");
  program.database->Open();
  EXPECT_EQ(gen->Generator(), "INV-0002");
}

TEST(GeneratorWait, PausesWaitCountMicrosecondsAndARandomPartOnTheClock) {
  HalfPast clock;
  TGenerator gen(nullptr);
  for (const int wait_count : {999, 0}) {
    gen.WaitCount = wait_count;
    const auto start = SteadyNow();
    gen.Wait();
    const auto paused = (SteadyNow() - start).count();
    EXPECT_TRUE(paused >= wait_count + 1 && paused <= wait_count + 1 + 3200) << paused;
  }
}

}  // namespace
}  // namespace qgen::test
