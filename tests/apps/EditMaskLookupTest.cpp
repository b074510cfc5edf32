// `qgen edit-mask` hands over to the mask edit dialog, a program of the GUI
// package: where qgen looks for it, what it passes on, and what it says when
// the program is missing. A shell script stands in for the dialog.
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "tests/support/QgenProcess.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

TEST(EditMaskLookup, HandsOverToTheDialogProgramOrSaysWhatToInstall) {
  TempDir dir;
  const std::string stand_in = dir.File("dialog");
  WriteFile(stand_in, "#!/bin/sh\nprintf '%s\\n' \"$@\"\nexit 3\n");
  ASSERT_EQ(chmod(stand_in.c_str(), 0755), 0);
  const std::vector<std::string> edit = {"edit-mask", "--mask",     "INV-##",      "--end",
                                         "99",        "--codepage", "WINDOWS-1252"};
  const std::string passed = "--codepage\nWINDOWS-1252\n--mask\nINV-##\n--start\n\n--end\n99\n";

  // QGEN_EDIT_MASK names the program: its output and exit status are qgen's.
  QgenOutcome r = QgenProcess::Run(edit, {.environment = {"QGEN_EDIT_MASK=" + stand_in}});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, passed);

  // An installed qgen without the GUI package says what to install; with it,
  // it finds the program in the libexec folder beside its own.
  const std::filesystem::path bin = dir.File(QGEN_INSTALL_BINDIR);
  const std::filesystem::path libexec = dir.File(QGEN_INSTALL_LIBEXECDIR "/qgen");
  std::filesystem::create_directories(bin);
  std::filesystem::copy_file(QgenBinary(), bin / "qgen");
  const QgenOptions installed = {.environment = {"QGEN_EDIT_MASK"}, .binary = bin / "qgen"};
  r = QgenProcess::Run(edit, installed);
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("edit-mask shows the mask edit dialog of the GUI package, which is "
                               "not installed (no qgen-edit-mask at "));
  EXPECT_THAT(r.err, HasSubstr((libexec / "qgen-edit-mask").string() +
                               "): install the qgen-designer package, or set QGEN_EDIT_MASK"));
  std::filesystem::create_directories(libexec);
  std::filesystem::copy_file(stand_in, libexec / "qgen-edit-mask");
  r = QgenProcess::Run(edit, installed);
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, passed);
}

}  // namespace
}  // namespace qgen::test
