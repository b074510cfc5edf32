// The package's editors as the designer uses them: the component editor of
// TGenerator with its three verbs, the Mask property editor, and the edit
// routine behind both, with the mask edit dialog answered by the test.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <functional>
#include <optional>
#include <sstream>

#include "designer/Registration.h"
#include "framework/Exception.h"
#include "framework/Messages.h"
#include "tests/designer/PackageFixture.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

using ::testing::HasSubstr;

// "mask|start|end" as MaskTexts.
MaskTexts Split(const std::string& texts) {
  MaskTexts split;
  std::istringstream in(texts);
  for (std::string* part : {&split.mask, &split.start_value, &split.end_value})
    std::getline(in, *part, '|');
  return split;
}

class EditorTest : public ::testing::Test {
 protected:
  // The generator's "Mask|StartValue|EndValue".
  std::string Values() const {
    return Get(gen, "Mask") + "|" + Get(gen, "StartValue") + "|" + Get(gen, "EndValue");
  }
  std::unique_ptr<TComponentEditor> Editor() { return GetComponentEditor(gen, designer); }
  std::unique_ptr<TPropertyEditor> MaskEditor() {  // Mask comes first, as declared
    auto editors = GetPropertyEditors({&gen}, designer);
    return editors.front()->GetName() == "Mask" ? std::move(editors.front()) : nullptr;
  }

  MessageRecorder messages;
  CountingDesigner designer;
  TComponent& gen = designer.Add("TGenerator", "Gen");
};

TEST_F(EditorTest, TheEditorsWriteMaskStartAndEndInThisOrderAndTellTheDesigner) {
  using Use = std::function<void()>;
  const Use verb0 = [this] { Editor()->ExecuteVerb(0); };
  const Use verb1 = [this] { Editor()->ExecuteVerb(1); };
  const Use verb3 = [this] { Editor()->ExecuteVerb(3); };
  const Use dclick = [this] { Editor()->Edit(); };
  const Use ellipsis = [this] { MaskEditor()->Edit(); };
  const Use typed = [this] { MaskEditor()->SetValue("B-###"); };
  using enum Close;
  const std::optional<Close> none;
  const struct {
    const char* before;           // Mask|StartValue|EndValue
    Use use;                      // what the designer does
    std::optional<Close> dialog;  // how the mask edit dialog is closed, when one opens
    const char* typed;            // into the dialog
    const char* after;
    int modified;         // Modified calls
    const char* outcome;  // "raises ..." or "says ..." (a message shown), "" for neither
  } rows[] = {
      {"##|01|20", verb0, kOk, "INV-###|005|900", "INV-###|005|900", 1, ""},
      {"##||", verb0, kOk, "##|50|20", "##||20", 1,
       "says EndValue must be greater than StartValue"},
      {"##|01|10", verb0, kOk, "##|50|90", "##|50|90", 1, ""},  // a pair above the old end
      {"R-#|1|8", verb0, kCancel, "", "R-#|1|8", 1, ""},
      {"R-#|1|8", verb0, kCloseBoxInTestMode, "", "R-#|1|8", 1, ""},
      {"#||", dclick, kOk, "##|10|", "##|10|", 1, ""},
      {"##|01|20", verb0, kOk, "[AB|A|B", "[AB|01|20", 0, "raises Missing ] symbol in Mask!"},
      {"#|1|8", verb0, kOk,
       "##|1111111111111111111111111111111111111111111111111111111111111111111"
       "1111111111111111111111111111111111|99",
       "#|1|8", 0, "raises StartValue holds at most 100"},
      {"INV-##|01|90", verb1, none, "", "INV-##|01|90", 1, ""},  // Setup DB
      {"INV-##|01|90", verb3, none, "", "INV-##|01|90", 0, ""},
      {"##|01|20", ellipsis, kOk, "A-###|002|500", "A-###|002|500", 0, ""},
      {"##||", typed, none, "", "B-###||", 1, ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.before) + " to " + row.after);
    const MaskTexts before = Split(row.before);
    Set(gen, "Mask", before.mask);
    Set(gen, "StartValue", before.start_value);
    Set(gen, "EndValue", before.end_value);
    designer.modified = 0;
    messages.Clear();
    MaskTexts shown;
    if (row.dialog)
      AnswerMaskDialog(*row.dialog, Split(row.typed), &shown);
    const std::string outcome = row.outcome;
    if (outcome.starts_with("raises ")) {
      EXPECT_THAT(MessageOf<Exception>(row.use), HasSubstr(outcome.substr(7)));
    } else {
      row.use();
    }
    EXPECT_EQ(Values(), row.after);
    EXPECT_EQ(designer.modified, row.modified);
    if (!outcome.starts_with("raises ")) {  // (the dialog itself reports a broken mask)
      EXPECT_EQ(messages.Texts().empty() ? "" : "says " + messages.Texts()[0], outcome);
    }
    if (row.dialog) {  // it showed what the generator held
      EXPECT_EQ(shown.mask + "|" + shown.start_value + "|" + shown.end_value, row.before);
    }
  }
}

// The verbs' names are checked in the designer's context menu.
TEST_F(EditorTest, TheAboutVerbShowsTheAboutBoxAndOtherComponentsHaveNoVerbs) {
  EXPECT_EQ(GetComponentEditor(designer.Add("TUniKEY", "Keys"), designer)->GetVerbCount(), 0);

  std::string about;
  WhenModal("AboutBox", [&about](QWidget& box) {
    about = box.findChild<QLabel*>("ClassName")->text().toStdString() + ", " +
            box.findChild<QLabel*>("VersionText")->text().toStdString();
    Click(box.findChild<QPushButton*>());
  });
  Editor()->ExecuteVerb(2);
  EXPECT_EQ(about, "TGenerator, qgen components, version 2.0");
  EXPECT_EQ(designer.modified, 0);
}

TEST_F(EditorTest, MaskIsADialogPropertyNotOfferedForTwoGenerators) {
  ASSERT_NE(MaskEditor(), nullptr);
  EXPECT_EQ(MaskEditor()->GetAttributes(), paDialog);
  TComponent& other = designer.Add("TGenerator", "Gen2");
  std::vector<std::string> names;
  for (auto& editor : GetPropertyEditors({&gen, &other}, designer))
    names.push_back(editor->GetName());
  EXPECT_THAT(names, ::testing::Not(::testing::Contains("Mask")));
  EXPECT_THAT(names, ::testing::Contains("StartValue"));
}

}  // namespace
}  // namespace qgen::test
