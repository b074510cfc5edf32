// `qgen mask`, run as the built program: the symbol table, counting with its
// reports, and the failures a user can cause.
#include <string>
#include <vector>

#include "tests/support/QgenProcess.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

TEST(MaskCommand, ShowsTheSymbolsAndCountsPastBothEnds) {
  const QgenOutcome r = QgenProcess::Run(
      {"mask", "INV-[AB]##", "--start", "A01", "--end", "B99", "--set", "B98", "--steps", "+++--"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(
      r.out,
      "Mask INV-[AB]##: 7 symbols\n"
      "  position  kind\n"
      "         0  static character 'I'\n"
      "         1  static character 'N'\n"
      "         2  static character 'V'\n"
      "         3  static character '-'\n"
      "         4  set of 2 characters, counted in this order: 'A' 'B'\n"
      "         8  incremental digit, 0 to 9\n"
      "         9  incremental digit, 0 to 9\n"
      "Start value: A01\n"
      "End value:   B99\n"
      "Value:       INV-B98\n"
      "Prefix:      INV-\n"
      "Suffix:      B98\n"
      "Steps:\n"
      "  1 +  INV-B99\n"
      "  2 +  overflow, reported with suffix A00; counting starts again from the start value\n"
      "       INV-A01\n"
      "  3 +  INV-A02\n"
      "  4 -  INV-A01\n"
      "  5 -  underflow, reported with suffix A01; counting goes on from the end value\n"
      "       INV-B99\n");
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

}  // namespace
}  // namespace qgen::test
