// The main of the Qt test programs (test_design, test_designer): the tests run
// inside one QApplication on Qt's offscreen platform (unless the environment
// asks for another), so they need no display. A program that needs a global
// set-up registers a ::testing::Environment itself. This file stays out of the
// support library, which does not link Qt; each Qt test program compiles it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QString>
#include <cstdlib>

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
  return RUN_ALL_TESTS();
}
