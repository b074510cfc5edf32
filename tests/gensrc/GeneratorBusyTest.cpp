// The busy flag between instances: taking a free row, counting the waits on a
// busy one, freeing a stale mark, the failure count with its notice and the
// bounded retry loop.
#include <functional>

#include "framework/Text.h"
#include "gensrc/GeneratorQueue.h"
#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

const Variant kKey = Variant::Array({Variant(0), Variant("INV-")});
// A moment in the middle of a minute, for a test clock.
const TDateTime kHalfPast = EncodeDate(2026, 3, 4) + EncodeTime(12, 0, 30, 0);

// The mark and the signature are one write, so that nobody sees a fresh mark
// with the previous writer's (stale) time; and a waiter counting its wait
// meanwhile does not make the holder's write-back fail.
TEST_F(GeneratorTest, AMarkIsSignedInItsOwnWriteAndAWaiterNeverCostsTheHolderItsRow) {
  TestClock clock(kHalfPast);
  Program& program = NewProgram();
  TGenerator* holder = Drawn(1, &program);
  TGenerator* waiter = NewProgram().NewGenerator("INV-####");
  UpdateRow("\"Suffix\" = '0041', \"LastTime\" = '20260304120028000'");
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
  EXPECT_TRUE(Row().state == Variant(0) && Row().tries == Variant(0));
  EXPECT_TRUE(messages.messages.empty());
}

// On PostgreSQL a program that a busy row sent to the row's steps draws in one
// statement once the row is free. A mark needs the row unchanged from its read
// to its write, which the draws of other programs beside it seldom leave: it
// failed attempt after attempt, with a busy notice from the tenth on.
TEST_F(GeneratorTest, AProgramThatWaitedOnABusyRowDrawsOnceItIsFreeWhileOthersDraw) {
  UsePostgres();
  if (IsSkipped())
    return;  // no server
  TestClock clock(kHalfPast);
  Program& program = NewProgram();
  TGenerator* gen = Drawn(1, &program);
  UpdateRow("\"State\" = 1, \"Try\" = 0, \"LastTime\" = ?, \"Who\" = 'holder'",
            {Variant(GetTimeStamp())});
  // The holder writes its value back once the program has counted a wait;
  // from then on another program draws a value before each of its writes.
  program.table->AfterPost = [&] {
    if (Row().tries == Variant(1))
      UpdateRow("\"State\" = 0, \"Try\" = 0, \"Suffix\" = '0002'");
  };
  int others = 0;
  std::function<void()> other_draws = [&] {
    if (Row().state == Variant(0) && others < 20) {
      ++others;
      UpdateRow("\"Suffix\" = ?, \"Who\" = 'other'", {Variant(Format("%04d", 2 + others))});
    }
    program.table->BeforeNextPost = other_draws;
  };
  program.table->BeforeNextPost = other_draws;
  const std::string value = gen->Generator();
  EXPECT_EQ(value, Format("INV-%04d", 3 + others));
  EXPECT_EQ(others, 1);
  EXPECT_TRUE(messages.messages.empty());
}

// Stale: more than ten waits, a count or time that cannot be read, or a time
// more than a second old by the stamp's seconds and milliseconds alone (so a
// mark of the minute before may look fresh).
TEST_F(GeneratorTest, WaitsAreCountedUntilAMarkIsTakenOverAndAStaleOrUnreadableOneAtOnce) {
  TestClock clock(kHalfPast);
  Program& program = NewProgram();
  TGenerator* gen = Drawn(1, &program);
  auto mark_busy = [&](const Variant& tries, const Variant& last_time) {
    UpdateRow("\"State\" = 1, \"Try\" = ?, \"LastTime\" = ?, \"Who\" = 'holder'",
              {tries, last_time});
    ASSERT_TRUE(gen->GenTable->Locate("GenID;Prefix", kKey));
  };
  mark_busy(Variant(10), Variant("20260304120029500"));
  EXPECT_FALSE(gen->ReadDATA());
  EXPECT_EQ(Row().tries, Variant(11));
  EXPECT_FALSE(gen->ReadDATA());
  EXPECT_EQ(Row().state, Variant(0));
  EXPECT_EQ(Row().who, "holder");  // only the flag is cleared
  EXPECT_TRUE(gen->ReadDATA());
  EXPECT_EQ(Row().who, gen->InstanceStamp);
  const struct {
    Variant tries, last_time;
    bool stale;
  } marks[] = {
      {Variant(0), Variant("20260304120029000"), false},
      {Variant(0), Variant("20260304115958500"), false},
      {Variant(0), Variant("20260304120028999"), true},
      {Variant(0), Variant(), true},
      {Variant(0), Variant("garbage"), true},
      {Variant("many"), Variant("20260304120030000"), true},
      {Variant(), Variant("20260304120030000"), true},
  };
  for (const auto& m : marks) {
    SCOPED_TRACE(m.tries.ToString() + " / " + m.last_time.ToString());
    mark_busy(m.tries, m.last_time);
    clock.Set(kHalfPast);  // a pause before may have moved it on
    EXPECT_FALSE(gen->ReadDATA());
    EXPECT_EQ(Row().state, Variant(m.stale ? 0 : 1));
  }
}

// The busy notice comes at the tenth failure in a row and every later one. The
// retry loop gives up after RetryTimeout instead of running for ever (the busy
// error is the next command's to show): a database that went away is the
// database's own error, nothing is issued, and the sequence goes on. Nor does
// it send the program out of the queue: back, it waits its turn again (here
// the whole wait, as another program keeps the turn).
TEST_F(GeneratorTest, TheTenthFailureInARowShowsTheBusyNoticeAndALostDatabaseItsOwnError) {
  TestClock clock(kHalfPast);  // the pauses pass on the test clock
  Program& program = NewProgram();
  TGenerator* gen = Drawn(1, &program);
  program.table->FailEdit(9);
  EXPECT_EQ(gen->Generator(), "INV-0002");
  EXPECT_TRUE(messages.messages.empty());
  program.table->FailEdit(12);
  EXPECT_EQ(gen->Generator(), "INV-0003");
  ASSERT_EQ(messages.messages.size(), 3u);
  for (const ShownMessage& m : messages.messages)
    EXPECT_TRUE(m.text == "Gentbl is busy. Try again!" && m.caption == "Generator" &&
                m.style == 0x40);
  program.table->BeforeNextPost = [&] { program.database->Close(); };
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { gen->Generator(); }), HasSubstr("not connected"));
  EXPECT_EQ(Row().suffix, "0003");
  program.database->Open();
  EXPECT_EQ(gen->Generator(), "INV-0004");
  const auto other = OpenSequenceQueue(*admin, "Gentbl", 0, "INV-");
  ASSERT_TRUE(other->Enter(std::chrono::milliseconds(0)));
  program.database->Close();
  EXPECT_THROW(gen->Generator(), EDatabaseError);
  program.database->Open();
  const TDateTime before = clock.time;
  EXPECT_EQ(gen->Generator(), "INV-0005");
  EXPECT_GE(clock.time - before, EncodeTime(0, 0, 3, 0));
}

}  // namespace
}  // namespace qgen::test
