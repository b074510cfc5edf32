// Composing a mask in the dialog: symbol by symbol with the radio group and
// Addbtn, by typing into the mask edit, and erasing it.
#include <gtest/gtest.h>

#include "tests/design/DialogDriver.h"

namespace qgen::test {
namespace {

TEST_F(DialogTest, EachKindAppendsItsSymbolAndGreysEdit2WhenItTakesNoText) {
  Open();
  const struct {
    int kind;
    QString text;
    const char* expect;  // the mask is parsed after every add
  } steps[] = {
      {kProc, "", "Edit1=@; suffix=; ro=1; off=Label2,Edit2,Edit3"},
      {kStatic, "INV-", "Edit1=@INV-; suffix=; ro=0; off=Edit3"},
      {kNumber, "", "Edit1=@INV-#; suffix=#; ro=1; off=Label2,Edit2,Edit3"},
      {kSet, "AB", "Edit1=@INV-#[AB]; suffix=#A; ro=0; off=Edit3"},
      {kLetter, "", "Edit1=@INV-#[AB]$; suffix=#A$; ro=1; off=Label2,Edit2,Edit3"},
      {kCharnum, "", "Edit1=@INV-#[AB]$&; suffix=#A$&; off=Label2,Edit2,Edit3"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.expect);
    Add(step.kind, step.text);
    Expect(step.expect);
  }
}

TEST_F(DialogTest, OneAddOnATypedMask) {
  const struct {
    const char* typed;  // into Edit1 first: Testbtn stays off
    int kind;
    const char* text;
    const char* expect;
  } rows[] = {
      // Symbol characters are not escaped; Edit2 keeps the text for another add.
      {"", kStatic, "A#", "Edit1=A#; suffix=#; Edit2=A#; off=Edit3"},
      // An empty set would have no character to stand on.
      {"AB", kSet, "", "Edit1=AB; off=Edit3"},
      // With no kind chosen the states are refreshed all the same.
      {"AB#", kNone, "X", "Edit1=AB#; off=Edit3; said=Select symbol to add!"},
      // The parser's error ends the handler before the refresh.
      {"", kStatic, "[A", "Edit1=[A; off=Testbtn,Edit3; said=qgen: Missing ] symbol in Mask!"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.expect);
    Open();
    Type(dialog->Edit1, row.typed);  // a mask that parses
    Add(row.kind, row.text);
    Expect(row.expect);
  }
}

TEST_F(DialogTest, TypingParsesEachChangeAndLeavesTestbtnAsItWas) {
  Open();
  Type(dialog->Edit1, "INV-##");
  Expect("suffix=##; off=Testbtn,Edit3");  // the values come on, the test not
  // Each keystroke that leaves the mask unparsable reports again.
  const std::string missing = "qgen: Missing ] symbol in Mask!";
  Type(dialog->Edit1, "[AB");
  Expect("said=" + missing + " / " + missing + " / " + missing);
  // A test of a mask that does not parse (opened with one) opens the panel
  // and disables nothing; Endbtn closes it again.
  Open("[");
  Click(dialog->Testbtn);
  Expect("height=319; off=Edit3; said=" + missing + " / " + missing);
  Click(dialog->Endbtn);
  // Clearing the mask by typing turns the values off, but not the test.
  Type(dialog->Edit1, "");
  Expect("height=262; off=svEdit,evEdit,Edit3");
}

TEST_F(DialogTest, EraseClearsMaskAndValuesButTheEngineKeepsTheLastMask) {
  SVOK = EVOK = true;
  Open("INV-##", "05", "95");
  Click(dialog->Erasebtn);
  Expect("Edit1=; svEdit=; evEdit=; flags=; off=Testbtn,Edit3");
  Type(dialog->svEdit, "07");
  PressTab();
  Expect("flags=SV");  // still checked against INV-##
}

}  // namespace
}  // namespace qgen::test
