// qgen edit-mask: opens the mask edit dialog on a mask and its two limits, as
// the form designer's editors do, and prints what the user confirmed with OK:
// the mask, the start value and the end value, one per line. A cancelled
// dialog exits with status 1 and prints nothing. Built only with Qt 6.
#include <QApplication>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "apps/qgen/Commands.h"
#include "design/EditMask.h"
#include "design/QtMessageSink.h"
#include "framework/Exception.h"

namespace qgen::tool {

namespace {

struct EditMaskOptions {
  std::string mask;
  std::string start;
  std::string end;
};

std::string Engine(const std::string& utf8, const std::string& what) {
  try {
    return ToEngine(utf8);
  } catch (const TerminalError& e) {
    throw TerminalError(what + ": " + e.what());
  }
}

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// The dialog is a window: without a display there is nothing to show it on.
void RequireDisplay() {
  if (IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY"))
    return;
  throw Exception(
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

void Run(const EditMaskOptions& options) {
  MaskTexts texts{Engine(options.mask, "--mask"), Engine(options.start, "--start"),
                  Engine(options.end, "--end")};
  RequireDisplay();

  int argc = 1;
  char name[] = "qgen";
  char* argv[] = {name, nullptr};
  qt_handler = qInstallMessageHandler(FailWhenQtCannotStart);
  QApplication application(argc, argv);
  qInstallMessageHandler(qt_handler);

  QtMessageSink boxes;  // the dialog's messages become modal boxes
  if (!EditMaskTexts(texts))
    throw CLI::RuntimeError(1);  // cancelled: status 1, no output
  PrintLine(texts.mask);
  PrintLine(texts.start_value);
  PrintLine(texts.end_value);
}

}  // namespace

void AddEditMaskCommand(CLI::App& app) {
  auto options = std::make_shared<EditMaskOptions>();
  CLI::App* sub = app.add_subcommand(
      "edit-mask",
      "Open the mask edit dialog on a mask and its limits, as the form designer does.\n"
      "On OK print the mask, the start value and the end value, one per line;\n"
      "on Cancel exit with status 1.");
  sub->fallthrough();  // global options such as --codepage may follow the subcommand
  sub->add_option("--mask", options->mask, "The mask picture to start from, e.g. 'INV-##'");
  sub->add_option("--start", options->start, "Start value to start from");
  sub->add_option("--end", options->end, "End value to start from");
  sub->callback([options] { Run(*options); });
}

}  // namespace qgen::tool
