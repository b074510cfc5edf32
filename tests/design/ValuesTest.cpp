// Start and end values: checked when the focus leaves their edits and again on
// OK; the flags SVOK and EVOK that remember the outcome outlive the dialog.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>

#include "tests/design/DialogDriver.h"

namespace qgen::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct ExitCase {
  const char* mask;
  bool end;  // evEdit rather than svEdit
  const char* value;
  bool valid;
  std::vector<std::string> messages;
};

class ValueExitTest : public DialogTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(ValueExitTest, LeavingTheEditDecidesTheFlag) {
  const ExitCase& c = GetParam();
  bool& flag = c.end ? EVOK : SVOK;
  flag = !c.valid;  // the check must set the flag either way
  Open(c.mask);
  TEdit* edit = c.end ? dialog->evEdit : dialog->svEdit;
  Type(edit, QString::fromUtf8(c.value));
  PressTab();
  EXPECT_NE(QApplication::focusWidget(), edit);  // the focus is not held back
  EXPECT_EQ(flag, c.valid);
  EXPECT_EQ(messages.Texts(), c.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ValueExitTest,
    ::testing::Values(ExitCase{"INV-##", false, "07", true, {}},
                      ExitCase{"INV-##", false, "", false, {}},
                      ExitCase{"INV-##", false, "7", false, {"Invalid StartValue"}},
                      ExitCase{"INV-##", false, "007", false, {"Invalid StartValue"}},
                      ExitCase{"INV-##", false, "7X", false, {"Error at position-2 7X"}},
                      ExitCase{"[AB]$", false, "CX", false, {"Cis not in the set!"}},
                      ExitCase{"ABC", false, "1", false, {"Invalid StartValue"}},
                      ExitCase{"INV-##", true, "95", true, {}},
                      ExitCase{"INV-##", true, "", false, {}},
                      ExitCase{"INV-##", true, "9", false, {"Invalid EndValue"}},
                      ExitCase{"&&", true, "-1", false, {"Error at position-1 -1"}}));

TEST_F(DialogTest, AValueTheCodePageCannotHoldIsReportedAndNotValid) {
  SVOK = true;
  Open("##");
  Type(dialog->svEdit, QString::fromUtf8("1\xE4\xB8\xAD"));
  PressTab();
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_THAT(messages.Texts()[0], ::testing::HasSubstr("U+4E2D"));
  EXPECT_FALSE(SVOK);
}

TEST_F(DialogTest, TabOrderRunsFromTheStartValueToTheEndValueAndOn) {
  Open("##");
  Type(dialog->svEdit, "1");
  PressTab();
  EXPECT_EQ(QApplication::focusWidget(), dialog->evEdit);
  EXPECT_THAT(messages.Texts(), ElementsAre("Invalid StartValue"));
  PressTab();
  EXPECT_EQ(QApplication::focusWidget(), dialog->Edit2);
}

TEST_F(DialogTest, OkChecksNonEmptyValuesAgainAndClosesWhateverTheOutcome) {
  SVOK = true;
  EVOK = true;
  Open("INV-##");
  // Typed, and confirmed with Enter without leaving the edit.
  Type(dialog->evEdit, "9X");
  QTest::keyClick(dialog->evEdit, Qt::Key_Return);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), mrOk);
  EXPECT_FALSE(EVOK);
  EXPECT_TRUE(SVOK);  // an empty edit leaves its flag alone
  EXPECT_THAT(messages.Texts(), ElementsAre("Error at position-2 9X"));
}

TEST_F(DialogTest, OkHasNoLengthCheckOfItsOwn) {
  Open("INV-##", "05");
  Click(dialog->Okbtn);
  EXPECT_TRUE(SVOK);
  EXPECT_EQ(dialog->result(), mrOk);
}

TEST_F(DialogTest, FlagsOutliveTheDialogAndDecideTheNextTest) {
  Open("INV-##");
  Type(dialog->svEdit, "05");
  Type(dialog->evEdit, "09");  // clicking into evEdit leaves svEdit
  Click(dialog->Cancelbtn);
  EXPECT_EQ(dialog->result(), mrCancel);
  Close();
  EXPECT_TRUE(SVOK);
  EXPECT_TRUE(EVOK);
  EXPECT_EQ(Mt, nullptr);

  // The next opening does not reset them. Values typed and tried at once with
  // the accelerator, without leaving their edits, count because the flags are
  // still set: the test starts at 07 and ends at 09, not at the 05 and 50 that
  // the dialog was opened with.
  Open("INV-##", "05", "50");
  EXPECT_TRUE(SVOK);
  EXPECT_TRUE(EVOK);
  Type(dialog->evEdit, "09");
  Type(dialog->svEdit, "07");
  PressAccelerator(dialog->Testbtn, Qt::Key_T);  // Alt+T, staying in svEdit
  EXPECT_EQ(TestValue(), "INV-07");
  for (const char* expected : {"INV-08", "INV-09", "INV-07"}) {
    Click(dialog->Plusbtn);
    EXPECT_EQ(TestValue(), expected);
  }
  EXPECT_THAT(messages.Texts(), IsEmpty());
}

TEST_F(DialogTest, WithTheFlagsOffTheTestUsesTheValuesTheDialogWasOpenedWith) {
  Open("INV-##", "05", "06");
  Type(dialog->evEdit, "09");
  Type(dialog->svEdit, "07");
  PressAccelerator(dialog->Testbtn, Qt::Key_T);  // Alt+T, staying in svEdit
  // SVOK was off, so the engine's start value 05 is used, not the typed 07;
  // evEdit was left for svEdit, so its 09 is the end.
  EXPECT_EQ(TestValue(), "INV-05");
  for (const char* expected : {"INV-06", "INV-07", "INV-08", "INV-09", "INV-05"}) {
    Click(dialog->Plusbtn);
    EXPECT_EQ(TestValue(), expected);
  }
}

TEST_F(DialogTest, AStartValueLeftValidForAnotherMaskIsReportedAndNotCountedFrom) {
  SVOK = true;
  Open("$$", "07");
  EXPECT_THAT(messages.Texts(), ElementsAre("Error at position-1 07", "Error at position-2 07"));
  messages.Clear();
  Click(dialog->Testbtn);
  EXPECT_THAT(messages.Texts(), ElementsAre("Error at position-1 07", "Error at position-2 07"));
  EXPECT_EQ(TestValue(), "AA");
  Click(dialog->Plusbtn);
  EXPECT_EQ(TestValue(), "AB");
}

}  // namespace
}  // namespace qgen::test
