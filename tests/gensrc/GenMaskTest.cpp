// The mask engine: parsing pictures and the parser's errors; reading, writing and validating
// values; counting up and down (carry and borrow, the limits, overflow and underflow reports and
// their defaults, the letter blocks, and the operations a subclass replaces).
#include <gtest/gtest.h>

#include <array>
#include <sstream>
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
    std::string error;
  } cases[] = {
      {"", {}, ""},
      {"@@/[ABC]#$&",
       {"30 @ 0", "30 @ 1", "00 / 2", "10 ABC 3", "21 # 8", "22 $ 9", "23 & 10"},
       ""},
      {"]A", {"00 ] 0", "00 A 1"}, ""},
      {"[A]]", {"10 A 0", "00 ] 3"}, ""},
      {"[#@ #]", {"10 #@ # 0"}, ""},
      {std::string("A#\0#", 4), {"00 A 0", "21 # 1"}, ""},
      {"[AB", {}, "Missing ] symbol in Mask!"},
      {"[", {}, "Missing ] symbol in Mask!"},
      {"AB[C[D]", {}, "Error in mask picture at position:4!"},
      {"[[", {}, "Error in mask picture at position:1!"},
      {"AB[]#",
       {},
       "Empty set [] in mask picture at position:2! A set needs at least one character."},
      {std::string(100, '#') + "X", {}, Format(too_many, 100)},
      {std::string(50, '#') + "[AB]" + std::string(51, '#'), {}, Format(too_many, 103)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.picture);
    TGenMask mask;
    mask.ScanMask("AB##");  // the table and value of a picture before, its limit and handler
    mask.SetSuffix("12");
    mask.SetStartValue("05");
    mask.OnOverFlow = [](TObject*, TmString&) {};
    if (c.error.empty())
      mask.ScanMask(c.picture);
    else
      EXPECT_EQ(test::MessageOf<Exception>([&] { mask.ScanMask(c.picture); }), c.error);
    std::vector<std::string> symbols;
    for (int i = 0; i < mask.Count; ++i)
      symbols.push_back(Describe(mask.Symbols[static_cast<std::size_t>(i)]));
    EXPECT_EQ(symbols, c.symbols);
    EXPECT_EQ(mask.Symbols[c.symbols.size()].Kind, NONE);
    EXPECT_EQ(mask.StartValue.str(), "05");  // parsing again keeps the limits and handlers
    EXPECT_TRUE(mask.OnOverFlow.Assigned());
  }
}

TEST(GenMaskValue, TmStringHoldsAtMostOneHundredCharacters) {
  TmString grown(std::string(99, 'a'));
  grown.push_back('b');
  grown.append("def");
  EXPECT_EQ(grown.str(), std::string(99, 'a') + "b");
  EXPECT_EQ(TmString(std::string(150, 'x')).size(), 100u);
  EXPECT_EQ(TmString(std::string("A\0B", 3)).size(), 3u);
}

// SetSuffix and SetPrefix write symbols without checking; the application's
// characters are what OnGetPROC answers, asked each time they are read ("G":
// GetPrefix with a handler answering the argument, none for ""); the getters
// split the value. Each step: picture ("" keeps the last), call, argument, value.
TEST(GenMaskValue, SettersAndTheApplicationsAnswerWriteTheValueAndGettersSplitIt) {
  const std::vector<std::array<std::string, 4>> steps = {
      {"INV-##", "S", "07", "INV-07"},
      {"[ABC]#", "S", "X5", "A5"},  // not a member: the set's first character
      {"", "S", "C?", "C?"},        // any character goes into an incremental symbol
      {"", "S", "B", "B?"},         // shorter: the rest keeps its character
      {"", "S", "A1extra", "A1"},
      {"AB-#@", "S", "4", "AB-4@"},
      {"", "P", "XYZQ", "XYZ4Q"},  // SetPrefix: the static and application symbols
      {"", "P", "k", "kYZ4Q"},
      {"@@-#", "G", "K", "K@-#"},  // a shorter answer: the rest keeps its character
      {"", "G", "KLM", "KL-#"},    // a longer one: the rest is left out
      {"", "G", "", "KL-#"},
      {"A#B[XY]@$", "S", "7YQ", "A7BY@Q"},
  };
  TGenMask mask;
  std::string asked;
  for (const auto& [picture, call, argument, value] : steps) {
    SCOPED_TRACE(call + " " + argument);
    if (!picture.empty())
      mask.ScanMask(picture);
    mask.OnGetPROC = nullptr;
    if (call == "G" && !argument.empty()) {
      mask.OnGetPROC = [&, answer = argument](TObject* sender, TmString& chars) {
        EXPECT_EQ(sender, &mask);
        asked += chars.str() + " ";
        chars = answer;
      };
    }
    call == "S"   ? mask.SetSuffix(argument)
    : call == "P" ? mask.SetPrefix(argument)
                  : (void)mask.GetPrefix();
    EXPECT_EQ(mask.GetMskValue(), value);
  }
  EXPECT_EQ(asked, "@@ K@ ");  // the handler is given the characters as they stand
  const std::vector<std::string> parts = {mask.GetPrefix().str(), mask.GetSuffix().str(),
                                          mask.GetSTAT().str(),   mask.GetENUM().str(),
                                          mask.GetINCR().str(),   mask.GetPROC().str()};
  EXPECT_EQ(parts, (std::vector<std::string>{"AB@", "7YQ", "AB", "Y", "7Q", "@"}));
  mask.ScanMask("[ABA]");
  mask.SetSuffix("A");  // duplicates kept; the first equal member is chosen
  EXPECT_EQ(mask.Symbols[0].Current, 0);
}

TEST(GenMaskValidate, ReportsEveryInvalidCharacterAndLimitsKeepOnlyValidValues) {
  const struct {
    std::string picture, value;
    bool valid;
    std::vector<std::string> messages;
  } cases[] = {
      {"##", "0A", false, {"Error at position-2 0A"}},
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
      {"ABC", "1", false, {}},  // no counting symbol: rejected at once, silently
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
    mask.SetStartValue(c.value);  // a limit is kept, as given, only when valid
    mask.SetEndValue(c.value);
    const std::string kept = c.valid ? c.value : "";
    EXPECT_EQ(mask.StartValue.str() + "|" + mask.EndValue.str(), kept + "|" + kept);
  }
  TGenMask mask;  // a handler takes the reports instead
  mask.ScanMask("A#$&[XY]");
  std::string reports;
  mask.OnErrorMask = [&](TObject* sender, int position, const std::string& type) {
    EXPECT_EQ(sender, &mask);
    reports += std::to_string(position) + type + " ";
  };
  MessageRecorder recorder;
  EXPECT_FALSE(mask.Validate("x1-Z"));
  EXPECT_TRUE(recorder.messages.empty());
  EXPECT_EQ(reports, "1NUM 2CHAR 3CHARNUM 4ENUM ");
}

// One step of a row's picture with its limits from `before` (a whole value);
// `listen` installs handlers that record what they are told in `reports` (and
// whose changes to the value are ignored). Returns the value after the step.
std::string Count(const std::vector<std::string>& row, bool listen, std::string& reports) {
  const auto& [picture, start, end, before, op] = std::tie(row[0], row[1], row[2], row[3], row[4]);
  TGenMask mask;
  mask.ScanMask(picture);
  mask.StartValue = start;
  mask.EndValue = end;
  if (listen) {
    mask.OnOverFlow = [&](TObject* sender, TmString& v) {
      EXPECT_EQ(sender, &mask);
      reports += "over:" + v.str();
      v = "ignored";
    };
    mask.OnSubOver = [&](TObject*, TmString& v) {
      reports += "under:" + v.str();
      v = "ignored";
    };
  }
  TmString suffix;  // the characters of `before` at the counting positions
  for (int i = 0; i < mask.Count; ++i) {
    const tType kind = mask.Symbols[static_cast<std::size_t>(i)].Kind;
    if (kind == ENUMS || kind == INC)
      suffix.push_back(before[static_cast<std::size_t>(i)]);
  }
  mask.SetSuffix(suffix);
  op == "+" ? mask.Increment() : mask.Decrement();
  return mask.GetMskValue().str();
}

TEST(GenMaskCount, StepsWithCarryBorrowLimitsAndTheirReports) {
  // picture start end before op(+ -) after report(what the handler is told) alone(the value
  // after the step with no handler; "=" the same as with one); "_" for "", "~" for a NUL byte.
  const std::vector<std::string> steps = {
      "## _ _ 09 + 10 _ =", "## _ _ 99 + 00 over:00 =", "## _ 12 12 + 13 over:13 00",
      "## _ 12 11 + 12 _ =", "## 05 12 12 + 13 over:13 05",
      "&& _ _ 09 + 0A _ =", "&& _ _ 0Z + 10 _ =", "&& _ _ 10 - 0Z _ =", "$$ _ _ AZ + BA _ =",
      "[XYZ]# _ _ Y9 + Z0 _ =", "[XYZ]# _ _ Z9 + X0 over:X0 =", "#-# _ _ 1-9 + 2-0 _ =",
      "## 05 _ 10 - 09 _ =", "## 05 _ 05 - 05 under:05 99", "## 05 80 05 - 05 under:05 80",
      "## _ _ 00 - 99 under:99 =", "[XYZ] _ _ X - Z under:Z =", "AB _ _ AB + AB over: =",
      // Carry and borrow pass over static symbols.
      "##A _ _ 19A + 20A _ =", "#/#/# _ _ 0/9/9 + 1/0/0 _ =", "#/#/# _ _ 1/0/0 - 0/9/9 _ =",
      "A# _ _ A9 + A0 over:0 =", "[AB]$# _ _ AZ9 + BA0 _ =", "[AB]$# _ _ BA0 - AZ9 _ =",
      // Small and upper-half letters count within their block.
      "& _ _ 9 + A _ =", "& _ _ Z + 0 over:0 =", "& _ _ z + 0 over:0 =", "& _ _ a - 9 _ =",
      "& _ _ \xE0 - 9 _ =", "& _ _ \xDF + 0 over:0 =", "& _ _ 0 - Z under:Z =",
      "$ _ _ z + a over:a A", "$ _ _ \xFF + \xE0 over:\xE0 A", "$$ _ _ A\xDF + B\xC0 _ =",
      "$$ _ _ B\xC0 - A\xDF _ =", "$$ _ _ Ba - Az _ =", "$ _ _ \xE5 + \xE6 _ =",
      // Bytes outside every alphabet step by code without carry or borrow.
      "# _ _ # + $ _ =", "# _ _ \xFF + ~ _ =", "$ _ _ ~ - \xFF _ =",
      // The end value stops the count after the step beyond it ([ZYX]: Y sorts after X;
      // 69 is already beyond 50: the first step overflows).
      "[ZYX] _ X Z + Y over:Y Z", "$$ _ ab AA + AB _ =", "$$ _ ab AB + AC over:AC AA",
      "&& _ 0Z 0Z + 10 over:10 00", "## _ 50 69 + 60 over:60 00",
      // The start value stops the count only where it is met (20 - with borrow is 29),
      // compared ignoring ASCII case.
      "## 50 _ 20 - 19 _ =", "## 29 _ 20 - 29 under:29 99", "$$ ab _ AB - AB under:AB ZZ"};
  for (const std::string& row : steps) {
    SCOPED_TRACE(row);
    std::istringstream fields(row);
    std::vector<std::string> f(8);
    for (std::string& field : f) {
      fields >> field;
      field = field == "_" ? "" : field == "~" ? std::string(1, '\0') : field;
    }
    std::string reports;
    EXPECT_EQ(Count(f, true, reports), f[5]);
    EXPECT_EQ(reports, f[6]);
    std::string none;
    EXPECT_EQ(Count(f, false, none), f[7] == "=" ? f[5] : f[7]);
  }
}

// A subclass whose replacements the engine must call through the virtual table.
struct Recording : TGenMask {
  std::string calls;
  void NullValue() override { calls += "Null "; }
  void FullValue() override { calls += "Full "; }
  bool Validate(const TmString& s) override {
    calls += "Validate:" + s.str() + " ";
    return s.str() != "13";
  }
};

TEST(GenMaskCount, EngineCallsTheSubclassReplacements) {
  Recording mask;
  TGenMask& base = mask;  // reached through a base reference
  base.ScanMask("##");
  base.SetStartValue("00");
  base.SetEndValue("13");
  base.SetSuffix("99");
  base.Increment();
  base.SetSuffix("00");
  base.Decrement();
  EXPECT_EQ(mask.StartValue.str() + "|" + mask.EndValue.str(), "00|");
  EXPECT_EQ(mask.calls, "Validate:00 Validate:13 Null Full ");
}

}  // namespace
}  // namespace qgen
