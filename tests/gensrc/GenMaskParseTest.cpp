// Parsing mask pictures into the symbol table, and the parser's errors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Exception.h"
#include "gensrc/GenMask.h"

namespace qgen {
namespace {

struct Expected {
  tType kind;
  incType inc;
  std::string chars;
  int position;
};

struct ParseCase {
  std::string picture;
  std::vector<Expected> symbols;
};

TEST(GenMaskParse, BuildsOneSymbolPerCharacterOrSet) {
  const std::vector<ParseCase> cases = {
      {"", {}},
      {"@@/[ABC]&&",
       {{PROC, INCNONE, "@", 0},
        {PROC, INCNONE, "@", 1},
        {STAT, INCNONE, "/", 2},
        {ENUMS, INCNONE, "ABC", 3},
        {INC, INCBOTH, "&", 8},
        {INC, INCBOTH, "&", 9}}},
      {"#$&", {{INC, INCNUM, "#", 0}, {INC, INCCHAR, "$", 1}, {INC, INCBOTH, "&", 2}}},
      {"]A", {{STAT, INCNONE, "]", 0}, {STAT, INCNONE, "A", 1}}},
      {"[A]]", {{ENUMS, INCNONE, "A", 0}, {STAT, INCNONE, "]", 3}}},
      {"[#@ #]", {{ENUMS, INCNONE, "#@ #", 0}}},
      {std::string("A#\0#", 4), {{STAT, INCNONE, "A", 0}, {INC, INCNUM, "#", 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.picture);
    TGenMask mask;
    mask.ScanMask(c.picture);
    ASSERT_EQ(mask.Count, static_cast<int>(c.symbols.size()));
    for (std::size_t i = 0; i < c.symbols.size(); ++i) {
      const TMaskSymbol& s = mask.Symbols[i];
      EXPECT_EQ(s.Kind, c.symbols[i].kind) << i;
      EXPECT_EQ(s.IncKind, c.symbols[i].inc) << i;
      EXPECT_EQ(s.Chars, c.symbols[i].chars) << i;
      EXPECT_EQ(s.Position, c.symbols[i].position) << i;
      EXPECT_EQ(s.Current, 0) << i;
    }
    EXPECT_EQ(mask.Symbols[c.symbols.size()].Kind, NONE);
  }
}

TEST(GenMaskParse, FreshValueIsThePictureWithSetsAtTheirFirstMember) {
  TGenMask mask;
  mask.ScanMask("INV-[AB]##");
  EXPECT_EQ(mask.GetMskValue(), "INV-A##");
  EXPECT_EQ(mask.GetPrefix(), "INV-");
  EXPECT_EQ(mask.GetSuffix(), "A##");
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
    EXPECT_EQ(mask.GetMskValue(), "");
    EXPECT_EQ(mask.GetPrefix(), "");
    EXPECT_EQ(mask.GetSuffix(), "");
    bool reported = false;
    mask.OnOverFlow = [&](TObject*, TmString&) { reported = true; };
    mask.OnSubOver = [&](TObject*, TmString&) { reported = true; };
    mask.Increment();
    mask.Decrement();
    EXPECT_FALSE(reported);
  }
}

TEST(GenMaskParse, AcceptsOneHundredSymbols) {
  TGenMask mask;
  mask.ScanMask(std::string(99, '#') + "[XY]");
  EXPECT_EQ(mask.Count, 100);
  mask.NullValue();
  EXPECT_EQ(mask.GetMskValue(), std::string(99, '0') + "X");
}

TEST(GenMaskParse, ReparsingReplacesTheTableAndKeepsLimitsAndCallbacks) {
  TGenMask mask;
  mask.ScanMask("##");
  mask.SetStartValue("05");
  mask.SetEndValue("90");
  int reports = 0;
  mask.OnOverFlow = [&](TObject*, TmString&) { ++reports; };
  mask.ScanMask("[AB]");
  EXPECT_EQ(mask.Count, 1);
  EXPECT_EQ(mask.Symbols[0].Kind, ENUMS);
  EXPECT_EQ(mask.Symbols[0].IncKind, INCNONE);
  EXPECT_EQ(mask.Symbols[1].Kind, NONE);
  EXPECT_EQ(mask.Symbols[1].Chars, "");
  EXPECT_EQ(mask.GetMskValue(), "A");
  EXPECT_EQ(mask.StartValue, "05");
  EXPECT_EQ(mask.EndValue, "90");
  EXPECT_TRUE(mask.OnOverFlow.Assigned());
}

}  // namespace
}  // namespace qgen
