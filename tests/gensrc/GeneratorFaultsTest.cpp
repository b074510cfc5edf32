// Failures in the middle of issuing a value: a row inserted by someone else at
// the same moment, writes that fail or whose reply is lost, a row taken over
// while held (on PostgreSQL with the holder's backend lost as well). Whatever
// happens, no value is issued twice and none is skipped.
#include <string>
#include <vector>

#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

// Both instances find no row for a new prefix; the second one's insert then
// fails because the row exists. It must count on from that row.
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

  slow.table->FailPost(1);  // a row that can neither be inserted nor found
  late->GenMask->SetPrefix("NEW-");
  EXPECT_EQ(MessageOf<Exception>([&] { late->Generator(); }), "Can not generate new record!");
  EXPECT_EQ(slow.table->State(), dsBrowse);  // the failed insert is not left pending
  EXPECT_EQ(RowCount(), 1);
}

// The writes of one value are the mark and the write-back. Whichever fails,
// or has its reply lost after it was made (then the row shows it made, and
// the generator goes on from there), the sequence goes on unbroken.
TEST_F(GeneratorTest, AFailedOrUnansweredWriteIsDecidedByTheRowAndNeverRepeatsAValue) {
  Program& program = NewProgram();
  TGenerator* gen = Drawn(1, &program);
  const std::vector<std::string> expected = {"INV-0002", "INV-0003", "INV-0004", "INV-0005"};
  for (int step = 0; step < 4; ++step) {
    SCOPED_TRACE(step);
    const bool lose_reply = step >= 2;
    int posts = 0;
    if (lose_reply) {
      program.table->AfterPost = [&, target = step % 2 + 1] {
        if (++posts == target)
          throw EDatabaseError("server closed the connection unexpectedly");
      };
    } else {
      program.table->FailPost(1, step);
    }
    EXPECT_EQ(gen->Generator(), expected[static_cast<std::size_t>(step)]);
    EXPECT_EQ(posts, lose_reply ? 2 : 0);  // found made: no write more
    program.table->AfterPost = nullptr;
    EXPECT_EQ(program.table->State(), dsBrowse);
    EXPECT_EQ(Row().suffix, expected[static_cast<std::size_t>(step)].substr(4));
    EXPECT_EQ(Row().state, Variant(0));
  }
}

// Another instance takes the row over while this one holds it (its mark
// looked stale); on PostgreSQL the server also ends the holder's backend
// between its mark and its write-back. This one's write-back must fail rather
// than issue a value that the other has issued too, and it goes on after it.
TEST_P(GeneratorOnBoth, ARowTakenOverWhileHeldIssuesEachValueOnce) {
  Program& slow = NewProgram();
  TGenerator* held = Drawn(1, &slow);
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

// A dataset may show the row as read again after a write. Should it show
// another program's mark right after this one's own (the other took the row
// over in between), counting on would take that program's turn: the generator
// leaves the row to it and draws after it.
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
