// Start and end values: checked when the focus leaves their edits and again on
// OK; the flags SVOK and EVOK that remember the outcome outlive the dialog and
// set the limits of the test panel's counting.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "tests/design/DialogDriver.h"

namespace qgen::test {
namespace {

TEST_F(DialogTest, LeavingAValueEditDecidesItsFlagAndTabMovesOn) {
  const struct {
    bool end;  // evEdit rather than svEdit
    const char* value;
    const char* expect;  // the focus is not held back: Tab goes on to evEdit, then Edit2
  } rows[] = {
      {false, "07", "flags=SV; focus=evEdit"},
      {false, "", "flags=; focus=evEdit"},
      {false, "7", "flags=; focus=evEdit; said=Invalid StartValue"},
      {false, "7X", "flags=; said=TGenMask: Error at position-2 7X"},
      {false, "1\xE4\xB8\xAD",
       "flags=; said=qgen: The character U+4E2D cannot be written in code page WINDOWS-1251; "
       "leave it out or choose another code page"},
      {true, "95", "flags=EV; focus=Edit2"},
      {true, "9", "flags=; focus=Edit2; said=Invalid EndValue"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.expect);
    // The flag starts at the opposite of what leaving the edit must make it.
    (row.end ? EVOK : SVOK) = std::string(row.expect).starts_with("flags=;");
    Open("INV-##");
    Type(row.end ? dialog->evEdit : dialog->svEdit, QString::fromUtf8(row.value));
    PressTab();
    Expect(row.expect);
  }
}

TEST_F(DialogTest, OkChecksTheValuesAgainAndTheFlagsOutliveTheDialog) {
  SVOK = EVOK = true;
  Open("INV-##");
  // Typed, and confirmed with Enter without leaving the edit: OK closes
  // whatever the outcome, and an empty edit leaves its flag alone.
  Type(dialog->evEdit, "9X");
  QTest::keyClick(dialog->evEdit, Qt::Key_Return);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), mrOk);
  Expect("flags=SV; said=TGenMask: Error at position-2 9X");

  // The next opening keeps them: a start value tried at once with the
  // accelerator, not leaving its edit, counts as SVOK is set: from 07 to 09
  // (checked on leaving evEdit), not from the 05 and 50 opened with.
  Open("INV-##", "05", "50");
  Expect("flags=SV");
  Type(dialog->evEdit, "09");
  Type(dialog->svEdit, "07");
  QSignalSpy clicked(dialog->Testbtn, &QPushButton::clicked);
  QTest::keyClick(dialog->svEdit, Qt::Key_T, Qt::AltModifier);  // clicks after a visible press
  EXPECT_TRUE(clicked.count() > 0 || clicked.wait(2000));
  EXPECT_EQ(Count("+++-"), "INV-07 INV-08 INV-09 INV-07 INV-09");
  Expect("");
}

TEST_F(DialogTest, AStartValueLeftValidForAnotherMaskIsReportedAndNotCountedFrom) {
  SVOK = true;
  const char* reported = "said=TGenMask: Error at position-1 07 / TGenMask: Error at position-2 07";
  Open("$$", "07");
  Expect(reported);
  Click(dialog->Testbtn);
  Expect(reported);
  EXPECT_EQ(Count("+"), "AA AB");
}

}  // namespace
}  // namespace qgen::test
