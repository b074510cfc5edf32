// A database that goes away while a generator waits for its row: after the
// retry time the generator raises the database's own error, not the busy
// notice, issues nothing, and goes on from the stored value once the database
// is back.
#include <gtest/gtest.h>

#include <string>

#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

const char kBusy[] = "Gentbl is busy. Try again!";

class GeneratorOutage : public GeneratorTest {};

TEST_F(GeneratorOutage, ADatabaseThatWentAwayIsReportedAsSuchAndTheSequenceGoesOn) {
  Program& program = NewProgram(/*faulty=*/true);
  TGenerator* gen = program.NewGenerator("INV-####", "0001");
  ASSERT_EQ(gen->Generator(), "INV-0001");
  gen->RetryTimeout = 100;

  // The connection is lost just as the generator posts its busy mark.
  program.faulty->BeforeNextPost = [&] { program.database->Close(); };
  std::string reason;
  try {
    gen->Generator();
    FAIL() << "expected the database's error";
  } catch (const EDatabaseError& e) {
    reason = e.what();
  }
  EXPECT_NE(reason, kBusy);
  EXPECT_NE(reason.find("not connected"), std::string::npos) << reason;
  EXPECT_EQ(Row(0, "INV-").suffix, "0001");

  program.database->Open();
  EXPECT_EQ(gen->Generator(), "INV-0002");
  const GenRow row = Row(0, "INV-");
  EXPECT_EQ(row.suffix, "0002");
  EXPECT_EQ(row.state, Variant(0));
}

// A row that stays busy while the database answers is still the busy notice.
TEST_F(GeneratorOutage, ARowThatStaysBusyIsStillTheBusyNotice) {
  Program& program = NewProgram(/*faulty=*/true);
  TGenerator* gen = program.NewGenerator("INV-####", "0001");
  ASSERT_EQ(gen->Generator(), "INV-0001");
  gen->RetryTimeout = 100;
  program.faulty->FailPostAlways(true);
  try {
    gen->Generator();
    FAIL() << "expected the busy exception";
  } catch (const EDatabaseError& e) {
    FAIL() << "a database error for a busy row: " << e.what();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), kBusy);
  }
}

}  // namespace
}  // namespace qgen::test
