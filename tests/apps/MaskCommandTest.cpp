// `qgen mask`, run as the built program: the symbol table, counting with its
// reports, and the failures a user can cause. `qgen edit-mask` hands over to
// the mask edit dialog, a program of the GUI package: where qgen looks for it,
// what it passes on, and what it says when the program is missing (a shell
// script stands in for the dialog).
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/QgenProcess.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

TEST(MaskCommand, ShowsTheSymbolsAndCountsPastBothEnds) {
  const QgenOutcome r = QgenProcess::Run(
      {"mask", "N-[AB]#", "--start", "A1", "--end", "B9", "--set", "B8", "--steps", "++-"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "Mask N-[AB]#: 4 symbols\n"
            "  position  kind\n"
            "         0  static character 'N'\n"
            "         1  static character '-'\n"
            "         2  set of 2 characters, counted in this order: 'A' 'B'\n"
            "         6  incremental digit, 0 to 9\n"
            "Start value: A1\n"
            "End value:   B9\n"
            "Value:       N-B8\n"
            "Prefix:      N-\n"
            "Suffix:      B8\n"
            "Steps:\n"
            "  1 +  N-B9\n"
            "  2 +  overflow, reported with suffix A0; counting starts again from the start value\n"
            "       N-A1\n"
            "  3 -  underflow, reported with suffix A1; counting goes on from the end value\n"
            "       N-B9\n");
}

TEST(MaskCommand, FailuresExitWithOneAndSayWhatWasWrong) {
  struct Case {
    std::vector<std::string> args;
    std::string err;  // expected on standard error
  };
  const std::vector<Case> cases = {
      {{"--codepage", "ISO-8859-1", "mask", "Ж##"},
       "qgen: error: the picture: The character 'Ж' cannot be written in code page ISO-8859-1; "
       "choose another code page or leave the character out\n"},
      {{"mask", "[XY]", "--set", "Ж"},
       "TGenMask: Жis not in the set!\n"
       "qgen: error: --set Ж does not fit the mask [XY]: give one character per counting "
       "symbol, from its set or alphabet\n"},
      {{"mask", "##", "--steps", "+x"},
       "qgen: error: --steps takes only '+' (count up) and '-' (count down); character 2 of "
       "'+x' is neither\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.back());
    const QgenOutcome r = QgenProcess::Run(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out.find("Steps:"), std::string::npos);
  }
}

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
