// Counting the suffix up and down: carry and borrow, the limits, overflow and
// underflow reports and their defaults, the letter blocks, and the virtual
// operations a subclass replaces.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "gensrc/GenMask.h"

namespace qgen {
namespace {

// One step from `before` (a whole value): the value after it with a handler
// listening, what the handler is told ("" for nothing), and the value after
// it with no handler ("=" for the same as with one).
struct Step {
  std::string picture, start, end, before;
  char op;  // '+' Increment, '-' Decrement
  std::string after, report, alone;
};

// Runs the step; `listen` installs handlers that record (and whose changes to
// the value are ignored). Returns the value and the reports.
std::string Count(const Step& s, bool listen, std::string& reports) {
  TGenMask mask;
  mask.ScanMask(s.picture);
  mask.StartValue = s.start;
  mask.EndValue = s.end;
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
      suffix.push_back(s.before[static_cast<std::size_t>(i)]);
  }
  mask.SetSuffix(suffix);
  s.op == '+' ? mask.Increment() : mask.Decrement();
  return mask.GetMskValue().str();
}

TEST(GenMaskCount, StepsWithCarryBorrowLimitsAndTheirReports) {
  const std::string nul(1, '\0');
  const std::vector<Step> steps = {
      {"##", "", "", "09", '+', "10", "", "="},
      {"##", "", "", "99", '+', "00", "over:00", "="},
      {"##", "", "12", "12", '+', "13", "over:13", "00"},
      {"##", "", "12", "11", '+', "12", "", "="},
      {"&&", "", "", "09", '+', "0A", "", "="},
      {"&&", "", "", "0Z", '+', "10", "", "="},
      {"&&", "", "", "10", '-', "0Z", "", "="},
      {"$$", "", "", "AZ", '+', "BA", "", "="},
      {"[XYZ]#", "", "", "Y9", '+', "Z0", "", "="},
      {"[XYZ]#", "", "", "Z9", '+', "X0", "over:X0", "="},
      {"#-#", "", "", "1-9", '+', "2-0", "", "="},
      {"##", "05", "", "10", '-', "09", "", "="},
      {"##", "05", "", "05", '-', "05", "under:05", "99"},
      {"##", "05", "80", "05", '-', "05", "under:05", "80"},
      {"##", "", "", "00", '-', "99", "under:99", "="},
      {"[XYZ]", "", "", "X", '-', "Z", "under:Z", "="},
      {"AB", "", "", "AB", '+', "AB", "over:", "="},
      // Carry and borrow pass over static symbols.
      {"##A", "", "", "19A", '+', "20A", "", "="},
      {"#/#/#", "", "", "0/9/9", '+', "1/0/0", "", "="},
      {"#/#/#", "", "", "1/0/0", '-', "0/9/9", "", "="},
      {"A#", "", "", "A9", '+', "A0", "over:0", "="},
      {"[AB]$#", "", "", "AZ9", '+', "BA0", "", "="},
      {"[AB]$#", "", "", "BA0", '-', "AZ9", "", "="},
      // Small and upper-half letters count within their block.
      {"&", "", "", "9", '+', "A", "", "="},
      {"&", "", "", "Z", '+', "0", "over:0", "="},
      {"&", "", "", "z", '+', "0", "over:0", "="},
      {"&", "", "", "a", '-', "9", "", "="},
      {"&", "", "", "\xE0", '-', "9", "", "="},
      {"&", "", "", "\xDF", '+', "0", "over:0", "="},
      {"&", "", "", "0", '-', "Z", "under:Z", "="},
      {"$", "", "", "z", '+', "a", "over:a", "A"},
      {"$", "", "", "\xFF", '+', "\xE0", "over:\xE0", "A"},
      {"$$", "", "", "A\xDF", '+', "B\xC0", "", "="},
      {"$$", "", "", "B\xC0", '-', "A\xDF", "", "="},
      {"$$", "", "", "Ba", '-', "Az", "", "="},
      {"$", "", "", "\xE5", '+', "\xE6", "", "="},
      // Bytes outside every alphabet step by code without carry or borrow.
      {"#", "", "", "#", '+', "$", "", "="},
      {"#", "", "", "\xFF", '+', nul, "", "="},
      {"$", "", "", nul, '-', "\xFF", "", "="},
      // The end value stops the count after the step beyond it.
      {"[ZYX]", "", "X", "Z", '+', "Y", "over:Y", "Z"},  // Y sorts after X
      {"$$", "", "ab", "AA", '+', "AB", "", "="},
      {"$$", "", "ab", "AB", '+', "AC", "over:AC", "AA"},
      {"&&", "", "0Z", "0Z", '+', "10", "over:10", "00"},
      {"##", "", "50", "69", '+', "60", "over:60", "00"},  // already beyond: the first step
      // The start value stops the count only where it is met.
      {"##", "50", "", "20", '-', "19", "", "="},
      {"##", "29", "", "20", '-', "29", "under:29", "99"},  // 20 -> 29 with borrow, then met
      {"$$", "ab", "", "AB", '-', "AB", "under:AB", "ZZ"},  // compared ignoring ASCII case
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.picture + " start=" + s.start + " end=" + s.end + " " + s.op + " " + s.before);
    std::string reports;
    EXPECT_EQ(Count(s, true, reports), s.after);
    EXPECT_EQ(reports, s.report);
    std::string none;
    EXPECT_EQ(Count(s, false, none), s.alone == "=" ? s.after : s.alone);
  }
}

TEST(GenMaskCount, NullAndFullValueUseTheLimitsOrTheAlphabetEnds) {
  TGenMask mask;
  mask.ScanMask("A@[XYZ]#$&");
  for (const auto& [start, end, low, high] : std::vector<std::array<std::string, 4>>{
           {"", "", "A@X0A0", "A@Z9ZZ"}, {"Y1B2", "Y8Y8", "A@Y1B2", "A@Y8Y8"}}) {
    mask.StartValue = start;
    mask.EndValue = end;
    mask.NullValue();
    EXPECT_EQ(mask.GetMskValue(), low);
    mask.FullValue();
    EXPECT_EQ(mask.GetMskValue(), high);
  }
}

// A subclass whose replacements the engine must call through the virtual table.
class Recording : public TGenMask {
 public:
  std::vector<std::string> calls;
  void NullValue() override { calls.push_back("Null"), SetSuffix("42"); }
  void FullValue() override { calls.push_back("Full"), SetSuffix("24"); }
  bool Validate(const TmString& s) override {
    calls.push_back("Validate:" + s.str());
    return s.str() != "13";
  }
};

TEST(GenMaskCount, EngineCallsTheSubclassReplacements) {
  Recording mask;
  TGenMask& base = mask;  // reached through a base reference
  base.ScanMask("##");
  base.SetStartValue("00");
  base.SetEndValue("13");
  EXPECT_EQ(mask.StartValue.str() + "|" + mask.EndValue.str(), "00|");
  base.SetSuffix("99");
  base.Increment();
  EXPECT_EQ(mask.GetMskValue(), "42");
  base.SetSuffix("00");
  base.Decrement();
  EXPECT_EQ(mask.GetMskValue(), "24");
  EXPECT_EQ(mask.calls, (std::vector<std::string>{"Validate:00", "Validate:13", "Null", "Full"}));
}

}  // namespace
}  // namespace qgen
