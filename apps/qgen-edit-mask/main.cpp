// qgen-edit-mask: the mask edit dialog as a program of the GUI package, which
// `qgen edit-mask` starts in its own place so that the qgen tool never loads
// Qt. It opens the dialog on a mask and its two limits and, on OK, prints the
// mask, the start value and the end value, one per line (exit status 0); a
// cancelled dialog prints nothing and exits with status 1, as does a failure
// (with "qgen: error: ..." on standard error, since users meet it as qgen's).
#include <CLI/CLI.hpp>
#include <QApplication>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "apps/qgen/Terminal.h"
#include "design/EditMask.h"
#include "design/QtMessageSink.h"
#include "framework/CodePage.h"

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// The dialog is a window: without a display there is nothing to show it on.
void RequireDisplay() {
  if (IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY"))
    return;
  throw qgen::tool::TerminalError(
      "edit-mask opens a window, but there is no display (DISPLAY and WAYLAND_DISPLAY are "
      "not set): run it on a desktop session");
}

QtMessageHandler qt_handler = nullptr;

// Qt ends the process when it cannot open the display it was given. Say so
// and fail like every other command instead of aborting.
void FailWhenQtCannotStart(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type != QtFatalMsg) {
    qt_handler(type, context, text);
    return;
  }
  const QByteArray reason = text.section(QLatin1Char('\n'), 0, 0).toUtf8();
  std::fflush(stdout);
  std::fprintf(stderr,
               "qgen: error: the mask edit dialog cannot be shown: %s\n"
               "Check that DISPLAY or WAYLAND_DISPLAY names a running display.\n",
               reason.constData());
  std::fflush(stderr);
  std::_Exit(1);
}

// Shows the dialog; returns the exit status.
int EditMask(qgen::MaskTexts texts) {
  RequireDisplay();
  int argc = 1;
  char name[] = "qgen-edit-mask";
  char* argv[] = {name, nullptr};
  qt_handler = qInstallMessageHandler(FailWhenQtCannotStart);
  QApplication application(argc, argv);
  qInstallMessageHandler(qt_handler);

  qgen::QtMessageSink boxes;  // the dialog's messages become modal boxes
  if (!qgen::EditMaskTexts(texts))
    return 1;
  qgen::tool::PrintLine(texts.mask);
  qgen::tool::PrintLine(texts.start_value);
  qgen::tool::PrintLine(texts.end_value);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{
      "The mask edit dialog of qgen edit-mask: on OK prints the mask, the start value "
      "and the end value, one per line; on Cancel exits with status 1"};
  std::string codepage = "WINDOWS-1251";
  std::string mask, start, end;
  app.add_option("--codepage", codepage, "Single-byte code page of engine text")
      ->capture_default_str();
  app.add_option("--mask", mask, "The mask picture to start from");
  app.add_option("--start", start, "Start value to start from");
  app.add_option("--end", end, "End value to start from");
  CLI11_PARSE(app, argc, argv);
  try {
    qgen::SetDefaultCodePage(codepage);
    using qgen::tool::ToEngine;
    return EditMask({ToEngine(mask, "--mask"), ToEngine(start, "--start"), ToEngine(end, "--end")});
  } catch (const qgen::Exception& e) {
    qgen::tool::PrintError(e);
    return 1;
  }
}
