// Bad form files: each kind of fault is reported with the file, the component
// and the property it concerns, and nothing of the form is left behind.
#include <gtest/gtest.h>

#include <vector>

#include "framework/Messages.h"
#include "tests/framework/FormFileFixture.h"
#include "unikey/UniKEY.h"

namespace qgen::test {
namespace {

struct BadForm {
  const char* fault;
  std::string generator;  // members of the generator's "properties"
  std::string component;  // expected in the error
  std::string property;
  std::string says;                   // a part of the message
  std::string other_components = "";  // appended to the components
};

// A form whose generator "Numbers" (listed after the database, table and data
// source) has the given properties; `more` adds components.
std::string FormWith(const std::string& generator, const std::string& more, const std::string& db) {
  return WithDb(R"({
  "class": "TDataModule",
  "name": "Invoices",
  "components": [
    {"class": "TDatabase", "name": "Db", "properties": {"URI": "@DB@"}},
    {"class": "TTable", "name": "Gentbl", "properties": {"Database": "Db", "TableName": "GENTBL"}},
    {"class": "TDataSource", "name": "Source", "properties": {"DataSet": "Gentbl"}},
    {"class": "TCountingGenerator", "name": "Numbers", "properties": {)" +
                    generator + "}}" + more + "]}",
                db);
}

TEST_F(FormFileTest, EachKindOfBadValueNamesItsComponentAndPropertyAndLeavesNothing) {
  handlers.Add<TGenProcEvent>("Branch", [](TObject*, TmString&) {});
  handlers.Add<TUKBeforeUnKMadeEvent>("Suffix", [](TObject*, std::string&) {});
  const std::string ok = R"("Mask": "INV-####", "DataSource": "Source")";
  const std::vector<BadForm> cases = {
      {"unknown property", ok + R"(, "Mask2": "x")", "Numbers", "Mask2",
       "TCountingGenerator has no published property of that name; its properties are Mask, "
       "DataSource, StartValue"},
      {"a property given twice", ok + R"(, "Mask": "##")", "Numbers", "Mask", "given twice"},
      {"a property given twice in another case", ok + R"(, "mask": "##")", "Numbers", "mask",
       "given twice (as Mask)"},
      {"text expected", R"("Mask": 42)", "Numbers", "Mask",
       "expected text (a string), found the number 42"},
      {"whole number expected", ok + R"(, "GeneratorType": "seven")", "Numbers", "GeneratorType",
       "expected a whole number, found the string \"seven\""},
      {"a fraction", ok + R"(, "GeneratorType": 1.5)", "Numbers", "GeneratorType",
       "expected a whole number, found the number 1.5"},
      {"out of range", ok + R"(, "GeneratorType": 3000000000)", "Numbers", "GeneratorType",
       "3000000000 is out of range"},
      {"a reference that is not a name", R"("Mask": "##", "DataSource": true)", "Numbers",
       "DataSource", "expected the name of a TDataSource of this form (a string), found true"},
      {"a reference to nothing", R"("Mask": "##", "DataSource": "Sauce")", "Numbers", "DataSource",
       "no component named \"Sauce\" in this form; its components are Db, Gentbl, Source, "
       "Numbers"},
      {"a reference to a component of another class", R"("Mask": "##", "DataSource": "Gentbl")",
       "Numbers", "DataSource", "\"Gentbl\" is a TTable; this property needs a TDataSource"},
      {"a handler that is not there", ok + R"(, "OnOverFlowMask": "Refuse")", "Numbers",
       "OnOverFlowMask", "no handler named \"Refuse\"; the application offers Branch, Suffix"},
      {"a handler of another event type", ok + R"(, "OnOverFlowMask": "Branch")", "Numbers",
       "OnOverFlowMask",
       "the handler \"Branch\" is for another kind of event; this event needs a TGOverFlowEvent"},
      {"a mask that does not parse", R"("Mask": "INV-[")", "Numbers", "Mask",
       "Missing ] symbol in Mask!"},
      {"a character the code page cannot hold", R"("Mask": "INV-中-##")", "Numbers", "Mask",
       "WINDOWS-1251"},
      {"a limit longer than a limit can be",
       R"("Mask": "##", "StartValue": ")" + std::string(101, '0') + "\"", "Numbers", "StartValue",
       "at most 100 characters"},
      {"a Boolean expected", ok, "Other", "ReadOnly", "expected true or false, found the number 1",
       R"(, {"class": "TTable", "name": "Other", "properties": {"ReadOnly": 1}})"},
      {"two components of one name", ok, "gentbl", "",
       "a second component of this name (components 2 and 5); give each a name of its own",
       R"(, {"class": "TTable", "name": "gentbl"})"},
      {"an unknown class", ok, "Keys", "",
       "unknown class \"TUniKey2\"; the registered classes are TDataModule, TDatabase",
       R"(, {"class": "TUniKey2", "name": "Keys"})"},
      {"an unknown key", ok, "Keys", "", "unknown key \"propertys\" in this component",
       R"(, {"class": "TUniKEY", "name": "Keys", "propertys": {}})"},
      {"a component without a name", ok, "#5 of \"components\"", "",
       "this component has no \"name\"", R"(, {"class": "TUniKEY"})"},
      {"a negative busy timeout", ok, "Db2", "BusyTimeout", "must not be negative",
       R"(, {"class": "TDatabase", "name": "Db2", "properties": {"BusyTimeout": -1}})"},
  };
  for (const BadForm& c : cases) {
    SCOPED_TRACE(c.fault);
    MessageRecorder messages;
    try {
      Read(FormWith(c.generator, c.other_components, db_path), "bad.form.json");
      ADD_FAILURE() << "no error";
    } catch (const EFormError& e) {
      EXPECT_EQ(e.File(), "bad.form.json");
      EXPECT_EQ(e.ComponentName(), c.component);
      EXPECT_EQ(e.PropertyName(), c.property);
      const std::string message = e.what();
      EXPECT_EQ(message.rfind("Form file \"bad.form.json\", component \"" + c.component + "\"", 0),
                0u)
          << message;
      if (!c.property.empty()) {
        EXPECT_NE(message.find(", property \"" + c.property + "\": "), std::string::npos)
            << message;
      }
      EXPECT_NE(message.find(c.says), std::string::npos) << message;
    }
    EXPECT_EQ(CountingGenerator::live, 0) << "a generator was left behind";
  }
}

TEST_F(FormFileTest, AFileThatIsNotAFormSaysWhere) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{\"class\": \"TDataModule\",\n  \"components\": [ }",
       "not valid JSON: parse error at line 2, column 19: syntax error"},
      {"", "not valid JSON: parse error at line 1, column 1"},
      {"[]", "the form's root must be a JSON object, not an array"},
      {R"({"name": "M"})", "the form's root has no \"class\""},
      {R"({"class": "TDataModule", "components": {}})",
       "\"components\" must be a JSON array, not an object"},
      {R"({"class": "TDataModule", "class": "TDataModule"})",
       "the key \"class\" is given twice in the form's root"},
      {R"({"class": "TDataModule", "components": [], "version": 2})",
       "unknown key \"version\" in the form's root; the keys are class, name, properties, "
       "components"},
  };
  for (const auto& [text, says] : cases) {
    SCOPED_TRACE(text);
    try {
      Read(text, "bad.form.json");
      ADD_FAILURE() << "no error";
    } catch (const EFormError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Form file \"bad.form.json\"", 0), 0u) << e.what();
      EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(
      {
        try {
          LoadForm(dir.File("missing.json"), handlers);
        } catch (const EFormError& e) {
          EXPECT_NE(std::string(e.what()).find("missing.json\": cannot be read: No such file"),
                    std::string::npos)
              << e.what();
          throw;
        }
      },
      EFormError);
}

// A failure after every component exists (a handler bound last) still frees
// them all, the ones already configured and hooked included.
TEST_F(FormFileTest, AFailureLateInTheLoadFreesEveryComponent) {
  const std::string text = FormWith(R"("Mask": "##", "DataSource": "Source")",
                                    R"(, {"class": "TCountingGenerator", "name": "Second",
                                          "properties": {"DataSource": "Source", "Mask": "#",
                                                         "OnUndoFailed": "Gone"}},
                                        {"class": "TUniKEY", "name": "Keys",
                                         "properties": {"DataSource": "Source"}})",
                                    db_path);
  EXPECT_THROW(Read(text), EFormError);
  EXPECT_EQ(CountingGenerator::live, 0);
}

}  // namespace
}  // namespace qgen::test
