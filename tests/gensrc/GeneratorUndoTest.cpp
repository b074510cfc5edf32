// Taking the last value back: only this instance's value, only while the row
// is free and still holds it; every refusal is told and changes nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

const char kRefused[] = "Can NOT undo!";

using GeneratorUndo = GeneratorTest;

TEST_F(GeneratorUndo, StepsBackOnceForEachUndo) {
  TGenerator* gen = NewProgram().NewGenerator("INV-####", "0001");
  for (const char* v : {"INV-0001", "INV-0002", "INV-0003"})
    EXPECT_EQ(gen->Generator(), v);
  EXPECT_EQ(gen->Undo(), "INV-0002");
  EXPECT_EQ(Row(0, "INV-").suffix, "0002");
  EXPECT_EQ(gen->Undo(), "INV-0001");
  EXPECT_EQ(Row(0, "INV-").suffix, "0001");
  EXPECT_EQ(Row(0, "INV-").who, gen->InstanceStamp);
  EXPECT_EQ(gen->Generator(), "INV-0002");
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(GeneratorUndo, IsRefusedOnceAnotherInstanceHasDrawn) {
  TGenerator* mine = NewProgram().NewGenerator("INV-####", "0001");
  TGenerator* other = NewProgram().NewGenerator("INV-####", "0001");
  EXPECT_EQ(mine->Generator(), "INV-0001");
  EXPECT_EQ(other->Generator(), "INV-0002");
  EXPECT_EQ(mine->Undo(), "INV-0001");
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{kRefused});
  EXPECT_TRUE(messages.messages[0].simple);
  EXPECT_EQ(Row(0, "INV-").suffix, "0002");

  messages.Clear();
  std::vector<std::string> told;
  mine->OnUndoFailed = [&told](TObject*, TmString value) { told.push_back(value.str()); };
  EXPECT_EQ(mine->Undo(), "INV-0001");
  EXPECT_EQ(told, std::vector<std::string>{"INV-0001"});  // the whole value
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(GeneratorUndo, IsRefusedWhileTheRowIsBusyOrMissing) {
  TGenerator* gen = NewProgram().NewGenerator("INV-####", "0001");
  EXPECT_EQ(gen->Generator(), "INV-0001");
  EXPECT_EQ(gen->Generator(), "INV-0002");
  UpdateRow(0, "INV-", "\"State\" = 1", {});
  EXPECT_EQ(gen->Undo(), "INV-0002");
  EXPECT_EQ(Row(0, "INV-").suffix, "0002");
  admin->Execute("DELETE FROM \"Gentbl\"");
  EXPECT_EQ(gen->Undo(), "INV-0002");
  EXPECT_EQ(messages.Texts(), (std::vector<std::string>{kRefused, kRefused}));
}

TEST_F(GeneratorUndo, DoesNothingWithoutAnOpenTableOrWhenInError) {
  std::vector<std::string> told;
  auto record = [&told](TObject*, TmString value) { told.push_back(value.str()); };

  Program& program = NewProgram();
  TGenerator* closed = program.NewGenerator("INV-####", "0001");
  EXPECT_EQ(closed->Generator(), "INV-0001");
  program.table->Close();
  EXPECT_EQ(closed->Undo(), "");
  closed->OnUndoFailed = record;
  EXPECT_EQ(closed->Undo(), "");

  TGenerator none(nullptr);  // no dataset at all: as a closed table
  none.SetMask("INV-####");
  none.OnUndoFailed = record;
  EXPECT_EQ(none.Undo(), "");

  TGenerator* broken = NewProgram().NewGenerator("INV-####", "0001");
  broken->GenError = true;
  broken->OnUndoFailed = record;
  EXPECT_EQ(broken->Undo(), "");

  EXPECT_EQ(told.size(), 2u);
  EXPECT_TRUE(messages.messages.empty());
}

TEST_F(GeneratorUndo, AFailedWriteBackIsRefusedAndRestoresTheCounter) {
  Program& program = NewProgram(/*faulty=*/true);
  TGenerator* gen = program.NewGenerator("INV-####", "0001");
  EXPECT_EQ(gen->Generator(), "INV-0001");
  EXPECT_EQ(gen->Generator(), "INV-0002");
  program.faulty->FailPost(1);
  std::vector<std::string> told;
  gen->OnUndoFailed = [&told](TObject*, TmString value) { told.push_back(value.str()); };
  EXPECT_EQ(gen->Undo(), "INV-0002");
  EXPECT_EQ(told, std::vector<std::string>{"INV-0001"});  // the value it tried to write
  EXPECT_EQ(gen->GenMask->GetMskValue().str(), "INV-0002");
  EXPECT_EQ(program.table->State(), dsBrowse);  // nothing left pending
  EXPECT_EQ(Row(0, "INV-").suffix, "0002");
  EXPECT_EQ(gen->Generator(), "INV-0003");
}

// Two programs started in the same millisecond share an identity. Undo must
// not take back a value it did not issue: that number would be issued twice.
TEST_F(GeneratorUndo, AnotherProcessWithTheSameStampCannotUndoMyValue) {
  TGenerator* mine = NewProgram().NewGenerator("INV-####", "0001");
  TGenerator* twin = NewProgram().NewGenerator("INV-####", "0001");
  twin->InstanceStamp = mine->InstanceStamp;
  EXPECT_EQ(twin->Generator(), "INV-0001");
  EXPECT_EQ(mine->Generator(), "INV-0002");
  EXPECT_EQ(twin->Undo(), "INV-0001");
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{kRefused});
  EXPECT_EQ(Row(0, "INV-").suffix, "0002");
  EXPECT_EQ(mine->Generator(), "INV-0003");
}

TEST_F(GeneratorUndo, UndoingTheStartValueWrapsToTheEndWithANotice) {
  TGenerator* gen = NewProgram().NewGenerator("INV-##", "01", "50");
  EXPECT_EQ(gen->Generator(), "INV-01");
  EXPECT_EQ(gen->Undo(), "INV-50");
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Incremental part was set to end value"});
  EXPECT_EQ(Row(0, "INV-").suffix, "50");
}

}  // namespace
}  // namespace qgen::test
