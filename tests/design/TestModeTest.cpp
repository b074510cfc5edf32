// Opening the dialog, and trying a mask out in test mode: the height
// animations, what is enabled in each mode, and counting through the limits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTest>

#include "tests/design/DialogDriver.h"

namespace qgen::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

TEST_F(DialogTest, OpeningWithoutAMaskLeavesOnlyTheTestDisabled) {
  Open();
  EXPECT_EQ(dialog->Height(), TEMskDlg::kComposeHeight);
  EXPECT_THAT(Disabled(), ElementsAre("Testbtn", "Edit3"));
  EXPECT_EQ(dialog->RG->ItemIndex(), -1);
  EXPECT_FALSE(dialog->Edit2->ReadOnly());
  EXPECT_EQ(QApplication::focusWidget(), dialog->Edit1);
  EXPECT_THAT(messages.Texts(), IsEmpty());
}

TEST_F(DialogTest, OpeningWithAMaskParsesItAndHandsTheValuesToTheEngine) {
  SVOK = true;
  Open("INV-##", "05", "9X");
  EXPECT_THAT(Disabled(), ElementsAre("Edit3"));
  EXPECT_EQ(Mt->GetMskValue().str(), "INV-##");
  EXPECT_EQ(Mt->StartValue.str(), "05");
  EXPECT_EQ(Mt->EndValue.str(), "");  // reported and not stored
  EXPECT_THAT(messages.Texts(), ElementsAre("Error at position-2 9X"));
  EXPECT_EQ(messages.messages[0].caption, "TGenMask");
  EXPECT_TRUE(SVOK);
  EXPECT_FALSE(EVOK);
}

TEST_F(DialogTest, AStoredMaskThatDoesNotParseIsReportedAndTheDialogOpensInComposeMode) {
  Open("[AB");
  EXPECT_THAT(messages.Texts(), ElementsAre("Missing ] symbol in Mask!"));
  EXPECT_EQ(dialog->Height(), TEMskDlg::kComposeHeight);
  EXPECT_TRUE(dialog->Testbtn->Enabled());
}

TEST_F(DialogTest, TestModeOpensThePanelStepByStepAndDisablesAllButIt) {
  Open("INV-##");
  ChooseKind(kNumber);  // greys Edit2 and Label2
  Click(dialog->Testbtn);
  EXPECT_THAT(dialog->updates,
              ElementsAre(267, 272, 277, 282, 287, 292, 297, 302, 307, 312, 317, 322));
  EXPECT_EQ(dialog->Height(), TEMskDlg::kTestHeight);
  EXPECT_EQ(TestValue(), "INV-00");
  const std::vector<std::string> compose = {"Label1", "Label2",   "Bevel1",    "Bevel2", "Bevel3",
                                            "Bevel4", "Label3",   "Label4",    "Edit1",  "RG",
                                            "Addbtn", "Okbtn",    "Cancelbtn", "Edit2",  "svEdit",
                                            "evEdit", "Erasebtn", "Testbtn"};
  std::vector<std::string> disabled = compose;
  disabled.push_back("Edit3");
  EXPECT_THAT(Disabled(), ElementsAreArray(disabled));

  // Only the panel answers: OK neither closes nor is the default any more.
  Click(dialog->Okbtn);
  Click(dialog->Erasebtn);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->Edit1->Text(), "INV-##");
  QTest::keyClick(dialog.get(), Qt::Key_Return);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_EQ(TestValue(), "INV-01");

  dialog->updates.clear();
  Click(dialog->Endbtn);
  EXPECT_THAT(dialog->updates, ElementsAre(309, 299, 289, 279, 269, 259));
  EXPECT_EQ(dialog->Height(), TEMskDlg::kComposeHeight);
  // Everything comes back on, also what the chosen kind had greyed.
  EXPECT_THAT(Disabled(), ElementsAre("Edit3"));
  EXPECT_TRUE(dialog->Edit2->ReadOnly());
  // In compose mode, away from the buttons, Enter is OK's again.
  Click(dialog->Edit1);
  QTest::keyClick(dialog->Edit1, Qt::Key_Return);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_EQ(dialog->result(), mrOk);
}

TEST_F(DialogTest, EachStepOfTheAnimationIsDrawn) {
  Open("##");
  int paints = 0;
  struct Counter : QObject {
    int* paints;
    explicit Counter(int* p) : paints(p) {}
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint)
        ++*paints;
      return false;
    }
  } counter(&paints);
  dialog->installEventFilter(&counter);
  Click(dialog->Testbtn);
  dialog->removeEventFilter(&counter);
  EXPECT_GE(paints, 12);
}

TEST_F(DialogTest, AMaskThatFailsToParseOnTestLeavesThePanelOpenAndEndClosesIt) {
  Open("AB#");
  Type(dialog->Edit1, "[");
  messages.Clear();
  Click(dialog->Testbtn);
  EXPECT_THAT(messages.Texts(), ElementsAre("Missing ] symbol in Mask!"));
  EXPECT_EQ(dialog->Height(), TEMskDlg::kTestHeight);
  EXPECT_THAT(Disabled(), ElementsAre("Edit3"));
  Click(dialog->Endbtn);
  EXPECT_EQ(dialog->Height(), TEMskDlg::kComposeHeight);
}

// Counting in test mode: the buttons pressed ('+' Plusbtn, '-' Minusbtn) and
// the value shown after each.
struct CountCase {
  const char* mask;
  const char* start;  // typed into svEdit and accepted on leaving it
  const char* end;
  const char* steps;
  std::vector<std::string> values;  // the first one before any step
};

class CountingTest : public DialogTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(CountingTest, ThePanelCountsThroughTheLimits) {
  const CountCase& c = GetParam();
  Open(c.mask);
  if (*c.start)
    Type(dialog->svEdit, c.start);
  if (*c.end)
    Type(dialog->evEdit, c.end);
  Click(dialog->Testbtn);
  std::vector<std::string> shown = {TestValue()};
  for (const char* step = c.steps; *step; ++step) {
    Click(*step == '+' ? dialog->Plusbtn : dialog->Minusbtn);
    shown.push_back(TestValue());
  }
  EXPECT_EQ(shown, c.values);
  EXPECT_THAT(messages.Texts(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Limits, CountingTest,
    ::testing::Values(CountCase{"INV-##", "", "", "-+", {"INV-00", "INV-99", "INV-00"}},
                      CountCase{"INV-##", "07", "", "+", {"INV-07", "INV-08"}},
                      CountCase{
                          "INV-##", "07", "09", "+++", {"INV-07", "INV-08", "INV-09", "INV-07"}},
                      CountCase{"INV-##", "07", "09", "--", {"INV-07", "INV-09", "INV-08"}},
                      CountCase{"INV-##", "07", "", "-", {"INV-07", "INV-99"}},
                      CountCase{"[XYZ]&", "", "", "-++", {"X0", "ZZ", "X0", "X1"}},
                      CountCase{"@-$", "", "", "+", {"@-A", "@-B"}}));

}  // namespace
}  // namespace qgen::test
