// The mask engine apart from counting: parsing pictures into symbols and the
// parser's errors, reading and writing values, and validating suffix values.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "framework/Exception.h"
#include "framework/Messages.h"
#include "framework/Text.h"
#include "gensrc/GenMask.h"
#include "tests/support/TestSupport.h"

namespace qgen {
namespace {

// A symbol as "<kind><inc kind> <chars> <position>", e.g. "2 1 # 0" for '#'.
std::string Describe(const TMaskSymbol& s) {
  return std::to_string(s.Kind) + std::to_string(s.IncKind) + " " + s.Chars + " " +
         std::to_string(s.Position) + (s.Current == 0 ? "" : " current!");
}

TEST(GenMaskParse, BuildsOneSymbolPerCharacterOrSetOrRefusesThePictureLeavingNone) {
  // tType: 0 STAT 1 ENUMS 2 INC 3 PROC; incType: 0 NONE 1 NUM 2 CHAR 3 BOTH.
  const char* too_many =
      "Too many symbols in mask picture at position:%d! A mask holds at most 100 symbols.";
  const struct {
    std::string picture;
    std::vector<std::string> symbols;
    std::string value, error;
  } cases[] = {
      {"", {}, "", ""},
      {"@@/[ABC]&&", {"30 @ 0", "30 @ 1", "00 / 2", "10 ABC 3", "23 & 8", "23 & 9"}, "@@/A&&", ""},
      {"#$&", {"21 # 0", "22 $ 1", "23 & 2"}, "#$&", ""},
      {"]A", {"00 ] 0", "00 A 1"}, "]A", ""},
      {"[A]]", {"10 A 0", "00 ] 3"}, "A]", ""},
      {"[#@ #]", {"10 #@ # 0"}, "#", ""},
      {std::string("A#\0#", 4), {"00 A 0", "21 # 1"}, "A#", ""},
      {"INV-[AB]##",
       {"00 I 0", "00 N 1", "00 V 2", "00 - 3", "10 AB 4", "21 # 8", "21 # 9"},
       "INV-A##",
       ""},
      {"[AB", {}, "", "Missing ] symbol in Mask!"},
      {"[", {}, "", "Missing ] symbol in Mask!"},
      {"AB[C[D]", {}, "", "Error in mask picture at position:4!"},
      {"[A[B]", {}, "", "Error in mask picture at position:2!"},
      {"[[", {}, "", "Error in mask picture at position:1!"},
      {"AB[]#",
       {},
       "",
       "Empty set [] in mask picture at position:2! A set needs at least one character."},
      {std::string(100, '#') + "X", {}, "", Format(too_many, 100)},
      {std::string(50, '#') + "[AB]" + std::string(51, '#'), {}, "", Format(too_many, 103)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.picture);
    TGenMask mask;
    mask.ScanMask("AB##");  // the table and value of a picture before
    mask.SetSuffix("12");
    std::string error;
    try {
      mask.ScanMask(c.picture);
    } catch (const Exception& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.error);
    std::vector<std::string> symbols;
    for (int i = 0; i < mask.Count; ++i)
      symbols.push_back(Describe(mask.Symbols[static_cast<std::size_t>(i)]));
    EXPECT_EQ(symbols, c.symbols);
    EXPECT_EQ(mask.Symbols[c.symbols.size()].Kind, NONE);
    EXPECT_EQ(mask.GetMskValue(), c.value);
    EXPECT_TRUE(c.error.empty() || mask.GetPrefix().str() + mask.GetSuffix().str() == "");
  }
  TGenMask hundred;  // the most a mask holds
  hundred.ScanMask(std::string(99, '#') + "[XY]");
  hundred.NullValue();
  EXPECT_EQ(hundred.GetMskValue(), std::string(99, '0') + "X");
  hundred.ScanMask("##");  // parsing again keeps the limits and the handlers
  hundred.SetStartValue("05");
  hundred.SetEndValue("90");
  hundred.OnOverFlow = [](TObject*, TmString&) {};
  hundred.ScanMask("[AB]");
  EXPECT_EQ(Describe(hundred.Symbols[0]), "10 AB 0");
  EXPECT_TRUE(hundred.Symbols[1].Kind == NONE && hundred.Symbols[1].Chars.empty());
  EXPECT_EQ(hundred.StartValue.str() + hundred.EndValue.str(), "0590");
  EXPECT_TRUE(hundred.OnOverFlow.Assigned());
}

TEST(GenMaskValue, TmStringHoldsAtMostOneHundredCharacters) {
  TmString grown(std::string(99, 'a'));
  grown.push_back('b');
  grown.append("def");
  EXPECT_EQ(grown.str(), std::string(99, 'a') + "b");
  EXPECT_EQ(TmString(std::string(150, 'x')).size(), 100u);
  EXPECT_EQ(TmString(std::string("A\0B", 3)).size(), 3u);
}

// SetSuffix and SetPrefix write symbols without checking; the getters split
// the value. Each step: picture ("" keeps the last), call, argument, value.
TEST(GenMaskValue, SettersWriteWithoutCheckingAndGettersSplitTheValue) {
  const std::vector<std::array<std::string, 4>> steps = {
      {"INV-##", "S", "07", "INV-07"},
      {"[ABC]#", "S", "X5", "A5"},  // not a member: the set's first character
      {"", "S", "C?", "C?"},        // any character goes into an incremental symbol
      {"", "S", "B", "B?"},         // shorter: the rest keeps its character
      {"", "S", "A1extra", "A1"},
      {"AB-#@", "S", "4", "AB-4@"},
      {"", "P", "XYZQ", "XYZ4Q"},  // SetPrefix: the static and application symbols
      {"", "P", "k", "kYZ4Q"},
  };
  TGenMask mask;
  for (const auto& [picture, call, argument, value] : steps) {
    SCOPED_TRACE(call + " " + argument);
    if (!picture.empty())
      mask.ScanMask(picture);
    call == "S" ? mask.SetSuffix(argument) : mask.SetPrefix(argument);
    EXPECT_EQ(mask.GetMskValue(), value);
  }
  mask.ScanMask("[ABA]");
  mask.SetSuffix("A");  // duplicates kept; the first equal member is chosen
  EXPECT_EQ(mask.Symbols[0].Current, 0);
  mask.ScanMask("A#B[XY]@$");
  mask.SetSuffix("7YQ");
  EXPECT_EQ(mask.GetMskValue(), "A7BY@Q");
  const std::vector<std::string> parts = {mask.GetPrefix().str(), mask.GetSuffix().str(),
                                          mask.GetSTAT().str(),   mask.GetENUM().str(),
                                          mask.GetINCR().str(),   mask.GetPROC().str()};
  EXPECT_EQ(parts, (std::vector<std::string>{"AB@", "7YQ", "AB", "Y", "7Q", "@"}));
}

TEST(GenMaskValue, ApplicationCharactersComeFromOnGetPROCAskedEveryTime) {
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
  EXPECT_EQ(seen + " " + mask.GetMskValue().str(), "@@ K@-#");
  answer = "KLM";
  EXPECT_EQ(mask.GetPROC(), "KLM");
  EXPECT_EQ(seen + " " + mask.GetMskValue().str(), "K@ KL-#");
  answer = "XY";
  EXPECT_EQ(mask.GetPrefix(), "XY-");
  mask.OnGetPROC = nullptr;
  EXPECT_EQ(mask.GetPrefix(), "XY-");
}

TEST(GenMaskValidate, ReportsEveryInvalidCharacterInAMessageBox) {
  const struct {
    std::string picture, value;
    bool valid;
    std::vector<std::string> messages;
  } cases[] = {
      {"##", "00", true, {}},
      {"##", "0A", false, {"Error at position-2 0A"}},
      {"###", "1X3", false, {"Error at position-2 1X3"}},
      {"[AB]", "Q", false, {"Qis not in the set!"}},
      {"[AB][AB]", "XY", false, {"Xis not in the set!", "Yis not in the set!"}},
      {"[AB]", "a", false, {"ais not in the set!"}},  // sets match case exactly
      {"&&", "a9", true, {}},
      {"$&", "\xC0\xFF", true, {}},
      {"$$", "9-", false, {"Error at position-1 9-", "Error at position-2 9-"}},
      {"&", "\xBF", false, {"Error at position-1 \xBF"}},
      {"##", "1234", true, {}},
      {"AB-[XY]#", "Y7", true, {}},  // static symbols take no position
      // A value shorter than the counting part: each missing character is invalid.
      {"#[AB]#", "1", false, {"Error at position-2 1", "Error at position-3 1"}},
      {"##", "", false, {"Error at position-1 ", "Error at position-2 "}},
      {"ABC", "1", false, {}},  // no counting symbol: rejected at once, silently
      {"", "1", false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.picture + " / " + c.value);
    TGenMask mask;
    mask.ScanMask(c.picture);
    MessageRecorder recorder;
    EXPECT_EQ(mask.Validate(c.value), c.valid);
    EXPECT_EQ(recorder.Texts(), c.messages);
    for (const auto& m : recorder.messages)
      EXPECT_TRUE(m.caption == "TGenMask" && m.style == 16 && !m.simple);
  }
  TGenMask mask;  // a handler takes the reports instead
  mask.ScanMask("A#$&[XY]");
  std::vector<std::tuple<TObject*, int, std::string>> reports;
  mask.OnErrorMask = [&](TObject* sender, int position, const std::string& type) {
    reports.emplace_back(sender, position, type);
  };
  MessageRecorder recorder;
  EXPECT_FALSE(mask.Validate("x1-Z"));
  EXPECT_TRUE(recorder.messages.empty());
  const std::vector<std::tuple<TObject*, int, std::string>> expected = {
      {&mask, 1, "NUM"}, {&mask, 2, "CHAR"}, {&mask, 3, "CHARNUM"}, {&mask, 4, "ENUM"}};
  EXPECT_EQ(reports, expected);
}

TEST(GenMaskValidate, LimitSettersKeepOnlyValidValuesAsGiven) {
  TGenMask mask;
  mask.ScanMask("##");
  MessageRecorder recorder;
  const std::vector<std::vector<std::string>> steps = {
      // limit, value, start after, end after
      {"S", "0A", "", ""},     {"S", "00", "00", ""}, {"E", "9", "00", ""},  // too short
      {"E", "95", "00", "95"}, {"E", "", "00", ""},
  };
  for (const auto& step : steps) {
    step[0] == "S" ? mask.SetStartValue(step[1]) : mask.SetEndValue(step[1]);
    EXPECT_EQ(mask.StartValue.str() + "|" + mask.EndValue.str(), step[2] + "|" + step[3]);
  }
  EXPECT_EQ(recorder.Texts().size(), 2u);
  mask.ScanMask("$$");
  mask.SetEndValue("ab");  // stored as given; the start is not checked again
  EXPECT_EQ(mask.StartValue.str() + "|" + mask.EndValue.str(), "00|ab");
  mask.ScanMask("ABC");  // nothing counts: refused silently, the value kept
  mask.SetEndValue("AB");
  EXPECT_EQ(mask.EndValue.str() + mask.GetMskValue().str(), "ABC");
  EXPECT_EQ(recorder.Texts().size(), 2u);
}

}  // namespace
}  // namespace qgen
