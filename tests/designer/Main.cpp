// The designer tests run inside one QApplication on Qt's offscreen platform,
// with the package loaded once for the whole run, as a designer loads it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QString>
#include <cstdlib>

#include "tests/designer/PackageFixture.h"

namespace {

// The offscreen platform cannot pass a fixed size on to a window manager and
// says so at every resize; everything else Qt says is kept.
QtMessageHandler qt_handler = nullptr;

void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.contains(QLatin1String("does not support propagateSizeHints")))
    return;
  qt_handler(type, context, text);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  qt_handler = qInstallMessageHandler(QuietHandler);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new qgen::test::PackageEnvironment);
  return RUN_ALL_TESTS();
}
