// Opening the dialog, and trying a mask out in test mode: the height
// animations and what is enabled in each mode (counting: ValuesTest).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>

#include "tests/design/DialogDriver.h"

namespace qgen::test {
namespace {

using ::testing::ElementsAre;

TEST_F(DialogTest, OpeningParsesTheMaskAndHandsTheValuesToTheEngine) {
  Open("INV-##", "05", "9X");
  Expect("height=262; focus=Edit1; off=Edit3; limits=05|; said=TGenMask: Error at position-2 9X");
  // A stored mask that does not parse: reported, and still compose mode.
  Open("[AB");
  Expect("height=262; off=Edit3; said=qgen: Missing ] symbol in Mask!");
}

// Also makes the pictures in docs/ when QGEN_SCREENSHOT_DIR names a folder for them.
TEST_F(DialogTest, TestModeOpensThePanelStepByStepAndDisablesAllButIt) {
  Open("INV-[AB]##", "A07", "B99");  // SVOK false: the test starts at the value opened with
  ChooseKind(kNumber);               // greys Edit2 and Label2
  Click(dialog->Edit1);
  if (!ScreenshotDir().isEmpty())
    SaveScreenshot(*dialog, "dialog-compose.png");
  Click(dialog->Testbtn);
  EXPECT_THAT(dialog->updates,
              ElementsAre(267, 272, 277, 282, 287, 292, 297, 302, 307, 312, 317, 322));
  Expect(
      "height=319; Edit3=INV-A07; off=Label1,Label2,Bevel1,Bevel2,Bevel3,Bevel4,Label3,Label4,"
      "Edit1,RG,Addbtn,Okbtn,Cancelbtn,Edit2,svEdit,evEdit,Erasebtn,Testbtn,Edit3");
  if (!ScreenshotDir().isEmpty())
    SaveScreenshot(*dialog, "dialog-test.png");

  // Enter is the panel's: Plusbtn, the first enabled default button, counts up.
  QTest::keyClick(dialog.get(), Qt::Key_Return);
  EXPECT_TRUE(dialog->isVisible());
  Expect("Edit3=INV-A08");

  dialog->updates.clear();
  Click(dialog->Endbtn);
  EXPECT_THAT(dialog->updates, ElementsAre(309, 299, 289, 279, 269, 259));
  // Everything comes back on, also what the chosen kind had greyed.
  Expect("height=262; off=Edit3; ro=1");
}

// Closing a dialog freed the engine under another one that was still open.
TEST_F(DialogTest, TwoDialogsShareOneEngineUntilTheLastIsGone) {
  auto first = std::make_unique<TEMskDlg>();
  Open("##");
  first.reset();
  Expect("suffix=##");  // the second dialog still works
  dialog.reset();
  EXPECT_EQ(Mt, nullptr);
}

}  // namespace
}  // namespace qgen::test
