// The designer's registration interfaces and the property editors of the
// property kinds, on the framework's data-access classes and the package's
// TGenerator.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dataaccess/DataSource.h"
#include "dataaccess/Database.h"
#include "dataaccess/Table.h"
#include "designer/Registration.h"
#include "framework/Exception.h"
#include "tests/designer/PackageFixture.h"

namespace qgen::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

std::vector<std::string> ClassNames(const TPalettePage& page) {
  std::vector<std::string> names;
  for (const TComponentClass& cls : page.classes)
    names.push_back(cls.Name());
  return names;
}

TEST(RegistryTest, PagesKeepTheirClassesInOrderAndIgnoreASecondRegistration) {
  TDesignRegistry registry;
  registry.AddComponents("Data", {ClassOf<TDatabase>(), ClassOf<TTable>()});
  registry.AddComponents("Other", {ClassOf<TTable>()});
  registry.AddComponents("data", {ClassOf<TTable>(), ClassOf<TDataSource>()});
  ASSERT_EQ(registry.Pages().size(), 2u);
  EXPECT_EQ(registry.Pages()[0].name, "Data");
  EXPECT_THAT(ClassNames(registry.Pages()[0]), ElementsAre("TDatabase", "TTable", "TDataSource"));
  EXPECT_THAT(ClassNames(*registry.FindPage("other")), ElementsAre("TTable"));
  ASSERT_NE(registry.FindClass("tdatasource"), nullptr);
  EXPECT_EQ(registry.FindClass("TNothing"), nullptr);

  EXPECT_THROW(registry.AddComponents("", {ClassOf<TTable>()}), Exception);
  EXPECT_THROW(registry.AddComponents("Data", {TComponentClass{}}), Exception);
  EXPECT_EQ(registry.Pages().size(), 2u);
}

// Editors that say who they are.
class NamedStringEditor : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  static inline std::string made;
};
class TableNameEditor : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
};

template <class E>
bool Makes(const TPropertyEditorClass& editor_class, IDesigner& designer, TComponent& component,
           const std::string& property) {
  const TPropertyInfo* info = Classes().ClassOf(component)->FindProperty(property);
  auto editor = editor_class(designer, {&component}, *info);
  return dynamic_cast<E*>(editor.get()) != nullptr;
}

TEST(RegistryTest, PropertyEditorOfTheLastMatchingRegistrationOrOfTheKind) {
  CountingDesigner designer;
  TComponent& db = designer.Add("TDatabase", "Db");
  TComponent& table = designer.Add("TTable", "Tbl");
  const TPropertyInfo& uri = *Classes().ClassOf(db)->FindProperty("URI");
  const TPropertyInfo& name = *Classes().ClassOf(table)->FindProperty("TableName");
  const TPropertyInfo& timeout = *Classes().ClassOf(db)->FindProperty("BusyTimeout");

  TDesignRegistry registry;
  registry.AddPropertyEditor(kStringType, {}, "", PropertyEditorClass<NamedStringEditor>());
  registry.AddPropertyEditor(kStringType, ClassOf<TTable>(), "TableName",
                             PropertyEditorClass<TableNameEditor>());
  // Another class's property of that name is not affected.
  registry.AddPropertyEditor(kStringType, ClassOf<TDatabase>(), "TableName",
                             PropertyEditorClass<TStringProperty>());

  EXPECT_TRUE(Makes<NamedStringEditor>(registry.PropertyEditorFor(db, uri), designer, db, "URI"));
  EXPECT_TRUE(Makes<TableNameEditor>(registry.PropertyEditorFor(table, name), designer, table,
                                     "TableName"));
  EXPECT_TRUE(Makes<TIntegerProperty>(registry.PropertyEditorFor(db, timeout), designer, db,
                                      "BusyTimeout"));
  EXPECT_THROW(registry.AddPropertyEditor("", {}, "", PropertyEditorClass<TStringProperty>()),
               Exception);
}

// A component editor with two verbs that counts what ran.
class TwoVerbs : public TComponentEditor {
 public:
  using TComponentEditor::TComponentEditor;
  int GetVerbCount() const override { return 2; }
  std::string GetVerb(int index) const override { return index == 0 ? "First" : "Second"; }
  void ExecuteVerb(int index) override { ran.push_back(index); }
  static inline std::vector<int> ran;
};

TEST(RegistryTest, ComponentEditorEditRunsVerbZeroAndDefaultsHaveNoVerbs) {
  CountingDesigner designer;
  TComponent& table = designer.Add("TTable", "Tbl");
  TComponent& db = designer.Add("TDatabase", "Db");
  TDesignRegistry registry;
  registry.AddComponentEditor(ClassOf<TTable>(), ComponentEditorClass<TwoVerbs>());

  TwoVerbs::ran.clear();
  auto editor = registry.ComponentEditorFor(table)(table, designer);
  editor->Edit();
  EXPECT_THAT(TwoVerbs::ran, ElementsAre(0));

  auto plain = registry.ComponentEditorFor(db)(db, designer);
  EXPECT_EQ(plain->GetVerbCount(), 0);
  EXPECT_EQ(plain->GetVerb(0), "");
  plain->Edit();  // nothing to run
  EXPECT_THAT(TwoVerbs::ran, ElementsAre(0));
  EXPECT_EQ(designer.modified, 0);
  EXPECT_THROW(registry.AddComponentEditor({}, ComponentEditorClass<TwoVerbs>()), Exception);
}

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
  std::vector<std::string> Names(std::vector<TComponent*> selection) {
    std::vector<std::string> names;
    for (auto& editor : GetPropertyEditors(selection, designer))
      names.push_back(editor->GetName());
    return names;
  }

  CountingDesigner designer;
  TComponent& db = designer.Add("TDatabase", "Db");
  TComponent& table = designer.Add("TTable", "Tbl");
  TComponent& other_table = designer.Add("TTable", "Other");
  TComponent& source = designer.Add("TDataSource", "Src");
  TComponent& gen = designer.Add("TGenerator", "Gen");
};

TEST_F(KindEditorTest, ReferencesOfferTheFittingComponentsByName) {
  auto database = Editor({&table}, "Database");
  EXPECT_EQ(database->GetAttributes() & paValueList, paValueList);
  EXPECT_THAT(database->GetValues(), ElementsAre("Db"));
  database->SetValue("db");
  EXPECT_EQ(database->GetValue(), "Db");
  EXPECT_EQ(designer.modified, 1);

  auto data_set = Editor({&source}, "DataSet");
  EXPECT_THAT(data_set->GetValues(), ElementsAre("Other", "Tbl"));
  auto data_source = Editor({&gen}, "DataSource");
  EXPECT_THAT(data_source->GetValues(), ElementsAre("Src"));

  EXPECT_THAT([&] { database->SetValue("Nothing"); },
              ::testing::ThrowsMessage<Exception>(HasSubstr("no component named \"Nothing\"")));
  EXPECT_THAT([&] { database->SetValue("Src"); },
              ::testing::ThrowsMessage<Exception>(HasSubstr("is not a TDatabase")));
  EXPECT_EQ(database->GetValue(), "Db");
  database->SetValue("");
  EXPECT_EQ(database->GetValue(), "");
  EXPECT_EQ(designer.modified, 2);
}

TEST_F(KindEditorTest, NumbersBooleansAndTextAreCheckedBeforeAnythingIsWritten) {
  auto timeout = Editor({&db}, "BusyTimeout");
  EXPECT_THROW(timeout->SetValue("soon"), EConvertError);
  EXPECT_EQ(timeout->GetValue(), "5000");
  timeout->SetValue(" 250 ");
  EXPECT_EQ(timeout->GetValue(), "250");

  auto read_only = Editor({&table}, "ReadOnly");
  EXPECT_THAT(read_only->GetValues(), ElementsAre("False", "True"));
  EXPECT_THROW(read_only->SetValue("maybe"), EConvertError);
  read_only->SetValue("true");
  EXPECT_EQ(read_only->GetValue(), "True");
  read_only->Edit();  // a double click moves to the next value
  EXPECT_EQ(read_only->GetValue(), "False");

  // Text in the engine's code page crosses as UTF-8; a character the code page
  // cannot hold is refused.
  auto table_name = Editor({&table}, "TableName");
  table_name->SetValue("Счета");
  EXPECT_EQ(table_name->GetValue(), "Счета");
  EXPECT_EQ(Get(table, "TableName").size(), 5u);
  EXPECT_THROW(table_name->SetValue("表"), EConvertError);
  EXPECT_EQ(table_name->GetValue(), "Счета");
  EXPECT_EQ(designer.modified, 4);
}

TEST_F(KindEditorTest, EventsAreShownButNotSet) {
  auto event = Editor({&gen}, "OnOverFlowMask");
  EXPECT_EQ(event->GetAttributes() & paReadOnly, paReadOnly);
  EXPECT_EQ(event->GetValue(), "");
  EXPECT_THROW(event->SetValue("Handler"), Exception);
  EXPECT_EQ(designer.modified, 0);
}

TEST_F(KindEditorTest, SeveralComponentsShareOnlyTheirClassesProperties) {
  EXPECT_THAT(Names({&table, &other_table}), ElementsAre("Database", "TableName", "ReadOnly"));
  EXPECT_THAT(Names({&table, &db}), IsEmpty());

  Set(table, "TableName", "A");
  Set(other_table, "TableName", "B");
  auto both = Editor({&table, &other_table}, "TableName");
  EXPECT_FALSE(both->AllEqual());
  both->SetValue("GENTBL");
  EXPECT_TRUE(both->AllEqual());
  EXPECT_EQ(Get(other_table, "TableName"), "GENTBL");
  EXPECT_EQ(both->GetComponent(1), &other_table);
  EXPECT_THROW(both->GetComponent(2), Exception);
}

}  // namespace
}  // namespace qgen::test
