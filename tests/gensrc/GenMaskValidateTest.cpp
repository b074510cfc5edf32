// Validation of suffix-form values: what is accepted, how each invalid or
// missing character is reported, and the limit setters that rely on it.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "framework/Messages.h"
#include "gensrc/GenMask.h"

namespace qgen {
namespace {

struct ValidateCase {
  std::string picture;
  std::string value;
  bool valid;
  std::vector<std::string> messages;
};

TEST(GenMaskValidate, ReportsEveryInvalidCharacterInAMessageBox) {
  const std::vector<ValidateCase> cases = {
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
      // No counting symbol: rejected at once, silently.
      {"ABC", "1", false, {}},
      {"", "1", false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.picture + " / " + c.value);
    TGenMask mask;
    mask.ScanMask(c.picture);
    MessageRecorder recorder;
    EXPECT_EQ(mask.Validate(c.value), c.valid);
    EXPECT_EQ(recorder.Texts(), c.messages);
    for (const auto& m : recorder.messages) {
      EXPECT_EQ(m.caption, "TGenMask");
      EXPECT_EQ(m.style, 16);
      EXPECT_FALSE(m.simple);
    }
  }
}

TEST(GenMaskValidate, GivesReportsToOnErrorMaskInsteadOfShowingThem) {
  TGenMask mask;
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
