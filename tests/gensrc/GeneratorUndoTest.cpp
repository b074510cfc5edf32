// Taking values back: only this instance's own, the latest first, only while
// the row is free and still holds it; every refusal is told and changes nothing.
#include <map>
#include <sstream>

#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

const char kRefused[] = "Can NOT undo!";
const char kWrapped[] = "Incremental part was set to end value";

// Programs A, B, C and T (a twin of A: started in the same millisecond, it
// has A's identity) draw ("A+") and undo ("A-") on one sequence; each call
// returns the value shown, a refused undo the value it could not take back.
// Taking back the start value wraps to the end.
TEST_P(GeneratorOnBoth, UndoGivesBackOnlyThisInstancesOwnValuesLatestFirst) {
  const struct {
    const char* calls;
    const char* stored;  // the row's value at the end
    std::vector<std::string> notices;
  } cases[] = {
      {"A+0001 A+0002 A+0003 A-0002 A-0001 A+0002 A-0001 A-9999", "9999", {kWrapped}},
      {"C+0001 C+0002 A+0003 B+0004 B-0003 B-0003 C+0004", "0004", {kRefused}},
      {"A+0001 B+0002 A+0003 A-0002 A-0002 B-0002", "0002", {kRefused, kRefused}},
      {"T+0001 A+0002 T-0001 A+0003", "0003", {kRefused}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.calls);
    CreateTable();
    messages.Clear();
    std::map<char, TGenerator*> gens;
    for (const char name : {'A', 'B', 'C', 'T'})
      gens[name] = NewProgram().NewGenerator("INV-####");
    gens['T']->InstanceStamp = gens['A']->InstanceStamp;
    std::istringstream calls(c.calls);
    for (std::string call; calls >> call;) {
      TGenerator* gen = gens[call[0]];
      EXPECT_EQ(call[1] == '+' ? gen->Generator() : gen->Undo(), "INV-" + call.substr(2)) << call;
    }
    EXPECT_EQ(Row().suffix, c.stored);
    EXPECT_EQ(messages.Texts(), c.notices);
  }
}

// A write-back that fails is refused with the counter restored; one whose
// reply was lost after it was made is found in the row and counts as done.
TEST_F(GeneratorTest, ARefusalCallsOnUndoFailedWithTheValueOrShowsTheNoticeAndChangesNothing) {
  std::vector<std::string> told;
  Program& program = NewProgram();
  TGenerator* mine = Drawn(3, &program);
  mine->OnUndoFailed = [&told](TObject*, TmString value) { told.push_back(value.str()); };
  program.table->FailPost(1);
  EXPECT_EQ(mine->Undo(), "INV-0003");  // told the value it tried to write
  EXPECT_EQ(program.table->State(), dsBrowse);
  program.table->AfterPost = [] { throw EDatabaseError("server closed the connection"); };
  EXPECT_EQ(mine->Undo(), "INV-0002");
  program.table->AfterPost = nullptr;
  EXPECT_EQ(Row().suffix, "0002");
  EXPECT_EQ(mine->Undo(), "INV-0001");  // and the value before it may follow
  TGenerator* other = NewProgram().NewGenerator("INV-####");
  EXPECT_EQ(other->Generator(), "INV-0002");
  EXPECT_EQ(mine->Undo(), "INV-0001");  // another program drew since
  UpdateRow("\"State\" = 1");
  EXPECT_EQ(other->Undo(), "INV-0002");  // the row is busy
  admin->Execute("DELETE FROM \"Gentbl\"");
  EXPECT_EQ(other->Undo(), "INV-0002");  // the row is missing
  EXPECT_EQ(messages.Texts(), (std::vector<std::string>{kRefused, kRefused}));
  EXPECT_TRUE(messages.messages[0].simple);
  mine->GenError = true;  // in error: nothing at all; table closed: the handler only
  EXPECT_EQ(mine->Undo(), "");
  mine->GenError = false;
  program.table->Close();
  EXPECT_EQ(mine->Undo(), "");
  EXPECT_EQ(told, (std::vector<std::string>{"INV-0002", "INV-0001", "INV-0001"}));
  EXPECT_EQ(messages.messages.size(), 2u);
}

}  // namespace
}  // namespace qgen::test
