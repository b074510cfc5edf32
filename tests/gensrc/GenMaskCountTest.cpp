// Counting the suffix up and down: carry and borrow, the limits, overflow and
// underflow reports and their defaults, the letter blocks, and the virtual
// operations a subclass replaces.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "gensrc/GenMask.h"

namespace qgen {
namespace {

// The suffix of a whole value: its characters at the counting positions.
TmString SuffixOf(const TGenMask& mask, const std::string& value) {
  TmString suffix;
  for (int i = 0; i < mask.Count; ++i) {
    const tType kind = mask.Symbols[static_cast<std::size_t>(i)].Kind;
    if (kind == ENUMS || kind == INC)
      suffix.push_back(value[static_cast<std::size_t>(i)]);
  }
  return suffix;
}

enum class Op { Up, Down };

// Records reports when `listen`, else leaves the mask to its defaults.
struct Counter {
  TGenMask mask;
  std::vector<std::string> reports;  // "over:<suffix>" or "under:<suffix>"

  Counter(const std::string& picture, const std::string& start, const std::string& end,
          bool listen = true) {
    mask.ScanMask(picture);
    mask.StartValue = start;
    mask.EndValue = end;
    if (listen) {
      mask.OnOverFlow = [this](TObject* s, TmString& v) {
        EXPECT_EQ(s, &mask);
        reports.push_back("over:" + v.str());
        v = "ignored";
      };
      mask.OnSubOver = [this](TObject* s, TmString& v) {
        EXPECT_EQ(s, &mask);
        reports.push_back("under:" + v.str());
        v = "ignored";
      };
    }
  }
  void Set(const std::string& value) { mask.SetSuffix(SuffixOf(mask, value)); }
  std::string Run(Op op, const std::string& from) {
    Set(from);
    op == Op::Up ? mask.Increment() : mask.Decrement();
    return mask.GetMskValue().str();
  }
};

struct Example {
  std::string picture, start, end, before;
  Op op;
  std::string after;                  // the value once the step (and any report) is done
  std::optional<std::string> report;  // what a handler is told
  std::string without_handler;        // the value when no handler listens
};

TEST(GenMaskCount, WorkedExamples) {
  const std::vector<Example> examples = {
      {"##", "", "", "09", Op::Up, "10", std::nullopt, "10"},
      {"##", "", "", "99", Op::Up, "00", "over:00", "00"},
      {"##", "", "12", "12", Op::Up, "13", "over:13", "00"},
      {"##", "", "12", "11", Op::Up, "12", std::nullopt, "12"},
      {"&&", "", "", "09", Op::Up, "0A", std::nullopt, "0A"},
      {"&&", "", "", "0Z", Op::Up, "10", std::nullopt, "10"},
      {"&&", "", "", "10", Op::Down, "0Z", std::nullopt, "0Z"},
      {"$$", "", "", "AZ", Op::Up, "BA", std::nullopt, "BA"},
      {"[XYZ]#", "", "", "Y9", Op::Up, "Z0", std::nullopt, "Z0"},
      {"[XYZ]#", "", "", "Z9", Op::Up, "X0", "over:X0", "X0"},
      {"#-#", "", "", "1-9", Op::Up, "2-0", std::nullopt, "2-0"},
      {"##", "05", "", "10", Op::Down, "09", std::nullopt, "09"},
      {"##", "05", "", "05", Op::Down, "05", "under:05", "99"},
      {"##", "05", "80", "05", Op::Down, "05", "under:05", "80"},
      {"##", "", "", "00", Op::Down, "99", "under:99", "99"},
      {"[XYZ]", "", "", "X", Op::Down, "Z", "under:Z", "Z"},
      {"AB", "", "", "AB", Op::Up, "AB", "over:", "AB"},
  };
  for (const auto& e : examples) {
    SCOPED_TRACE(e.picture + " start=" + e.start + " end=" + e.end + " from " + e.before);
    Counter listened(e.picture, e.start, e.end);
    EXPECT_EQ(listened.Run(e.op, e.before), e.after);
    const auto expected =
        e.report ? std::vector<std::string>{*e.report} : std::vector<std::string>{};
    EXPECT_EQ(listened.reports, expected);

    Counter alone(e.picture, e.start, e.end, /*listen=*/false);
    EXPECT_EQ(alone.Run(e.op, e.before), e.without_handler);
  }
}

struct Step {
  std::string picture, end, before;
  Op op;
  std::string after;
  std::vector<std::string> reports;
};

void CheckSteps(const std::vector<Step>& steps) {
  for (const auto& s : steps) {
    SCOPED_TRACE(s.picture + " end=" + s.end + " from " + s.before);
    Counter counter(s.picture, "", s.end);
    EXPECT_EQ(counter.Run(s.op, s.before), s.after);
    EXPECT_EQ(counter.reports, s.reports);
  }
}

TEST(GenMaskCount, CarryAndBorrowPassOverStaticSymbols) {
  CheckSteps({
      {"##A", "", "19A", Op::Up, "20A", {}},
      {"#/#/#", "", "0/9/9", Op::Up, "1/0/0", {}},
      {"#/#/#", "", "1/0/0", Op::Down, "0/9/9", {}},
      {"A#", "", "A9", Op::Up, "A0", {"over:0"}},
      {"[AB]$#", "", "AZ9", Op::Up, "BA0", {}},
      {"[AB]$#", "", "BA0", Op::Down, "AZ9", {}},
  });
}

TEST(GenMaskCount, SmallAndUpperHalfLettersCountWithinTheirBlock) {
  CheckSteps({
      {"&", "", "9", Op::Up, "A", {}},
      {"&", "", "Z", Op::Up, "0", {"over:0"}},
      {"&", "", "z", Op::Up, "0", {"over:0"}},
      {"&", "", "a", Op::Down, "9", {}},
      {"&", "", "\xE0", Op::Down, "9", {}},
      {"&", "", "\xDF", Op::Up, "0", {"over:0"}},
      {"&", "", "0", Op::Down, "Z", {"under:Z"}},
      {"$", "", "z", Op::Up, "a", {"over:a"}},
      {"$", "", "\xFF", Op::Up, "\xE0", {"over:\xE0"}},
      {"$$", "", "A\xDF", Op::Up, "B\xC0", {}},
      {"$$", "", "B\xC0", Op::Down, "A\xDF", {}},
      {"$$", "", "Ba", Op::Down, "Az", {}},
      {"$", "", "\xE5", Op::Up, "\xE6", {}},
      // Bytes outside every alphabet step by code without carry or borrow.
      {"#", "", "#", Op::Up, "$", {}},
      {"#", "", "\xFF", Op::Up, std::string(1, '\0'), {}},
      {"$", "", std::string(1, '\0'), Op::Down, "\xFF", {}},
  });
  TGenMask mask;  // with no handler an overflow falls back to the lowest value
  mask.ScanMask("$");
  mask.SetSuffix("z");
  mask.Increment();
  EXPECT_EQ(mask.GetMskValue(), "A");
}

TEST(GenMaskCount, EndValueStopsTheCountAfterTheStepBeyondIt) {
  CheckSteps({
      {"[ZYX]", "X", "Z", Op::Up, "Y", {"over:Y"}},  // Y sorts after X
      {"$$", "ab", "AA", Op::Up, "AB", {}},
      {"$$", "ab", "AB", Op::Up, "AC", {"over:AC"}},
      {"&&", "0Z", "0Y", Op::Up, "0Z", {}},
      {"&&", "0Z", "0Z", Op::Up, "10", {"over:10"}},
      {"##", "50", "69", Op::Up, "60", {"over:60"}},  // already beyond: the first step reports
  });
}

TEST(GenMaskCount, StartValueStopsTheCountOnlyWhereItIsMet) {
  Counter below("##", "50", "");
  EXPECT_EQ(below.Run(Op::Down, "20"), "19");
  EXPECT_TRUE(below.reports.empty());

  Counter met("##", "29", "");  // 20 -> 29 with borrow, then 29 is tested
  EXPECT_EQ(met.Run(Op::Down, "20"), "29");
  EXPECT_EQ(met.reports, std::vector<std::string>{"under:29"});

  Counter small("$$", "ab", "");  // the comparison ignores ASCII case
  EXPECT_EQ(small.Run(Op::Down, "AB"), "AB");
  EXPECT_EQ(small.reports, std::vector<std::string>{"under:AB"});
}

TEST(GenMaskCount, NullAndFullValueUseTheLimitsOrTheAlphabetEnds) {
  TGenMask mask;
  mask.ScanMask("A@[XYZ]#$&");
  mask.NullValue();
  EXPECT_EQ(mask.GetMskValue(), "A@X0A0");
  mask.FullValue();
  EXPECT_EQ(mask.GetMskValue(), "A@Z9ZZ");
  mask.StartValue = "Y1B2";
  mask.EndValue = "Y8Y8";
  mask.NullValue();
  EXPECT_EQ(mask.GetMskValue(), "A@Y1B2");
  mask.FullValue();
  EXPECT_EQ(mask.GetMskValue(), "A@Y8Y8");
}

// A subclass whose replacements the engine must call through the virtual table.
class Recording : public TGenMask {
 public:
  std::vector<std::string> calls;
  void NullValue() override {
    calls.push_back("Null");
    SetSuffix("42");
  }
  void FullValue() override {
    calls.push_back("Full");
    SetSuffix("24");
  }
  bool Validate(const TmString& s) override {
    calls.push_back("Validate:" + s.str());
    return s.str() != "13";
  }
};

TEST(GenMaskCount, EngineCallsTheSubclassReplacements) {
  Recording mask;
  mask.ScanMask("##");
  mask.SetStartValue("00");
  mask.SetEndValue("13");
  EXPECT_EQ(mask.StartValue, "00");
  EXPECT_EQ(mask.EndValue, "");
  mask.SetSuffix("99");
  mask.Increment();
  EXPECT_EQ(mask.GetMskValue(), "42");
  mask.SetSuffix("00");
  mask.Decrement();
  EXPECT_EQ(mask.GetMskValue(), "24");
  const std::vector<std::string> expected = {"Validate:00", "Validate:13", "Null", "Full"};
  EXPECT_EQ(mask.calls, expected);

  TGenMask& base = mask;  // the slots are reached through a base reference too
  base.NullValue();
  EXPECT_EQ(mask.calls.back(), "Null");
}

}  // namespace
}  // namespace qgen
