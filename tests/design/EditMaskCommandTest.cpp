// `qgen edit-mask` run as the built program, where it cannot show its window:
// it fails with a message and status 1, never with a crash.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/QgenProcess.h"

namespace qgen::test {
namespace {

// Runs qgen with `args`, with the display variables removed and then the
// `environment` changes made. Skips the test when the tool is not built.
void RunQgen(const std::vector<std::string>& environment, const std::vector<std::string>& args,
             QgenOutcome& outcome) {
#ifdef QGEN_TEST_TOOL
  std::vector<std::string> changes = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  changes.insert(changes.end(), environment.begin(), environment.end());
  outcome = QgenProcess::Run(args, {.environment = changes, .binary = QGEN_TEST_TOOL});
#else
  (void)environment;
  (void)args;
  (void)outcome;
  GTEST_SKIP() << "the qgen tool is not built";
#endif
}

using ::testing::HasSubstr;

TEST(EditMaskCommand, WithoutADisplayItSaysSoAndFails) {
  QgenOutcome r;
  RunQgen({}, {"edit-mask", "--mask", "INV-##"}, r);
  if (IsSkipped())
    return;
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_THAT(r.err, HasSubstr("there is no display"));
}

TEST(EditMaskCommand, ADisplayThatCannotBeOpenedIsAnErrorNotACrash) {
  QgenOutcome r;
  RunQgen({"DISPLAY=:97", "QT_QPA_PLATFORM=xcb"}, {"edit-mask"}, r);
  if (IsSkipped())
    return;
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("qgen: error: the mask edit dialog cannot be shown"));
}

}  // namespace
}  // namespace qgen::test
