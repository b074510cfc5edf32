// Opening the dialog, and trying a mask out in test mode: the height
// animations, what is enabled in each mode, and counting through the limits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>

#include "tests/design/DialogDriver.h"

namespace qgen::test {
namespace {

using ::testing::ElementsAre;

TEST_F(DialogTest, OpeningParsesTheMaskAndHandsTheValuesToTheEngine) {
  const struct {
    const char *mask, *start, *end, *expect;
  } rows[] = {
      {"", "", "", "off=Testbtn,Edit3; limits=|"},
      {"INV-##", "05", "9X", "off=Edit3; limits=05|; said=TGenMask: Error at position-2 9X"},
      // A stored mask that does not parse: reported, and still compose mode.
      {"[AB", "", "", "off=Edit3; said=qgen: Missing ] symbol in Mask!"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.mask);
    SVOK = true;  // not reset by opening
    Open(row.mask, row.start, row.end);
    Expect(std::string("height=262; kind=-1; ro=0; focus=Edit1; flags=SV; ") + row.expect);
  }
}

TEST_F(DialogTest, TestModeOpensThePanelStepByStepAndDisablesAllButIt) {
  Open("INV-##");
  ChooseKind(kNumber);  // greys Edit2 and Label2
  Click(dialog->Testbtn);
  EXPECT_THAT(dialog->updates,
              ElementsAre(267, 272, 277, 282, 287, 292, 297, 302, 307, 312, 317, 322));
  Expect(
      "height=319; Edit3=INV-00; off=Label1,Label2,Bevel1,Bevel2,Bevel3,Bevel4,Label3,Label4,"
      "Edit1,RG,Addbtn,Okbtn,Cancelbtn,Edit2,svEdit,evEdit,Erasebtn,Testbtn,Edit3");

  // Only the panel answers: OK neither closes nor is the default any more.
  Click(dialog->Okbtn);
  Click(dialog->Erasebtn);
  QTest::keyClick(dialog.get(), Qt::Key_Return);
  EXPECT_TRUE(dialog->isVisible());
  Expect("Edit1=INV-##; Edit3=INV-01");

  dialog->updates.clear();
  Click(dialog->Endbtn);
  EXPECT_THAT(dialog->updates, ElementsAre(309, 299, 289, 279, 269, 259));
  // Everything comes back on, also what the chosen kind had greyed.
  Expect("height=262; off=Edit3; ro=1");
  // In compose mode, away from the buttons, Enter is OK's again.
  Click(dialog->Edit1);
  QTest::keyClick(dialog->Edit1, Qt::Key_Return);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), mrOk);
}

TEST_F(DialogTest, ThePanelCountsThroughTheLimits) {
  const struct {
    const char *mask, *start, *end;  // the values typed and left before the test
    const char* steps;               // '+' Plusbtn, '-' Minusbtn (up past the end: flags test)
    const char* shown;               // the first one before any step
  } rows[] = {
      {"INV-##", "", "", "-+", "INV-00 INV-99 INV-00"},
      {"INV-##", "07", "09", "--", "INV-07 INV-09 INV-08"},
      {"@-$", "", "", "+", "@-A @-B"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.mask) + " " + row.steps);
    Open(row.mask);
    Type(dialog->svEdit, row.start);
    Type(dialog->evEdit, row.end);
    Click(dialog->Testbtn);
    EXPECT_EQ(Count(row.steps), row.shown);
    Expect("");
  }
}

// Closing a dialog freed the engine under another one that was still open.
TEST_F(DialogTest, TwoDialogsShareOneEngineUntilTheLastIsGone) {
  auto first = std::make_unique<TEMskDlg>();
  TGenMask* engine = Mt.get();
  Open("##");
  EXPECT_EQ(Mt.get(), engine);
  first.reset();
  Expect("suffix=##");  // the second dialog still works
  dialog.reset();
  EXPECT_EQ(Mt, nullptr);
}

// The pictures in docs/, made when QGEN_SCREENSHOT_DIR names a folder for them.
TEST_F(DialogTest, ComposeAndTestModeLookAsLaidOut) {
  if (ScreenshotDir().isEmpty())
    GTEST_SKIP() << "set QGEN_SCREENSHOT_DIR to a folder for the pictures";
  Open("INV-[AB]##", "A07", "B99");
  ChooseKind(kNumber);
  Click(dialog->Edit1);
  SaveScreenshot(*dialog, "dialog-compose.png");
  Type(dialog->svEdit, "A07");
  Click(dialog->Testbtn);
  SaveScreenshot(*dialog, "dialog-test.png");
}

}  // namespace
}  // namespace qgen::test
