// The main of the Qt test programs (test_design, test_designer): the tests run
// inside one QApplication on Qt's offscreen platform (unless the environment
// asks for another), so they need no display. A program that needs a global
// set-up registers a ::testing::Environment itself.
#include <gtest/gtest.h>

#include <QApplication>
#include <QString>
#include <cstdlib>

namespace {

// The offscreen platform has no window manager to pass sizes, raising or
// keyboard grabs on to, and says so each time; everything else Qt says is kept.
QtMessageHandler qt_handler = nullptr;

void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith(QLatin1String("This plugin does not support")))
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
