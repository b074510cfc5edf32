// Counting the suffix up and down: carry and borrow, the limits, overflow and
// underflow reports and their defaults, the letter blocks, and the virtual
// operations a subclass replaces.
#include <gtest/gtest.h>

#include <array>
#include <sstream>
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
  // picture start end before op after report alone; "_" for "", "~" for a NUL byte.
  const std::vector<std::string> steps = {
      "## _ _ 09 + 10 _ =", "## _ _ 99 + 00 over:00 =", "## _ 12 12 + 13 over:13 00",
      "## _ 12 11 + 12 _ =", "&& _ _ 09 + 0A _ =", "&& _ _ 0Z + 10 _ =", "&& _ _ 10 - 0Z _ =",
      "$$ _ _ AZ + BA _ =", "[XYZ]# _ _ Y9 + Z0 _ =", "[XYZ]# _ _ Z9 + X0 over:X0 =",
      "#-# _ _ 1-9 + 2-0 _ =", "## 05 _ 10 - 09 _ =", "## 05 _ 05 - 05 under:05 99",
      "## 05 80 05 - 05 under:05 80",
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
    const Step s{f[0], f[1], f[2], f[3], f[4][0], f[5], f[6], f[7]};
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
