// The property editors of the property kinds, as the designer's registry
// hands them out, on the framework's data-access classes and the package's
// TGenerator.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "designer/Registration.h"
#include "framework/Exception.h"
#include "tests/designer/PackageFixture.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class KindEditorTest : public ::testing::Test {
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

  CountingDesigner designer;
  TComponent& db = designer.Add("TDatabase", "Db");
  TComponent& table = designer.Add("TTable", "Tbl");
  TComponent& other = designer.Add("TTable", "Other");
  TComponent& source = designer.Add("TDataSource", "Src");
  TComponent& gen = designer.Add("TGenerator", "Gen");
};

TEST_F(KindEditorTest, ValuesAreCheckedBeforeAnythingIsWritten) {
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

TEST_F(KindEditorTest, ValueListsOfferWhatFitsEventsAreReadOnlyAndClassesShareNothing) {
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

}  // namespace
}  // namespace qgen::test
