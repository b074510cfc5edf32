// Failures in the middle of issuing a value: a row inserted by someone else at
// the same moment, writes that fail at each step, a row taken over while held.
// Whatever happens, no value is issued twice and none is skipped.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

using GeneratorFaults = GeneratorTest;

// Both instances find no row for a new prefix; the second one's insert then
// fails because the row exists. It must count on from that row.
TEST_F(GeneratorFaults, AConcurrentFirstInsertCountsOnFromTheOtherRow) {
  Program& slow = NewProgram(/*faulty=*/true);
  TGenerator* late = slow.NewGenerator("INV-####", "0001");
  TGenerator* early = NewProgram().NewGenerator("INV-####", "0001");
  std::string early_value;
  slow.faulty->BeforeNextPost = [&] { early_value = early->Generator(); };
  const std::string late_value = late->Generator();
  EXPECT_EQ(early_value, "INV-0001");
  EXPECT_EQ(late_value, "INV-0002");
  EXPECT_EQ(RowCount(), 1);
  EXPECT_EQ(Row(0, "INV-").suffix, "0002");
  EXPECT_EQ(slow.table->State(), dsBrowse);
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(GeneratorFaults, ARowThatCanNeitherBeInsertedNorFoundRaises) {
  Program& program = NewProgram(/*faulty=*/true);
  TGenerator* gen = program.NewGenerator("INV-####", "0001");
  program.faulty->FailPost(1);
  try {
    gen->Generator();
    FAIL() << "expected an exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Can not generate new record!");
  }
  EXPECT_EQ(program.table->State(), dsBrowse);  // the failed insert is not left pending
  EXPECT_EQ(RowCount(), 0);
  EXPECT_EQ(gen->Generator(), "INV-0001");
}

struct FailingPost {
  const char* name;
  int after;  // posts let through before the one that fails
};

class GeneratorFailedWrite : public GeneratorTest,
                             public ::testing::WithParamInterface<FailingPost> {};

// The posts of one value are: lock, read, write-back. Whichever fails, the
// component cancels it and tries again, and the sequence goes on unbroken.
TEST_P(GeneratorFailedWrite, IsCancelledAndRetried) {
  Program& program = NewProgram(/*faulty=*/true);
  TGenerator* gen = program.NewGenerator("INV-####", "0001");
  EXPECT_EQ(gen->Generator(), "INV-0001");
  program.faulty->FailPost(1, GetParam().after);
  const int cancels = program.faulty->CancelCalls;
  EXPECT_EQ(gen->Generator(), "INV-0002");
  EXPECT_EQ(program.faulty->CancelCalls, cancels + 1);
  EXPECT_EQ(program.table->State(), dsBrowse);
  const GenRow row = Row(0, "INV-");
  EXPECT_EQ(row.suffix, "0002");
  EXPECT_EQ(row.state, Variant(0));
  EXPECT_EQ(gen->Generator(), "INV-0003");
}

INSTANTIATE_TEST_SUITE_P(Steps, GeneratorFailedWrite,
                         ::testing::Values(FailingPost{"Lock", 0}, FailingPost{"Read", 1},
                                           FailingPost{"WriteBack", 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GeneratorFaults, FailedWaitCountAndStaleFlagWritesAreCancelled) {
  Program& program = NewProgram(/*faulty=*/true);
  TGenerator* gen = program.NewGenerator("INV-####", "0001");
  EXPECT_EQ(gen->Generator(), "INV-0001");
  for (int tries : {0, 11}) {  // a wait to count, then a stale flag to clear
    UpdateRow(0, "INV-", "\"State\" = 1, \"Try\" = ?, \"Who\" = 'holder'", {Variant(tries)});
    ASSERT_TRUE(program.table->Locate("GenID;Prefix", Variant::Array({Variant(0), "INV-"})));
    program.faulty->FailPost(1);
    EXPECT_FALSE(gen->ReadDATA());
    EXPECT_EQ(program.table->State(), dsBrowse);
    EXPECT_EQ(Row(0, "INV-").tries, Variant(tries));
    EXPECT_EQ(Row(0, "INV-").state, Variant(1));
  }
  EXPECT_EQ(gen->Generator(), "INV-0002");
}

// Another instance takes the row over while this one holds it (its mark
// looked stale). This one's write-back must fail rather than issue a value
// that the other has issued too.
TEST_F(GeneratorFaults, ARowTakenOverWhileHeldIssuesEachValueOnce) {
  Program& slow = NewProgram(/*faulty=*/true);
  TGenerator* held = slow.NewGenerator("INV-####", "0001");
  TGenerator* other = NewProgram().NewGenerator("INV-####", "0001");
  EXPECT_EQ(held->Generator(), "INV-0001");
  std::string other_value;
  slow.faulty->FailPost(0);
  int posts = 0;
  slow.faulty->AfterPost = [&] {
    if (++posts == 2)
      other_value = other->Generator();  // after the read step
  };
  const std::string held_value = held->Generator();
  EXPECT_EQ(other_value, "INV-0002");
  EXPECT_EQ(held_value, "INV-0003");
  EXPECT_EQ(Row(0, "INV-").suffix, "0003");
  EXPECT_EQ(Row(0, "INV-").state, Variant(0));
}

// Should the row name another instance after this one signed it, handing back
// the value issued before would issue it twice: the generator tries again.
TEST_F(GeneratorFaults, ASignatureThatIsNotOursIsNotTakenForSuccess) {
  Program& program = NewProgram(/*faulty=*/true);
  TGenerator* gen = program.NewGenerator("INV-####", "0001");
  EXPECT_EQ(gen->Generator(), "INV-0001");
  int posts = 0;
  program.faulty->AfterPost = [&] {
    if (++posts == 2)
      program.table->FindField("Who")->Load(Variant("someone else"));
  };
  EXPECT_EQ(gen->Generator(), "INV-0002");
  EXPECT_EQ(Row(0, "INV-").suffix, "0002");
  EXPECT_EQ(Row(0, "INV-").state, Variant(0));
}

}  // namespace
}  // namespace qgen::test
