// Reading and writing mask values: TmString's limit, the getters, SetSuffix,
// SetPrefix and the application's characters asked for through OnGetPROC.
#include <gtest/gtest.h>

#include <string>

#include "gensrc/GenMask.h"

namespace qgen {
namespace {

TEST(TmStringTest, HoldsAtMostOneHundredCharacters) {
  TmString grown(std::string(99, 'a'));
  grown.push_back('b');
  grown.append("def");
  EXPECT_EQ(grown.str(), std::string(99, 'a') + "b");
  EXPECT_EQ(TmString(std::string(150, 'x')).size(), 100u);
  EXPECT_EQ(TmString(std::string("A\0B", 3)).size(), 3u);
}

TEST(GenMaskValue, SplitsTheValueIntoPrefixAndSuffix) {
  TGenMask mask;
  mask.ScanMask("A#B[XY]@$");
  mask.SetSuffix("7YQ");
  EXPECT_EQ(mask.GetMskValue(), "A7BY@Q");
  EXPECT_EQ(mask.GetPrefix(), "AB@");
  EXPECT_EQ(mask.GetSuffix(), "7YQ");
  EXPECT_EQ(mask.GetSTAT(), "AB");
  EXPECT_EQ(mask.GetENUM(), "Y");
  EXPECT_EQ(mask.GetINCR(), "7Q");
  EXPECT_EQ(mask.GetPROC(), "@");
}

TEST(GenMaskValue, SetSuffixWritesCountingSymbolsWithoutChecking) {
  TGenMask mask;
  mask.ScanMask("INV-##");
  mask.SetSuffix("07");
  EXPECT_EQ(mask.GetMskValue(), "INV-07");

  mask.ScanMask("[ABC]#");
  mask.SetSuffix("X5");  // not a member: the set's first character
  EXPECT_EQ(mask.GetMskValue(), "A5");
  mask.SetSuffix("C?");  // any character goes into an incremental symbol
  EXPECT_EQ(mask.GetMskValue(), "C?");
  mask.SetSuffix("B");  // shorter: the rest keeps its character
  EXPECT_EQ(mask.GetMskValue(), "B?");
  mask.SetSuffix("A1extra");
  EXPECT_EQ(mask.GetMskValue(), "A1");

  mask.ScanMask("[ABA]");
  mask.SetSuffix("A");  // duplicates kept; the first equal member is chosen
  EXPECT_EQ(mask.Symbols[0].Current, 0);

  mask.ScanMask("AB-#@");  // SetPrefix writes the static and application symbols
  mask.SetSuffix("4");
  mask.SetPrefix("XYZQ");
  EXPECT_EQ(mask.GetMskValue(), "XYZ4Q");
  mask.SetPrefix("k");
  EXPECT_EQ(mask.GetMskValue(), "kYZ4Q");
}

TEST(GenMaskValue, ApplicationCharactersComeFromOnGetPROC) {
  TGenMask mask;
  mask.ScanMask("@@-#");
  TObject* sender = nullptr;
  std::string seen;
  TmString answer = "K";
  mask.OnGetPROC = [&](TObject* s, TmString& value) {
    sender = s;
    seen = value.str();
    value = answer;
  };
  EXPECT_EQ(mask.GetPROC(), "K");
  EXPECT_EQ(sender, &mask);
  EXPECT_EQ(seen, "@@");
  EXPECT_EQ(mask.GetMskValue(), "K@-#");

  answer = "KLM";
  EXPECT_EQ(mask.GetPROC(), "KLM");
  EXPECT_EQ(seen, "K@");
  EXPECT_EQ(mask.GetMskValue(), "KL-#");

  answer = "XY";  // every GetPrefix asks again
  EXPECT_EQ(mask.GetPrefix(), "XY-");

  mask.OnGetPROC = nullptr;
  EXPECT_EQ(mask.GetPrefix(), "XY-");
}

}  // namespace
}  // namespace qgen
