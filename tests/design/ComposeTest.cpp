// Composing a mask in the dialog: symbol by symbol with the radio group and
// Addbtn, by typing into the mask edit, and erasing it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>

#include "tests/design/DialogDriver.h"

namespace qgen::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST_F(DialogTest, EachKindAppendsItsSymbolAndTheMaskIsParsedAfterEveryAdd) {
  Open();
  struct Step {
    int kind;
    QString text;
    std::string mask;
    std::size_t suffix_length;
  };
  const Step steps[] = {
      {kStatic, "INV-", "INV-", 0},    {kSet, "AB", "INV-[AB]", 1},
      {kProc, "", "INV-[AB]@", 1},     {kNumber, "", "INV-[AB]@#", 2},
      {kLetter, "", "INV-[AB]@#$", 3}, {kCharnum, "", "INV-[AB]@#$&", 4},
  };
  for (const Step& step : steps) {
    Add(step.kind, step.text);
    SCOPED_TRACE(step.mask);
    EXPECT_EQ(dialog->Edit1->Text(), step.mask);
    EXPECT_EQ(Mt->GetSuffix().size(), step.suffix_length);
    EXPECT_TRUE(dialog->Testbtn->Enabled());
    EXPECT_TRUE(dialog->svEdit->Enabled());
    EXPECT_TRUE(dialog->evEdit->Enabled());
  }
  EXPECT_EQ(Mt->Count, 9);
  EXPECT_EQ(Mt->GetMskValue().str(), "INV-A@#$&");
  EXPECT_THAT(messages.Texts(), IsEmpty());
}

TEST_F(DialogTest, StaticTextIsAddedUnescapedAndCanBeAddedAgain) {
  Open();
  Add(kStatic, "A#");
  Click(dialog->Addbtn);
  EXPECT_EQ(dialog->Edit1->Text(), "A#A#");
  EXPECT_EQ(dialog->Edit2->Text(), "A#");
  EXPECT_EQ(Mt->GetSuffix().size(), 2u);  // the number signs count
}

TEST_F(DialogTest, AnEmptySetAddsNothingAndSaysNothing) {
  Open("AB");
  Add(kSet, "");
  EXPECT_EQ(dialog->Edit1->Text(), "AB");
  EXPECT_THAT(messages.Texts(), IsEmpty());
}

TEST_F(DialogTest, KindsWithoutTextMakeEdit2ReadOnlyAndGreyed) {
  Open();
  const struct {
    int kind;
    bool editable;
  } cases[] = {{kProc, false}, {kStatic, true},  {kNumber, false},
               {kSet, true},   {kLetter, false}, {kCharnum, false}};
  for (const auto& c : cases) {
    ChooseKind(c.kind);
    SCOPED_TRACE(c.kind);
    EXPECT_EQ(dialog->RG->ItemIndex(), c.kind);
    EXPECT_EQ(dialog->Edit2->ReadOnly(), !c.editable);
    EXPECT_EQ(dialog->Edit2->Enabled(), c.editable);
    EXPECT_EQ(dialog->Label2->Enabled(), c.editable);
  }
}

TEST_F(DialogTest, AddingWithNoKindChosenAsksForOneAndRefreshesTheStates) {
  Open();
  Type(dialog->Edit2, "X");
  Click(dialog->Addbtn);
  EXPECT_THAT(messages.Texts(), ElementsAre("Select symbol to add!"));
  EXPECT_TRUE(messages.messages[0].simple);
  EXPECT_EQ(dialog->Edit1->Text(), "");
  // With the mask empty the value edits are switched off as well.
  EXPECT_FALSE(dialog->Testbtn->Enabled());
  EXPECT_FALSE(dialog->svEdit->Enabled());
  EXPECT_FALSE(dialog->evEdit->Enabled());

  // A typed mask is taken into account by the refresh: Testbtn comes on.
  Type(dialog->Edit1, "AB#");
  EXPECT_FALSE(dialog->Testbtn->Enabled());
  Click(dialog->Addbtn);
  EXPECT_EQ(messages.Texts().size(), 2u);
  EXPECT_TRUE(dialog->Testbtn->Enabled());
}

TEST_F(DialogTest, AnAddThatBreaksTheMaskReportsTheParserErrorAndStopsThere) {
  Open();
  Add(kStatic, "[A");
  EXPECT_THAT(messages.Texts(), ElementsAre("Missing ] symbol in Mask!"));
  EXPECT_EQ(dialog->Edit1->Text(), "[A");
  EXPECT_EQ(Mt->Count, 0);
  EXPECT_FALSE(dialog->Testbtn->Enabled());  // the refresh was not reached
  EXPECT_TRUE(dialog->isVisible());
}

TEST_F(DialogTest, TypingAMaskParsesEachChangeButLeavesTestbtnAsItWas) {
  Open();
  Type(dialog->Edit1, "INV-##");
  EXPECT_EQ(Mt->GetMskValue().str(), "INV-##");
  EXPECT_TRUE(dialog->svEdit->Enabled());
  EXPECT_TRUE(dialog->evEdit->Enabled());
  EXPECT_FALSE(dialog->Testbtn->Enabled());

  // Each keystroke that leaves the mask unparsable reports again.
  Type(dialog->Edit1, "[AB");
  EXPECT_THAT(messages.Texts(),
              ElementsAre("Missing ] symbol in Mask!", "Missing ] symbol in Mask!",
                          "Missing ] symbol in Mask!"));
  QTest::keyClicks(dialog->Edit1, "]");
  EXPECT_EQ(messages.Texts().size(), 3u);
  EXPECT_EQ(Mt->GetSuffix().str(), "A");
}

TEST_F(DialogTest, ClearingAMaskByTypingDisablesTheValuesButNotTestbtn) {
  Open("AB#");
  ASSERT_TRUE(dialog->Testbtn->Enabled());
  Type(dialog->Edit1, "");
  EXPECT_FALSE(dialog->svEdit->Enabled());
  EXPECT_FALSE(dialog->evEdit->Enabled());
  EXPECT_TRUE(dialog->Testbtn->Enabled());
}

TEST_F(DialogTest, EraseClearsMaskAndValuesButTheEngineKeepsTheLastMask) {
  SVOK = true;
  EVOK = true;
  Open("INV-##", "05", "95");
  Click(dialog->Erasebtn);
  EXPECT_EQ(dialog->Edit1->Text(), "");
  EXPECT_EQ(dialog->svEdit->Text(), "");
  EXPECT_EQ(dialog->evEdit->Text(), "");
  EXPECT_FALSE(SVOK);
  EXPECT_FALSE(EVOK);
  EXPECT_FALSE(dialog->Testbtn->Enabled());
  EXPECT_TRUE(dialog->svEdit->Enabled());
  EXPECT_TRUE(dialog->evEdit->Enabled());

  // Values are still checked against INV-##.
  Type(dialog->svEdit, "07");
  PressTab();
  EXPECT_TRUE(SVOK);
  EXPECT_THAT(messages.Texts(), IsEmpty());
}

}  // namespace
}  // namespace qgen::test
