// `qgen edit-mask` run as the built program, where it cannot show its window:
// it fails with a message and status 1, never with a crash.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs qgen with `environment` (assignments for env(1), after the display
// variables are removed) and `args` (already quoted for the shell). Skips the
// test when the tool is not built.
void RunQgen(const std::string& environment, const std::string& args, Outcome& outcome) {
#ifdef QGEN_TEST_TOOL
  TempDir dir;
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                              environment + " '" QGEN_TEST_TOOL "' " + args + " >'" +
                              dir.File("out") + "' 2>'" + dir.File("err") + "'";
  const int raw = std::system(command.c_str());
  outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  outcome.out = Slurp(dir.File("out"));
  outcome.err = Slurp(dir.File("err"));
#else
  (void)environment;
  (void)args;
  (void)outcome;
  GTEST_SKIP() << "the qgen tool is not built";
#endif
}

using ::testing::HasSubstr;

TEST(EditMaskCommand, WithoutADisplayItSaysSoAndFails) {
  Outcome r;
  RunQgen("", "edit-mask --mask 'INV-##'", r);
  if (IsSkipped())
    return;
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_THAT(r.err, HasSubstr("there is no display"));
}

TEST(EditMaskCommand, ADisplayThatCannotBeOpenedIsAnErrorNotACrash) {
  Outcome r;
  RunQgen("DISPLAY=:97 QT_QPA_PLATFORM=xcb", "edit-mask", r);
  if (IsSkipped())
    return;
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("qgen: error: the mask edit dialog cannot be shown"));
}

}  // namespace
}  // namespace qgen::test
