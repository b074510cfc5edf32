// The package's editors as the designer uses them: the component editor of
// TGenerator with its three verbs, the Mask property editor, and the edit
// routine behind both, with the mask edit dialog answered by the test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "designer/Registration.h"
#include "framework/Exception.h"
#include "framework/FormFile.h"
#include "framework/Messages.h"
#include "tests/designer/PackageFixture.h"

namespace qgen::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class EditorTest : public ::testing::Test {
 protected:
  EditorTest() : gen(designer.Add("TGenerator", "Gen")) {}

  // A generator that already has a mask and both limits.
  void Prepare(const std::string& mask, const std::string& start, const std::string& end) {
    Set(gen, "Mask", mask);
    Set(gen, "StartValue", start);
    Set(gen, "EndValue", end);
    messages.Clear();
  }
  std::vector<std::string> Values() {
    return {Get(gen, "Mask"), Get(gen, "StartValue"), Get(gen, "EndValue")};
  }
  std::unique_ptr<TComponentEditor> ComponentEditor() { return GetComponentEditor(gen, designer); }
  std::unique_ptr<TPropertyEditor> MaskEditor() {
    for (auto& editor : GetPropertyEditors({&gen}, designer)) {
      if (editor->GetName() == "Mask")
        return std::move(editor);
    }
    return nullptr;
  }

  MessageRecorder messages;
  CountingDesigner designer;
  TComponent& gen;
};

TEST_F(EditorTest, ComponentEditorOffersThreeVerbs) {
  auto editor = ComponentEditor();
  ASSERT_EQ(editor->GetVerbCount(), 3);
  std::vector<std::string> verbs;
  for (int i = 0; i < editor->GetVerbCount(); ++i)
    verbs.push_back(editor->GetVerb(i));
  EXPECT_THAT(verbs, ElementsAre("Edit &Mask", "Setup  &DB", "&About"));
  EXPECT_EQ(editor->GetVerb(3), "");
  EXPECT_EQ(editor->GetVerb(-1), "");
  EXPECT_EQ(editor->Component(), &gen);
  EXPECT_EQ(editor->GetDesigner(), &designer);
  // Other components have no verbs.
  TComponent& stamper = designer.Add("TUniKEY", "Keys");
  EXPECT_EQ(GetComponentEditor(stamper, designer)->GetVerbCount(), 0);
}

TEST_F(EditorTest, SetupDBOnlyMarksTheFormAsChanged) {
  Prepare("INV-##", "01", "90");
  const std::string before = WriteForm(*designer.Root());
  auto editor = ComponentEditor();
  editor->ExecuteVerb(1);
  EXPECT_EQ(designer.modified, 1);
  EXPECT_EQ(WriteForm(*designer.Root()), before);
  EXPECT_THAT(messages.Texts(), IsEmpty());
  // Verbs that do not exist do nothing.
  editor->ExecuteVerb(3);
  editor->ExecuteVerb(-1);
  EXPECT_EQ(designer.modified, 1);
  EXPECT_EQ(WriteForm(*designer.Root()), before);
}

TEST_F(EditorTest, AboutShowsTheClassAndVersionTwo) {
  std::string class_name, version;
  WhenModal("AboutBox", [&](QWidget* box) {
    class_name = box->findChild<QLabel*>("ClassName")->text().toStdString();
    version = box->findChild<QLabel*>("VersionText")->text().toStdString();
    QTest::mouseClick(box->findChild<QPushButton*>(), Qt::LeftButton);
  });
  ComponentEditor()->ExecuteVerb(2);
  EXPECT_EQ(class_name, "TGenerator");
  EXPECT_THAT(version, HasSubstr("version 2.0"));
  EXPECT_EQ(designer.modified, 0);
}

TEST_F(EditorTest, EditMaskOkWritesMaskStartAndEndThenMarksTheForm) {
  Prepare("##", "01", "20");
  AnswerMaskDialog("INV-###", "005", "900");
  ComponentEditor()->ExecuteVerb(0);
  EXPECT_THAT(Values(), ElementsAre("INV-###", "005", "900"));
  // The limits were checked against the new mask: nothing was reported.
  EXPECT_THAT(messages.Texts(), IsEmpty());
  EXPECT_EQ(designer.modified, 1);
  EXPECT_FALSE(MaskDialogAlive());
}

TEST_F(EditorTest, EditMaskWritesTheStartValueBeforeTheEndValue) {
  Prepare("##", "", "");
  // Out of order: the end value, written last, is the one the check stops at.
  AnswerMaskDialog("##", "50", "20");
  ComponentEditor()->ExecuteVerb(0);
  EXPECT_THAT(messages.Texts(), ElementsAre("EndValue must be greater than StartValue"));
  EXPECT_THAT(Values(), ElementsAre("##", "", "20"));
}

TEST_F(EditorTest, EditMaskTakesANewPairAboveTheOldEndValue) {
  // Start first against the old end 10 would refuse 50; the pair itself is in order.
  Prepare("##", "01", "10");
  AnswerMaskDialog("##", "50", "90");
  ComponentEditor()->ExecuteVerb(0);
  EXPECT_THAT(Values(), ElementsAre("##", "50", "90"));
  EXPECT_THAT(messages.Texts(), IsEmpty());
}

TEST_F(EditorTest, EditMaskCancelledChangesNothingButMarksTheForm) {
  Prepare("R-#", "1", "8");
  const std::string before = WriteForm(*designer.Root());
  ShownTexts shown;
  CancelMaskDialog(&shown);
  ComponentEditor()->ExecuteVerb(0);
  EXPECT_EQ(shown.mask, "R-#");
  EXPECT_EQ(shown.start, "1");
  EXPECT_EQ(shown.end, "8");
  EXPECT_EQ(WriteForm(*designer.Root()), before);
  EXPECT_EQ(designer.modified, 1);
  EXPECT_FALSE(MaskDialogAlive());
}

TEST_F(EditorTest, DoubleClickRunsEditMask) {
  Prepare("#", "", "");
  AnswerMaskDialog("##", "10", "");
  ComponentEditor()->Edit();
  EXPECT_THAT(Values(), ElementsAre("##", "10", ""));
  EXPECT_EQ(designer.modified, 1);
}

TEST_F(EditorTest, MaskThatDoesNotParseStopsBeforeTheLimitsAndReachesTheCaller) {
  Prepare("##", "01", "20");
  AnswerMaskDialog("[AB", "A", "B");
  messages.Clear();
  try {
    ComponentEditor()->ExecuteVerb(0);
    FAIL() << "the parser's error did not reach the caller";
  } catch (const Exception& error) {
    EXPECT_THAT(error.what(), HasSubstr("Missing ]"));
  }
  // The mask was written (and failed); the limits were not.
  EXPECT_EQ(Get(gen, "StartValue"), "01");
  EXPECT_EQ(Get(gen, "EndValue"), "20");
  EXPECT_EQ(designer.modified, 0);
  EXPECT_FALSE(MaskDialogAlive());
}

TEST_F(EditorTest, LimitLongerThanAValueHoldsIsRefusedBeforeAnythingIsWritten) {
  Prepare("#", "1", "8");
  AnswerMaskDialog("##", std::string(101, '1'), "99");
  EXPECT_THROW(ComponentEditor()->ExecuteVerb(0), Exception);
  EXPECT_THAT(Values(), ElementsAre("#", "1", "8"));
  EXPECT_FALSE(MaskDialogAlive());
}

TEST_F(EditorTest, MaskPropertyOpensTheDialogWithoutMarkingTheForm) {
  Prepare("##", "01", "20");
  auto editor = MaskEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->GetAttributes(), paDialog);
  EXPECT_EQ(editor->GetValue(), "##");
  AnswerMaskDialog("A-###", "002", "500");
  editor->Edit();
  EXPECT_THAT(Values(), ElementsAre("A-###", "002", "500"));
  EXPECT_EQ(designer.modified, 0);
  EXPECT_FALSE(MaskDialogAlive());
  // Typed in as a plain string, the inherited SetValue marks the form.
  editor->SetValue("B-###");
  EXPECT_EQ(Get(gen, "Mask"), "B-###");
  EXPECT_EQ(designer.modified, 1);
}

TEST_F(EditorTest, MaskIsNotOfferedForTwoGenerators) {
  TComponent& other = designer.Add("TGenerator", "Gen2");
  std::vector<std::string> names;
  for (auto& editor : GetPropertyEditors({&gen, &other}, designer))
    names.push_back(editor->GetName());
  EXPECT_THAT(names, ::testing::Not(::testing::Contains("Mask")));
  EXPECT_THAT(names, ::testing::Contains("StartValue"));
  EXPECT_THAT(names, ::testing::Contains("GeneratorType"));
  // One generator: Mask is there, first, as declared.
  ASSERT_NE(MaskEditor(), nullptr);
  EXPECT_EQ(GetPropertyEditors({&gen}, designer).front()->GetName(), "Mask");
}

}  // namespace
}  // namespace qgen::test
