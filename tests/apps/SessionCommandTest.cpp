// `qgen session`: one generator instance driven line by line through a pipe.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/QgenProcess.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

std::vector<std::string> Options(const TempDir& dir) {
  return {"--db", dir.File("s.db"), "--mask", "INV-####", "--start", "0001"};
}

std::vector<std::string> With(std::string command, std::vector<std::string> options) {
  options.insert(options.begin(), std::move(command));
  return options;
}

TEST(SessionCommand, AnswersEachCommandAtOnce) {
  TempDir dir;
  QgenProcess session(With("session", Options(dir)));
  const std::vector<std::pair<std::string, std::string>> dialogue = {{"next", "INV-0001"},
                                                                     {"next", "INV-0002"},
                                                                     {"undo", "INV-0001"},
                                                                     {"value", "INV-0001"},
                                                                     {"  next  ", "INV-0002"}};
  for (const auto& [command, answer] : dialogue) {
    session.Write(command + "\n");
    EXPECT_EQ(session.ReadLine(), answer) << command;
  }
  session.Write("\nfrobnicate\n");
  EXPECT_EQ(session.ReadLine(),
            "error: unknown command \"frobnicate\": use next, undo, value or quit");
  session.Write("quit\nnext\n");
  const QgenOutcome end = session.Wait();
  EXPECT_EQ(end.status, 0) << end.err;
  EXPECT_EQ(end.out, "");  // nothing after quit

  const QgenOutcome after = QgenProcess::Run(With("next", Options(dir)));
  EXPECT_EQ(after.out, "INV-0003\n");
}

TEST(SessionCommand, CannotUndoAValueAnotherProgramDrewPast) {
  TempDir dir;
  QgenProcess session(With("session", Options(dir)));
  session.Write("undo\n");
  EXPECT_EQ(session.ReadLine().rfind("error: Can NOT undo!", 0), 0u);
  session.Write("next\n");
  EXPECT_EQ(session.ReadLine(), "INV-0001");
  ASSERT_EQ(QgenProcess::Run(With("next", Options(dir))).out, "INV-0002\n");
  session.Write("undo\n");
  EXPECT_EQ(session.ReadLine().rfind("error: Can NOT undo!", 0), 0u);
  session.CloseInput();
  EXPECT_EQ(session.Wait().status, 0);
  EXPECT_EQ(QgenProcess::Run(With("next", Options(dir))).out, "INV-0003\n");
}

TEST(SessionCommand, ASetUpFailureEndsWithStatusOne) {
  TempDir dir;
  const QgenOutcome r =
      QgenProcess::Run({"session", "--db", dir.File("s.db"), "--mask", "@##"}, {.cwd = dir.path()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("--user"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace qgen::test
