// `qgen session`: one generator instance driven line by line through a pipe,
// beside other programs drawing from the same sequence.
#include <string>
#include <utility>
#include <vector>

#include "tests/support/QgenProcess.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

// Sends each command and expects its answer (for an error, its start).
void Talk(QgenProcess& session, const std::vector<std::pair<std::string, std::string>>& lines) {
  for (const auto& [command, answer] : lines) {
    session.Write(command + "\n");
    EXPECT_EQ(session.ReadLine().substr(0, answer.size()), answer) << command;
  }
}

// A trigger refuses to mark the row while it holds 0003: that draw fails
// after --wait, the session answers an error line and, once the trigger is
// gone, issues the value that failed.
TEST(SessionCommand, AnswersEachCommandAtOnceAndCarriesOnAfterAFailedDraw) {
  TempDir dir;
  auto command = [&](const char* name) {
    return std::vector<std::string>{name,      "--db", dir.File("s.db"), "--mask", "INV-####",
                                    "--start", "0001", "--wait",         "100"};
  };
  QgenProcess session(command("session"));
  Talk(session, {{"undo", "error: Can NOT undo!"},
                 {"next", "INV-0001"},
                 {"next", "INV-0002"},
                 {"undo", "INV-0001"},
                 {"value", "INV-0001"},
                 {"  next  ", "INV-0002"}});
  ASSERT_EQ(QgenProcess::Run(command("next")).out, "INV-0003\n");
  session.Write("\n");  // a blank line is no command: no answer
  Talk(session,
       {{"undo", "error: Can NOT undo!"},
        {"frobnicate", "error: unknown command \"frobnicate\": use next, undo, value or quit"}});
  auto db = OpenDatabase(dir.File("s.db"));
  db->Execute(
      "CREATE TRIGGER refuse BEFORE UPDATE ON GENTBL WHEN NEW.State = 1 AND OLD.Suffix = '0003' "
      "BEGIN SELECT RAISE(ABORT, 'refused'); END");
  Talk(session, {{"next", "error: Gentbl is busy. Try again!"}});
  db->Execute("DROP TRIGGER refuse");
  Talk(session, {{"next", "INV-0004"}});
  session.Write("quit\nnext\n");
  const QgenOutcome end = session.Wait();
  EXPECT_EQ(end.status, 0) << end.err;
  EXPECT_EQ(end.out, "");  // nothing after quit
}

}  // namespace
}  // namespace qgen::test
