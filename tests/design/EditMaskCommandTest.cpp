// `qgen edit-mask` where no window can be shown fails with a message and
// status 1, not with the crash it once had when the display could not open.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/support/QgenProcess.h"

namespace qgen::test {
namespace {

TEST(EditMaskCommand, WithoutAUsableDisplayItSaysSoAndFails) {
#ifndef QGEN_TEST_TOOL
  GTEST_SKIP() << "the qgen tool is not built";
#else
  const struct {
    std::vector<std::string> environment;  // after the display variables are removed
    const char* says;
  } rows[] = {
      {{}, "there is no display"},
      {{"DISPLAY=:97", "QT_QPA_PLATFORM=xcb"}, "error: the mask edit dialog cannot be shown"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.says);
    std::vector<std::string> changes = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    changes.insert(changes.end(), row.environment.begin(), row.environment.end());
    const QgenOutcome r = QgenProcess::Run({"edit-mask", "--mask", "INV-##"},
                                           {.environment = changes, .binary = QGEN_TEST_TOOL});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_THAT(r.err, ::testing::HasSubstr(row.says));
  }
#endif
}

}  // namespace
}  // namespace qgen::test
