// The tool's notices: a notice repeated back to back is printed once and then
// counted, so a generator retrying under contention does not flood the terminal.
#include <gtest/gtest.h>

#include "apps/qgen/NoticeSink.h"
#include "framework/Messages.h"

namespace qgen::tool {
namespace {

TEST(NoticeSinkTest, RepeatsAreCountedNotPrinted) {
  testing::internal::CaptureStderr();
  {
    NoticeSink sink;
    for (int i = 0; i < 40; ++i)
      MessageBox("Gentbl is busy. Try again!", "Generator", MB_ICONINFORMATION);
    MessageBox("Incremental part was set to startup value", "Generator Information",
               MB_ICONINFORMATION);
    MessageBox("Gentbl is busy. Try again!", "Generator", MB_ICONINFORMATION);
    MessageBox("Gentbl is busy. Try again!", "Generator", MB_ICONINFORMATION);
    FlushNotices();
    ShowMessage("Can NOT undo!");
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Generator: Gentbl is busy. Try again!\n"
            "  (the same notice 39 more times)\n"
            "Generator Information: Incremental part was set to startup value\n"
            "Generator: Gentbl is busy. Try again!\n"
            "  (the same notice 1 more time)\n"
            "qgen: Can NOT undo!\n");
}

}  // namespace
}  // namespace qgen::tool
