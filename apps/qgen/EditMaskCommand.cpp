// qgen edit-mask: opens the mask edit dialog on a mask and its two limits, as
// the form designer's editors do, and prints what the user confirmed with OK:
// the mask, the start value and the end value, one per line. A cancelled
// dialog exits with status 1 and prints nothing.
//
// The dialog is a Qt window, and the tool links no GUI library: the command
// hands over to the program qgen-edit-mask of the GUI package (execv, so its
// output and exit status are the command's own). That program is looked for
//   - in $QGEN_EDIT_MASK, when set;
//   - beside the qgen program (a build tree);
//   - in the libexec folder of the installation (QGEN_EDIT_MASK_RELATIVE,
//     relative to the folder of the qgen program).
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "apps/qgen/Commands.h"
#include "apps/qgen/NoticeSink.h"
#include "framework/CodePage.h"
#include "framework/Exception.h"

namespace qgen::tool {

namespace {

constexpr const char* kProgram = "qgen-edit-mask";
constexpr const char* kOverride = "QGEN_EDIT_MASK";

struct EditMaskOptions {
  std::string mask;
  std::string start;
  std::string end;
};

bool IsExecutable(const std::string& path) {
  return !path.empty() && access(path.c_str(), X_OK) == 0 && !std::filesystem::is_directory(path);
}

// The dialog program, or a TerminalError saying where it was looked for and
// how to get it.
std::string FindDialogProgram() {
  if (const char* given = std::getenv(kOverride); given && *given) {
    if (IsExecutable(given))
      return given;
    throw TerminalError(std::string(kOverride) + " names " + given +
                        ", which is not a program that can be run: point it at the " + kProgram +
                        " program, or unset it");
  }
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  std::vector<std::string> looked;
  if (!error) {
    const std::filesystem::path folder = self.parent_path();
    for (const std::filesystem::path& candidate :
         {folder / kProgram, folder / QGEN_EDIT_MASK_RELATIVE / kProgram}) {
      const std::string path = candidate.lexically_normal().string();
      if (IsExecutable(path))
        return path;
      looked.push_back(path);
    }
  }
  std::string where;
  for (const std::string& path : looked)
    where += (where.empty() ? "" : ", ") + path;
  throw TerminalError(
      std::string("edit-mask shows the mask edit dialog of the GUI package, which is not "
                  "installed (no ") +
      kProgram + " at " + (where.empty() ? "the qgen program's folder" : where) +
      "): install the qgen-designer package, or set " + kOverride + " to the " + kProgram +
      " program");
}

[[noreturn]] void RunEditMask(const EditMaskOptions& options) {
  const std::string program = FindDialogProgram();
  std::vector<std::string> args = {program,       "--codepage", DefaultCodePage(),
                                   "--mask",      options.mask, "--start",
                                   options.start, "--end",      options.end};
  std::vector<char*> argv;
  for (std::string& arg : args)
    argv.push_back(arg.data());
  argv.push_back(nullptr);
  FlushNotices();
  std::fflush(nullptr);
  execv(program.c_str(), argv.data());
  throw TerminalError("cannot start the mask edit dialog " + program + ": " + std::strerror(errno));
}

}  // namespace

void AddEditMaskCommand(CLI::App& app) {
  auto options = std::make_shared<EditMaskOptions>();
  CLI::App* sub = app.add_subcommand(
      "edit-mask",
      "Open the mask edit dialog on a mask and its limits, as the form designer does.\n"
      "On OK print the mask, the start value and the end value, one per line;\n"
      "on Cancel exit with status 1. Needs the GUI package (qgen-designer) and a display.");
  sub->fallthrough();  // global options such as --codepage may follow the subcommand
  sub->add_option("--mask", options->mask, "The mask picture to start from, e.g. 'INV-##'");
  sub->add_option("--start", options->start, "Start value to start from");
  sub->add_option("--end", options->end, "End value to start from");
  sub->callback([options] { RunEditMask(*options); });
}

}  // namespace qgen::tool
