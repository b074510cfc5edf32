// The editors the designer's registry hands out: the property editors of the
// property kinds, and TGenerator's component editor, whose first verb (run
// also by the Mask property's ellipsis) opens the mask edit dialog, answered
// by the test. The designer's own use of them: DesignerAppTest.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <sstream>
#include <string>
#include <vector>

#include "designer/Designer.h"
#include "designer/Registration.h"
#include "framework/Exception.h"
#include "framework/Messages.h"
#include "tests/designer/PackageFixture.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// "mask|start|end" as MaskTexts.
MaskTexts Split(const std::string& texts) {
  MaskTexts split;
  std::istringstream in(texts);
  for (std::string* part : {&split.mask, &split.start_value, &split.end_value})
    std::getline(in, *part, '|');
  return split;
}

// A designer that counts the calls of Modified, on a design-mode data module.
class CountingDesigner : public IDesigner {
 public:
  CountingDesigner() : root_(Classes().Find("TDataModule")->Create(nullptr)) {
    root_->SetDesigning(true);
  }
  void Modified() override { ++modified; }
  TComponent* Root() const override { return root_.get(); }
  TComponent& Add(const std::string& class_name, const std::string& name) {
    TComponent* component = Classes().Find(class_name)->Create(root_.get());
    component->SetName(name);
    return *component;
  }

  int modified = 0;

 private:
  std::unique_ptr<TComponent> root_;
};

class EditorTest : public ::testing::Test {
 protected:
  std::unique_ptr<TPropertyEditor> Editor(std::vector<TComponent*> selection,
                                          const std::string& name) {
    for (auto& editor : GetPropertyEditors(selection, designer)) {
      if (editor->GetName() == name)
        return std::move(editor);
    }
    ADD_FAILURE() << "no editor for " << name;
    return nullptr;
  }
  std::unique_ptr<TComponentEditor> Editor() { return GetComponentEditor(gen, designer); }
  // The generator's "Mask|StartValue|EndValue", as its property editors show them.
  std::string Values() {
    return Editor({&gen}, "Mask")->GetValue() + "|" + Editor({&gen}, "StartValue")->GetValue() +
           "|" + Editor({&gen}, "EndValue")->GetValue();
  }

  MessageRecorder messages;
  CountingDesigner designer;
  TComponent& db = designer.Add("TDatabase", "Db");
  TComponent& table = designer.Add("TTable", "Tbl");
  TComponent& other = designer.Add("TTable", "Other");
  TComponent& source = designer.Add("TDataSource", "Src");
  TComponent& gen = designer.Add("TGenerator", "Gen");
};

TEST_F(EditorTest, PropertyValuesAreCheckedBeforeAnythingIsWritten) {
  const struct {
    TComponent* on;
    const char *property, *typed, *shown, *raises;
  } rows[] = {
      {&table, "Database", "db", "Db", ""},  // a reference, by name in any case
      {&table, "Database", "Nothing", "Db", "The form has no component named \"Nothing\""},
      {&table, "Database", "Src", "Db", "\"Src\" is not a TDatabase"},
      {&table, "Database", "", "", ""},
      {&db, "BusyTimeout", "soon", "5000", "'soon' is not a valid integer value"},
      {&db, "BusyTimeout", " 250 ", "250", ""},
      {&table, "ReadOnly", "maybe", "False", "choose True or False"},
      {&table, "ReadOnly", "true", "True", ""},
      // Text in the engine's code page crosses as UTF-8.
      {&table, "TableName", "Счета", "Счета", ""},
      {&table, "TableName", "表", "Счета", "cannot be written in code page"},
      {&gen, "OnOverFlowMask", "Handler", "", "is bound by the program that reads the form"},
  };
  int written = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.property) + " " + row.typed);
    auto editor = Editor({row.on}, row.property);
    if (*row.raises) {
      EXPECT_THAT(MessageOf([&] { editor->SetValue(row.typed); }), HasSubstr(row.raises));
    } else {
      editor->SetValue(row.typed);
      ++written;
    }
    EXPECT_EQ(editor->GetValue(), row.shown);
    EXPECT_EQ(designer.modified, written);
  }
}

TEST_F(EditorTest, ValueListsOfferWhatFitsEventsAreReadOnlyAndClassesShareNothing) {
  EXPECT_THAT(Editor({&table}, "Database")->GetValues(), ElementsAre("Db"));
  EXPECT_THAT(Editor({&source}, "DataSet")->GetValues(), ElementsAre("Other", "Tbl"));
  EXPECT_THAT(Editor({&gen}, "DataSource")->GetValues(), ElementsAre("Src"));
  auto read_only = Editor({&table}, "ReadOnly");
  EXPECT_THAT(read_only->GetValues(), ElementsAre("False", "True"));
  read_only->Edit();  // a double click moves to the next value
  EXPECT_EQ(read_only->GetValue(), "True");
  EXPECT_EQ(Editor({&gen}, "OnOverFlowMask")->GetAttributes() & paReadOnly, paReadOnly);
  // Components of different classes share no property.
  EXPECT_THAT(GetPropertyEditors({&table, &db}, designer), IsEmpty());
}

TEST_F(EditorTest, EditMaskWritesMaskStartAndEndInThisOrderAndTellsTheDesigner) {
  using enum Close;
  const struct {
    const char* before;  // Mask|StartValue|EndValue
    int verb;            // the mask edit dialog opens for verb 0
    Close dialog;        // how it is closed
    std::string typed;   // into it
    const char* after;
    int modified;         // Modified calls
    const char* outcome;  // "raises ..." or "says ..." (a message shown), "" for neither
  } rows[] = {
      {"##|01|20", 0, kOk, "INV-###|005|900", "INV-###|005|900", 1, ""},
      {"##||", 0, kOk, "##|50|20", "##||20", 1, "says EndValue must be greater than StartValue"},
      {"##|01|10", 0, kOk, "##|50|90", "##|50|90", 1, ""},  // a pair above the old end
      {"R-#|1|8", 0, kCancel, "R-##|10|80", "R-#|1|8", 1, ""},
      {"##|01|20", 0, kOk, "[AB|A|B", "[AB|01|20", 0, "raises Missing ] symbol in Mask!"},
      {"#|1|8", 0, kOk, "##|" + std::string(101, '1') + "|99", "#|1|8", 0,
       "raises StartValue holds at most 100"},
      {"INV-##|01|90", 3, kCancel, "", "INV-##|01|90", 0, ""},  // no such verb
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.before) + " to " + row.after);
    const MaskTexts before = Split(row.before);
    Editor({&gen}, "Mask")->SetValue(before.mask);
    Editor({&gen}, "StartValue")->SetValue(before.start_value);
    Editor({&gen}, "EndValue")->SetValue(before.end_value);
    designer.modified = 0;
    messages.Clear();
    MaskTexts shown;
    if (row.verb == 0)
      AnswerMaskDialog(row.dialog, Split(row.typed), &shown);
    const auto use = [&] { Editor()->ExecuteVerb(row.verb); };
    const std::string outcome = row.outcome;
    if (outcome.starts_with("raises ")) {  // (the dialog itself reports a broken mask)
      EXPECT_THAT(MessageOf<Exception>(use), HasSubstr(outcome.substr(7)));
    } else {
      use();
      EXPECT_EQ(messages.Texts().empty() ? "" : "says " + messages.Texts()[0], outcome);
    }
    EXPECT_EQ(Values(), row.after);
    EXPECT_EQ(designer.modified, row.modified);
    if (row.verb == 0) {  // it showed what the generator held
      EXPECT_EQ(shown.mask + "|" + shown.start_value + "|" + shown.end_value, row.before);
    }
  }
}

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

}  // namespace
}  // namespace qgen::test
