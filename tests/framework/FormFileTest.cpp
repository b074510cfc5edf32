// Form files: components created, configured in declaration order and loaded
// once whatever the file's order; handlers bound by name; design-time loading;
// written back byte for byte. Each kind of fault is an EFormError naming the
// file, the component and the property, and nothing of the form is left; what
// a form file cannot hold is refused by name, and a failed save leaves the old
// file alone.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/DataSource.h"
#include "dataaccess/Table.h"
#include "framework/ClassRegistry.h"
#include "framework/DataModule.h"
#include "framework/FormFile.h"
#include "framework/HandlerRegistry.h"
#include "framework/Messages.h"
#include "gensrc/Generator.h"
#include "gensrc/GeneratorTable.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"
#include "unikey/StandardClasses.h"
#include "unikey/UniKEY.h"

namespace qgen::test {
namespace {

// Counts its InitDB calls and the instances alive, and notes whether InitDB
// ran while the component was being loaded.
class CountingGenerator : public TGenerator {
 public:
  explicit CountingGenerator(TComponent* owner) : TGenerator(owner) { ++live; }
  ~CountingGenerator() override { --live; }
  void InitDB() override {
    ++init_calls;
    init_while_loading = init_while_loading || InState(csLoading);
    TGenerator::InitDB();
  }
  int init_calls = 0;
  bool init_while_loading = false;
  static inline int live = 0;
};

// The standard classes and TCountingGenerator, the application's handlers,
// and an SQLite file holding the generator table GENTBL and a table "orders".
class FormFileTest : public ::testing::Test {
 protected:
  FormFileTest() {
    RegisterStandardClasses(classes);
    classes.Register<CountingGenerator, TGenerator>("TCountingGenerator");
    auto db = OpenDatabase(db_path);
    EnsureGeneratorTable(*db);
    db->Execute("CREATE TABLE orders (id VARCHAR(40), note TEXT)");
  }
  // ReadForm with this test's classes and handlers, as file "test.json".
  std::unique_ptr<TComponent> Read(const std::string& json, bool designing = false) {
    return ReadForm(json, "test.json", handlers, {&classes, "", designing});
  }
  // A form "Invoices": database Db on this test's file, table Gentbl on the
  // generator table, data source Source on it, and a TCountingGenerator
  // "Numbers" whose properties are `generator` (JSON object members); then
  // the components `more` (JSON, each after a comma).
  std::string FormWith(const std::string& generator, const std::string& more = "") const {
    return R"({"class": "TDataModule", "name": "Invoices", "components": [
      {"class": "TDatabase", "name": "Db", "properties": {"URI": ")" +
           db_path + R"("}},
      {"class": "TTable", "name": "Gentbl", "properties": {"Database": "Db", "TableName": "GENTBL"}},
      {"class": "TDataSource", "name": "Source", "properties": {"DataSet": "Gentbl"}},
      {"class": "TCountingGenerator", "name": "Numbers", "properties": {)" +
           generator + "}}" + more + "]}";
  }
  static CountingGenerator& Numbers(const TComponent& root) {
    return dynamic_cast<CountingGenerator&>(*root.FindComponent("Numbers"));
  }

  TempDir dir;
  std::string db_path = dir.File("forms.db");
  TClassRegistry classes;
  THandlerRegistry handlers;
};

// The components come in the reverse of the order they refer to each other.
TEST_F(FormFileTest, AFormLoadsOnceInAnyOrderAndIssuesValues) {
  MessageRecorder messages;
  const auto root = Read(R"({"class": "TDataModule", "name": "Invoices", "components": [
    {"class": "TCountingGenerator", "name": "Numbers", "properties":
      {"EndValue": "9999", "StartValue": "0001", "DataSource": "Source", "Mask": "INV-####"}},
    {"class": "TDataSource", "name": "Source", "properties": {"DataSet": "Gentbl"}},
    {"class": "TTable", "name": "Gentbl", "properties": {"TableName": "GENTBL", "Database": "Db"}},
    {"class": "TDatabase", "name": "Db", "properties": {"URI": ")" +
                         db_path + "\"}}]}");
  ASSERT_NE(dynamic_cast<TDataModule*>(root.get()), nullptr);
  EXPECT_EQ(root->ComponentCount(), 4);
  EXPECT_FALSE(root->InState(csLoading));
  CountingGenerator& numbers = Numbers(*root);
  EXPECT_FALSE(numbers.InState(csLoading));
  EXPECT_EQ(numbers.init_calls, 1);  // from Loaded, not from the setter as well
  EXPECT_FALSE(numbers.init_while_loading);
  EXPECT_EQ(numbers.Generator(), "INV-0001");
  EXPECT_EQ(numbers.Generator(), "INV-0002");
  EXPECT_TRUE(messages.Texts().empty());
}

// A class, a type and a handler are registered once: a second registration
// would make forms read as another class or call another handler.
TEST_F(FormFileTest, AClassATypeAndAHandlerAreRegisteredOnce) {
  EXPECT_THAT(
      MessageOf<Exception>([&] { classes.Register<CountingGenerator, TGenerator>("TTable"); }),
      HasSubstr("Class TTable is registered already"));
  EXPECT_THAT(
      MessageOf<Exception>([&] { classes.Register<CountingGenerator, TGenerator>("TNew"); }),
      HasSubstr("The type of TNew is registered already, as TCountingGenerator"));
  EXPECT_THROW(classes.Register<TComponent>(""), Exception);
  // A handler, likewise, has one name.
  const TGenProcEvent branch = [](TObject*, TmString&) {};
  handlers.Add<TGenProcEvent>("Branch", branch);
  EXPECT_THROW(handlers.Add<TGenProcEvent>("Branch", branch), Exception);
  EXPECT_THROW(handlers.Add<TGenProcEvent>("", branch), Exception);
}

// A form read at design time opens nothing. What the writer writes reads and
// writes back byte for byte: stored properties in declaration order, defaults
// left out, engine text as UTF-8, a handler under the name it is offered by
// (bound in any case).
TEST_F(FormFileTest, AWrittenFormReadsAndWritesBackTheSame) {
  handlers.Add<TGOverFlowEvent>("RefuseOverflow", [](TObject*, TmString) {});
  handlers.Add<TUKBeforeUnKMadeEvent>("BranchSuffix", [](TObject*, std::string&) {});
  const auto root =
      Read(FormWith(
               R"("OnOverFlowMask": "refuseOVERFLOW", "GeneratorType": 7, "EndValue": "Б99",
         "StartValue": "А01", "DataSource": "Source", "Mask": "СЧ-[АБ]##")",
               R"(, {"class": "TGenerator", "name": "Plain", "properties": {"GeneratorType": 0}},
           {"class": "TTable", "name": "Orders",
            "properties": {"ReadOnly": true, "TableName": "orders", "Database": "Db"}},
           {"class": "TDataSource", "name": "OrdersSource", "properties": {"DataSet": "Orders"}},
           {"class": "TUniKEY", "name": "Keys", "properties": {"BeforeUniKeyMADE": "BranchSuffix",
            "DataField": "id", "DataSource": "OrdersSource"}},
           {"class": "TDatabase", "name": "Other", "properties": {"BusyTimeout": 250,
            "CodePage": "WINDOWS-1252", "URI": "other.db"}})"),
           /*designing=*/true);
  EXPECT_TRUE(Numbers(*root).InState(csDesigning));
  EXPECT_EQ(Numbers(*root).init_calls, 0);
  EXPECT_FALSE(Numbers(*root).GenTable->Active());
  EXPECT_EQ(Numbers(*root).Mask(), "\xD1\xD7-[\xC0\xC1]##");  // Windows-1251 in the engine
  const TFormOptions options = {&classes, "", false};
  const std::string written = WriteForm(*root, options);
  EXPECT_EQ(WriteForm(*Read(written, /*designing=*/true), options), written);
  const std::string path = dir.File("saved.form.json");
  SaveForm(path, *root, options);
  EXPECT_EQ(ReadFile(path), written);
  EXPECT_THAT(written, HasSubstr(R"("Mask": "СЧ-[АБ]##",)"));
  EXPECT_THAT(
      written,
      ::testing::ContainsRegex(
          "\"Mask\".*\n.*\"DataSource\".*\n.*\"StartValue\": \"А01\",\n.*"
          "\"EndValue\".*\n.*\"GeneratorType\": 7,\n.*\"OnOverFlowMask\": \"RefuseOverflow\""));
  EXPECT_THAT(written, ::testing::ContainsRegex("\"URI\".*\n.*\"CodePage\".*\n.*\"BusyTimeout\""));
  EXPECT_THAT(written, ::testing::ContainsRegex(
                           "\"DataSource\".*\n.*\"DataField\".*\n.*\"BeforeUniKeyMADE\""));
  EXPECT_THAT(written, ::testing::ContainsRegex("\"name\": \"Plain\"\n *}"));  // no defaults
}

TEST_F(FormFileTest, EachFaultNamesItsComponentAndPropertyAndLeavesNothing) {
  handlers.Add<TGenProcEvent>("Branch", [](TObject*, TmString&) {});
  handlers.Add<TUKBeforeUnKMadeEvent>("Suffix", [](TObject*, std::string&) {});
  const std::string ok = R"("Mask": "INV-####", "DataSource": "Source")";
  const struct {
    std::string form, component, property, says;  // component "" for the file as a whole
  } cases[] = {
      {FormWith(ok + R"(, "Mask2": "x")"), "Numbers", "Mask2",
       "Form file \"test.json\", component \"Numbers\" (TCountingGenerator), property \"Mask2\": "
       "TCountingGenerator has no published property of that name; its properties are Mask, "
       "DataSource, StartValue"},
      {FormWith(ok + R"(, "mask": "##")"), "Numbers", "mask", "given twice (as Mask)"},
      {FormWith(R"("Mask": 42)"), "Numbers", "Mask",
       "expected text (a string), found the number 42"},
      {FormWith(ok + R"(, "GeneratorType": "seven")"), "Numbers", "GeneratorType",
       "expected a whole number, found the string \"seven\""},
      {FormWith(ok + R"(, "GeneratorType": 3000000000)"), "Numbers", "GeneratorType",
       "3000000000 is out of range"},
      {FormWith(R"("Mask": "##", "DataSource": true)"), "Numbers", "DataSource",
       "expected the name of a TDataSource of this form (a string), found true"},
      {FormWith(R"("Mask": "##", "DataSource": "Sauce")"), "Numbers", "DataSource",
       "no component named \"Sauce\" in this form; its components are Db, Gentbl, Source, Numbers"},
      {FormWith(R"("Mask": "##", "DataSource": "Gentbl")"), "Numbers", "DataSource",
       "\"Gentbl\" is a TTable; this property needs a TDataSource"},
      {FormWith(ok + R"(, "OnOverFlowMask": "Refuse")"), "Numbers", "OnOverFlowMask",
       "no handler named \"Refuse\"; the application offers Branch, Suffix"},
      {FormWith(ok + R"(, "OnOverFlowMask": "Branch")"), "Numbers", "OnOverFlowMask",
       "the handler \"Branch\" is for another kind of event; this event needs a TGOverFlowEvent"},
      {FormWith(R"("Mask": "INV-[")"), "Numbers", "Mask", "Missing ] symbol in Mask!"},
      {FormWith(R"("Mask": "INV-中-##")"), "Numbers", "Mask", "WINDOWS-1251"},
      {FormWith(R"("Mask": "##", "StartValue": ")" + std::string(101, '0') + "\""), "Numbers",
       "StartValue", "at most 100 characters"},
      {FormWith(ok, R"(, {"class": "TTable", "name": "T", "properties": {"ReadOnly": 1}})"), "T",
       "ReadOnly", "expected true or false, found the number 1"},
      {FormWith(ok, R"(, {"class": "TTable", "name": "gentbl"})"), "gentbl", "",
       "a second component of this name (components 2 and 5); give each a name of its own"},
      {FormWith(ok, R"(, {"class": "TUniKey2", "name": "K"})"), "K", "",
       "unknown class \"TUniKey2\"; the registered classes are TDataModule, TDatabase"},
      {FormWith(ok, R"(, {"class": "TUniKEY", "name": "K", "propertys": {}})"), "K", "",
       "unknown key \"propertys\" in this component; the keys are class, name, properties"},
      {FormWith(ok, R"(, {"class": "TUniKEY"})"), "#5 of \"components\"", "",
       "this component has no \"name\""},
      {FormWith(ok, R"(, {"class": "TDatabase", "name": "D", "properties": {"BusyTimeout": -1}})"),
       "D", "BusyTimeout", "must not be negative"},
      {"{\"class\": \"TDataModule\",\n  \"components\": [ }", "", "",
       "not valid JSON: parse error at line 2, column 19: syntax error"},
      {"[]", "", "", "the form's root must be a JSON object, not an array"},
      {R"({"class": "TDataModule", "components": {}})", "", "",
       "\"components\" must be a JSON array, not an object"},
      {R"({"class": "TDataModule", "class": "TDataModule"})", "(root)", "",
       "the key \"class\" is given twice in the form's root"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.form);
    MessageRecorder messages;
    try {
      Read(c.form);
      ADD_FAILURE() << "no error";
    } catch (const EFormError& e) {
      EXPECT_EQ(e.File(), "test.json");
      EXPECT_THAT(e.what(), HasSubstr(c.says));
      EXPECT_EQ(e.ComponentName(), c.component);
      EXPECT_EQ(e.PropertyName(), c.property);
    }
  }
  EXPECT_EQ(CountingGenerator::live, 0) << "a generator was left behind";
  EXPECT_THAT(MessageOf<EFormError>([&] { LoadForm(dir.File("missing.json"), handlers); }),
              HasSubstr("missing.json\": cannot be read: No such file"));
}

// What a form file cannot hold is refused by name, and the file saved over
// keeps its old content.
TEST_F(FormFileTest, WhatAFormFileCannotHoldIsRefusedByNameAndTheOldFileKept) {
  MessageRecorder messages;  // a generator tries to open its data source's (missing) table
  TDataSource outside(nullptr);
  outside.SetName("Elsewhere");
  struct Unregistered : TComponent {
    using TComponent::TComponent;
  };
  const struct {
    std::function<void(TDataModule&)> make;  // one component, which the loop names
    std::string component, property, says;
  } cases[] = {
      {[](TDataModule& m) { (new TGenerator(&m))->OnUndoFailed = [](TObject*, TmString) {}; },
       "Numbers", "OnUndoFailed", "assigned in code"},
      {[&](TDataModule& m) { (new TGenerator(&m))->FSetDataSource(&outside); }, "Numbers",
       "DataSource", "refers to \"Elsewhere\", which is not a component of this form"},
      {[](TDataModule& m) { new Unregistered(&m); }, "Odd", "", "its class is not registered"},
      {[](TDataModule& m) { new TTable(&m); }, "#1 of the form's components", "", "has no name"},
      // A byte that Windows-1251 leaves unassigned.
      {[](TDataModule& m) { (new TTable(&m))->SetTableName("\x98"); }, "T", "TableName",
       "cannot be written to a form file"},
  };
  const std::string path = dir.File("keep.form.json");
  const TFormOptions options = {&classes, "", false};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.says);
    TDataModule root(nullptr);
    c.make(root);
    if (c.component[0] != '#')
      root.Components(0)->SetName(c.component);
    WriteFile(path, "old");
    try {
      SaveForm(path, root, options);
      ADD_FAILURE() << "written";
    } catch (const EFormError& e) {
      EXPECT_EQ(e.ComponentName(), c.component);
      EXPECT_EQ(e.PropertyName(), c.property);
      EXPECT_THAT(e.what(), HasSubstr(c.says));
    }
    EXPECT_EQ(ReadFile(path), "old");
  }
  TDataModule empty(nullptr);
  const std::string nowhere = dir.File("no/such/dir/form.json");
  EXPECT_THAT(MessageOf<EFormError>([&] { SaveForm(nowhere, empty, options); }),
              HasSubstr("Form file \"" + nowhere + "\": cannot be written: No such file"));
}

}  // namespace
}  // namespace qgen::test
