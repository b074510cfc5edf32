// Parsing mask pictures into the symbol table, and the parser's errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Exception.h"
#include "gensrc/GenMask.h"

namespace qgen {
namespace {

// A symbol as "<kind><inc kind> <chars> <position>", e.g. "2 1 # 0" for '#'.
std::string Describe(const TMaskSymbol& s) {
  return std::to_string(s.Kind) + std::to_string(s.IncKind) + " " + s.Chars + " " +
         std::to_string(s.Position) + (s.Current == 0 ? "" : " current!");
}

TEST(GenMaskParse, BuildsOneSymbolPerCharacterOrSetAndAFreshValue) {
  // tType: 0 STAT 1 ENUMS 2 INC 3 PROC; incType: 0 NONE 1 NUM 2 CHAR 3 BOTH.
  const struct {
    std::string picture;
    std::vector<std::string> symbols;
    std::string value;
  } cases[] = {
      {"", {}, ""},
      {"@@/[ABC]&&", {"30 @ 0", "30 @ 1", "00 / 2", "10 ABC 3", "23 & 8", "23 & 9"}, "@@/A&&"},
      {"#$&", {"21 # 0", "22 $ 1", "23 & 2"}, "#$&"},
      {"]A", {"00 ] 0", "00 A 1"}, "]A"},
      {"[A]]", {"10 A 0", "00 ] 3"}, "A]"},
      {"[#@ #]", {"10 #@ # 0"}, "#"},
      {std::string("A#\0#", 4), {"00 A 0", "21 # 1"}, "A#"},
      {"INV-[AB]##",
       {"00 I 0", "00 N 1", "00 V 2", "00 - 3", "10 AB 4", "21 # 8", "21 # 9"},
       "INV-A##"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.picture);
    TGenMask mask;
    mask.ScanMask(c.picture);
    std::vector<std::string> symbols;
    for (int i = 0; i < mask.Count; ++i)
      symbols.push_back(Describe(mask.Symbols[static_cast<std::size_t>(i)]));
    EXPECT_EQ(symbols, c.symbols);
    EXPECT_EQ(mask.Symbols[c.symbols.size()].Kind, NONE);
    EXPECT_EQ(mask.GetMskValue(), c.value);
  }
  TGenMask hundred;  // the most a mask holds
  hundred.ScanMask(std::string(99, '#') + "[XY]");
  hundred.NullValue();
  EXPECT_EQ(hundred.GetMskValue(), std::string(99, '0') + "X");
}

TEST(GenMaskParse, RejectsBadPicturesAndLeavesTheTableEmpty) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"[AB", "Missing ] symbol in Mask!"},
      {"[", "Missing ] symbol in Mask!"},
      {"AB[C[D]", "Error in mask picture at position:4!"},
      {"[A[B]", "Error in mask picture at position:2!"},
      {"[[", "Error in mask picture at position:1!"},
      {"AB[]#", "Empty set [] in mask picture at position:2! A set needs at least one character."},
      {std::string(100, '#') + "X",
       "Too many symbols in mask picture at position:100! A mask holds at most 100 symbols."},
      {std::string(50, '#') + "[AB]" + std::string(51, '#'),
       "Too many symbols in mask picture at position:103! A mask holds at most 100 symbols."},
  };
  for (const auto& [picture, message] : cases) {
    SCOPED_TRACE(picture);
    TGenMask mask;
    mask.ScanMask("AB##");
    mask.SetSuffix("12");
    try {
      mask.ScanMask(picture);
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), message);
    }
    EXPECT_EQ(mask.Count, 0);
    EXPECT_EQ(mask.Symbols[0].Kind, NONE);
    EXPECT_EQ(mask.GetMskValue().str() + mask.GetPrefix().str() + mask.GetSuffix().str(), "");
    bool reported = false;
    mask.OnOverFlow = mask.OnSubOver = [&](TObject*, TmString&) { reported = true; };
    mask.Increment();
    mask.Decrement();
    EXPECT_FALSE(reported);
  }
}

TEST(GenMaskParse, ReparsingReplacesTheTableAndKeepsLimitsAndCallbacks) {
  TGenMask mask;
  mask.ScanMask("##");
  mask.SetStartValue("05");
  mask.SetEndValue("90");
  mask.OnOverFlow = [](TObject*, TmString&) {};
  mask.ScanMask("[AB]");
  EXPECT_EQ(Describe(mask.Symbols[0]), "10 AB 0");
  EXPECT_EQ(mask.Symbols[1].Kind, NONE);
  EXPECT_EQ(mask.Symbols[1].Chars, "");
  EXPECT_EQ(mask.StartValue.str() + mask.EndValue.str(), "0590");
  EXPECT_TRUE(mask.OnOverFlow.Assigned());
}

}  // namespace
}  // namespace qgen
