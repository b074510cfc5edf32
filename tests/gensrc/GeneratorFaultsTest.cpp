// Failures in the middle of issuing a value: a row inserted by someone else at
// the same moment, writes that fail or whose reply is lost, a row taken over
// while held (on PostgreSQL with the holder's backend lost as well). Whatever
// happens, no value is issued twice and none is skipped.
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "framework/Text.h"
#include "gensrc/GeneratorQueue.h"
#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

// Both find no row for a new prefix; the second one's insert fails because
// the row exists: it counts on from that row.
TEST_F(GeneratorTest, AConcurrentFirstInsertCountsOnFromTheOtherRow) {
  Program& slow = NewProgram();
  TGenerator* late = slow.NewGenerator("INV-####");
  TGenerator* early = NewProgram().NewGenerator("INV-####");
  early->UseQueue = late->UseQueue = false;  // the queue would keep them apart
  std::string early_value;
  slow.table->BeforeNextPost = [&] { early_value = early->Generator(); };
  EXPECT_EQ(late->Generator(), "INV-0002");
  EXPECT_EQ(early_value, "INV-0001");
  EXPECT_EQ(RowCount(), 1);
  EXPECT_EQ(slow.table->State(), dsBrowse);

  slow.table->FailPost(1, 1);  // after the mark that finds no row: one neither inserted nor found
  late->GenMask->SetPrefix("NEW-");
  EXPECT_EQ(MessageOf<Exception>([&] { late->Generator(); }), "Can not generate new record!");
  EXPECT_EQ(slow.table->State(), dsBrowse);  // the failed insert is not left pending
  EXPECT_EQ(RowCount(), 1);
}

// Whichever write fails, or has its reply lost after it was made (the row
// then shows it made), the sequence goes on unbroken.
TEST_F(GeneratorTest, AFailedOrUnansweredWriteIsDecidedByTheRowAndNeverRepeatsAValue) {
  Program& program = NewProgram();
  TGenerator* gen = Drawn(1, &program);
  for (int step = 0; step < 4; ++step) {  // the mark, the write-back; failed, then unanswered
    SCOPED_TRACE(step);
    const bool lose_reply = step >= 2;
    int posts = 0;
    if (lose_reply) {
      program.table->AfterPost = [&, target = step - 1] {
        if (++posts == target)
          throw EDatabaseError("server closed the connection unexpectedly");
      };
    } else {
      program.table->FailPost(1, step);
    }
    const std::string value = Format("INV-%04d", step + 2);
    EXPECT_EQ(gen->Generator(), value);
    EXPECT_EQ(posts, lose_reply ? 2 : 0);  // found made: no write more
    program.table->AfterPost = nullptr;
    EXPECT_EQ(program.table->State(), dsBrowse);
    EXPECT_EQ(Row().suffix, value.substr(4));
    EXPECT_EQ(Row().state, Variant(0));
  }
}

// Another instance takes the row over while this one holds it (its mark
// looked stale; on PostgreSQL the holder's backend ends there as well): this
// one's write-back fails rather than issue the other's value, and it goes on.
TEST_P(GeneratorOnBoth, ARowTakenOverWhileHeldIssuesEachValueOnce) {
  // Without a unique key on (GenID, Prefix) every draw takes the protocol's steps.
  CreateTable(
      "\"GenID\" float8, \"Prefix\" varchar(20), \"Suffix\" varchar(20), \"LastTime\" "
      "varchar(20), \"Try\" float8, \"State\" float8, \"Who\" varchar(20)");
  Drawn(1);
  Program& slow = NewProgram();
  TGenerator* held = slow.NewGenerator("INV-####");
  TGenerator* other = NewProgram().NewGenerator("INV-####");
  other->UseQueue = false;  // the holder's turn would keep it waiting
  const Variant backend =
      GetParam() ? slow.database->Query("SELECT pg_backend_pid()")[0][0] : Variant();
  std::string other_value;
  int posts = 0;
  slow.table->AfterPost = [&] {
    if (++posts != 1)
      return;
    if (GetParam())
      admin->Query("SELECT pg_terminate_backend(?)", {backend});
    UpdateRow("\"LastTime\" = '20000101000000000'", {});  // the mark looks stale
    other_value = other->Generator();
  };
  EXPECT_EQ(held->Generator(), "INV-0003");
  EXPECT_EQ(other_value, "INV-0002");
  EXPECT_EQ(Row().suffix + " " + Row().who, "0003 " + held->InstanceStamp);
}

// A write-back committed without waiting for the disk (the turn was taken, so
// the flush comes after handing it on) on a session lost before the flush: had
// the server gone down, the value would be gone with it and drawn again by
// another program, so it is not handed out. Nothing is prepared on the
// program's connection yet, so the hand-over's statement is lost with the
// session unnoticed and the flush runs on a new one. The holder of the turn
// holds the row as well, so that the draw waits for the turn.
TEST_F(GeneratorTest, AValueWhoseSessionIsLostBeforeItsFlushIsNotHandedOut) {
  UsePostgres();
  if (IsSkipped())
    return;  // no server
  Drawn(1);
  Program& program = NewProgram();
  TGenerator* gen = program.NewGenerator("INV-####");
  const auto other = OpenDatabase(uri);
  const auto holder = OpenSequenceQueue(*other, "Gentbl", 0, "INV-");
  ASSERT_TRUE(holder->Enter(std::chrono::milliseconds(1000)));
  UpdateRow("\"State\" = 1, \"Who\" = 'holder'");
  std::thread leave([&] {  // once the draw waits for the turn
    const std::string waiting =
        "SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND NOT granted";
    for (int i = 0; i < 1000 && other->Query(waiting)[0][0].ToInt64() == 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    other->Execute("UPDATE \"Gentbl\" SET \"State\" = 0");
    holder->Leave();
  });
  const Variant backend = program.database->Query("SELECT pg_backend_pid()")[0][0];
  int posts = 0;
  program.table->AfterPost = [&] {
    if (++posts == 2)  // the write-back (the first post is the mark)
      admin->Query("SELECT pg_terminate_backend(?::int, 5000)", {backend});
  };
  EXPECT_THAT(MessageOf<EDatabaseError>([&] { gen->Generator(); }), HasSubstr("not handed out"));
  leave.join();
  program.table->AfterPost = nullptr;
  EXPECT_EQ(posts, 2);
  EXPECT_EQ(gen->Generator(), "INV-0003");  // 0002 is written: a gap, never a repeat
}

// A draw in one statement (PostgreSQL, from the value last drawn): a reply
// lost after the statement was made is decided by the row, and a value
// committed without waiting for the disk is not handed out when its session
// is lost before the flush.
TEST_F(GeneratorTest, AOneStatementDrawIsDecidedByTheRowAndOnDiskBeforeItIsHandedOut) {
  UsePostgres();
  if (IsSkipped())
    return;  // no server
  Program& program = NewProgram();
  TGenerator* gen = Drawn(1, &program);
  TGenerator* other = NewProgram().NewGenerator("INV-####");
  EXPECT_EQ(other->Generator(), "INV-0002");
  int posts = 0;
  program.table->AfterPost = [&] {
    if (++posts == 1)
      throw EDatabaseError("server closed the connection unexpectedly");
  };
  EXPECT_EQ(gen->Generator(), "INV-0003");
  EXPECT_EQ(posts, 1);  // one statement, no mark and write-back after it
  EXPECT_EQ(other->Generator(), "INV-0004");
  const Variant backend = program.database->Query("SELECT pg_backend_pid()")[0][0];
  program.table->AfterPost = [&] {
    admin->Query("SELECT pg_terminate_backend(?::int, 5000)", {backend});
  };
  EXPECT_THROW(gen->Generator(), EDatabaseError);
  program.table->AfterPost = nullptr;
  EXPECT_EQ(gen->Generator(), "INV-0006");  // 0005 is written: a gap, never a repeat
  EXPECT_EQ(Row().who, gen->InstanceStamp);
}

// A dataset may show the row as read again after a write: showing another
// program's mark right after this one's own (the other took the row over in
// between), the row is left to that program.
TEST_F(GeneratorTest, ARowShowingAnotherProgramsMarkIsLeftToIt) {
  Program& program = NewProgram();
  TGenerator* gen = Drawn(1, &program);
  int posts = 0;
  long long others_write = -1;
  program.table->AfterPost = [&] {
    if (++posts == 1) {
      UpdateRow("\"Who\" = 'other'");
      program.table->Locate("GenID;Prefix", Variant::Array({Variant(0), Variant("INV-")}));
    } else if (posts == 2) {  // the other program writes its value back
      others_write = admin->Execute(
          "UPDATE \"Gentbl\" SET \"Suffix\" = '0002', \"State\" = 0 WHERE \"Who\" = 'other' "
          "AND \"State\" = 1 AND \"Suffix\" = '0001'");
    }
  };
  EXPECT_EQ(gen->Generator(), "INV-0003");
  EXPECT_EQ(others_write, 1);
}

}  // namespace
}  // namespace qgen::test
