// Reading forms: components created, configured in declaration order and
// loaded once; limits checked against the mask whatever the file's order;
// handlers bound by name; design-time loading; writing back byte for byte.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <tuple>
#include <vector>

#include "dataaccess/DataSource.h"
#include "dataaccess/Database.h"
#include "dataaccess/Table.h"
#include "framework/DataModule.h"
#include "framework/Messages.h"
#include "tests/framework/FormFileFixture.h"
#include "unikey/UniKEY.h"

namespace qgen::test {
namespace {

CountingGenerator& GeneratorOf(const TComponent& root, const std::string& name = "InvoiceNumbers") {
  auto* generator = dynamic_cast<CountingGenerator*>(root.FindComponent(name));
  if (!generator)
    throw std::runtime_error("no generator " + name);
  return *generator;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The same form with its components in the opposite order: every reference
// then names a component that comes later in the file.
std::string Reversed(const std::string& db) {
  return WithDb(R"({"class": "TDataModule", "name": "Invoices", "components": [
    {"class": "TCountingGenerator", "name": "InvoiceNumbers", "properties":
      {"EndValue": "9999", "StartValue": "0001", "DataSource": "GeneratorSource", "Mask": "INV-####"}},
    {"class": "TDataSource", "name": "GeneratorSource", "properties": {"DataSet": "GeneratorTable"}},
    {"class": "TTable", "name": "GeneratorTable",
     "properties": {"TableName": "GENTBL", "Database": "InvoiceDatabase"}},
    {"class": "TDatabase", "name": "InvoiceDatabase", "properties": {"URI": "@DB@"}}]})",
                db);
}

// A form whose generator "G" on the generator table has `properties` (JSON
// object members).
class GeneratorFormTest : public FormFileTest {
 protected:
  std::string WithGenerator(const std::string& properties) const {
    return WithDb(R"({"class": "TDataModule", "components": [
      {"class": "TDatabase", "name": "Db", "properties": {"URI": "@DB@"}},
      {"class": "TTable", "name": "T", "properties": {"Database": "Db", "TableName": "GENTBL"}},
      {"class": "TDataSource", "name": "S", "properties": {"DataSet": "T"}},
      {"class": "TCountingGenerator", "name": "G", "properties": {"DataSource": "S", )" +
                      properties + "}}]}",
                  db_path);
  }
};

TEST_F(FormFileTest, AFormWithADatabaseTableSourceAndGeneratorLoadsOnceAndIssuesValues) {
  for (const std::string& text : {InvoiceForm(), Reversed(db_path)}) {
    SCOPED_TRACE(text);
    MessageRecorder messages;
    const auto root = Read(text);
    ASSERT_NE(dynamic_cast<TDataModule*>(root.get()), nullptr);
    EXPECT_EQ(root->Name(), "Invoices");
    ASSERT_EQ(root->ComponentCount(), 4);
    for (int i = 0; i < root->ComponentCount(); ++i) {
      EXPECT_FALSE(root->Components(i)->InState(csLoading)) << root->Components(i)->Name();
    }
    EXPECT_FALSE(root->InState(csLoading));

    CountingGenerator& generator = GeneratorOf(*root);
    EXPECT_EQ(generator.init_calls, 1);  // from Loaded, not from the setter as well
    EXPECT_FALSE(generator.init_while_loading);
    EXPECT_FALSE(generator.GenError);
    EXPECT_EQ(generator.DataSource(), root->FindComponent("GeneratorSource"));
    EXPECT_EQ(generator.GenTable, root->FindComponent("GeneratorTable"));
    EXPECT_EQ(generator.Generator(), "INV-0001");
    EXPECT_EQ(generator.Generator(), "INV-0002");
    EXPECT_TRUE(messages.Texts().empty());

    // The next form on the same table continues the sequence.
    TDatabase db(nullptr);
    db.SetURI(db_path);
    db.Open();
    db.Execute("DELETE FROM \"GENTBL\"");
  }
}

TEST_F(FormFileTest, AFormSavedAgainIsTheSameFile) {
  handlers.Add<TGOverFlowEvent>("RefuseOverflow", [](TObject*, TmString) {});
  handlers.Add<TUKBeforeUnKMadeEvent>("BranchSuffix",
                                      [](TObject*, std::string& suffix) { suffix = "-B1"; });
  // Cyrillic in the file is Windows-1251 in the engine; GeneratorType 7 is
  // written, a ReadOnly table too; defaults (GeneratorType 0) are not.
  const std::string text = WithDb(R"({
  "class": "TDataModule",
  "name": "Accounts",
  "components": [
    {
      "class": "TDatabase",
      "name": "Db",
      "properties": {
        "URI": "@DB@",
        "CodePage": "WINDOWS-1251",
        "BusyTimeout": 250
      }
    },
    {
      "class": "TTable",
      "name": "Gentbl",
      "properties": {
        "Database": "Db",
        "TableName": "GENTBL"
      }
    },
    {
      "class": "TTable",
      "name": "Orders",
      "properties": {
        "Database": "Db",
        "TableName": "orders",
        "ReadOnly": true
      }
    },
    {
      "class": "TDataSource",
      "name": "GentblSource",
      "properties": {
        "DataSet": "Gentbl"
      }
    },
    {
      "class": "TDataSource",
      "name": "OrdersSource",
      "properties": {
        "DataSet": "Orders"
      }
    },
    {
      "class": "TGenerator",
      "name": "Receipts",
      "properties": {
        "Mask": "СЧ-[АБ]##",
        "DataSource": "GentblSource",
        "StartValue": "А01",
        "EndValue": "Б99",
        "GeneratorType": 7,
        "OnOverFlowMask": "RefuseOverflow"
      }
    },
    {
      "class": "TGenerator",
      "name": "Plain"
    },
    {
      "class": "TUniKEY",
      "name": "OrderKeys",
      "properties": {
        "DataSource": "OrdersSource",
        "DataField": "id",
        "BeforeUniKeyMADE": "BranchSuffix"
      }
    }
  ]
}
)",
                                  db_path);
  MessageRecorder messages;  // "Plain" has no table to open
  const auto root = Read(text);
  auto& receipts = dynamic_cast<TGenerator&>(*root->FindComponent("Receipts"));
  EXPECT_EQ(receipts.Mask(), "\xD1\xD7-[\xC0\xC1]##");  // Windows-1251 bytes
  EXPECT_EQ(receipts.GeneratorType, 7);
  EXPECT_EQ(receipts.OnOverFlowMask.HandlerName(), "RefuseOverflow");
  EXPECT_EQ(Write(*root), text);

  const std::string path = dir.File("saved.form.json");
  TFormOptions options;
  options.classes = &classes;
  SaveForm(path, *root, options);
  EXPECT_EQ(Slurp(path), text);

  // A default given explicitly is not written back.
  const auto zero = Read(WithDb(
      R"({"class": "TDataModule", "components": [{"class": "TGenerator", "name": "G",
          "properties": {"GeneratorType": 0, "Mask": "##"}}]})",
      db_path));
  EXPECT_EQ(Write(*zero).find("GeneratorType"), std::string::npos);
}

// Limits set through a form are checked as when the program sets them: the
// same notices, the same outcome, even when the file lists them before Mask.
TEST_F(GeneratorFormTest, LimitsAreCheckedAgainstTheMaskWhateverTheirPlaceInTheFile) {
  const std::vector<std::tuple<std::string, std::string>> limits = {
      {"0001", "9999"},  // fit the mask
      {"00A1", "9999"},  // a letter where a digit counts
      {"0500", "0100"},  // out of order
      {"", "12345"},     // longer than the counting part
  };
  for (const auto& [start, end] : limits) {
    SCOPED_TRACE(start + " .. " + end);
    std::string properties;
    if (!start.empty())
      properties += "\"StartValue\": \"" + start + "\", ";
    properties += "\"EndValue\": \"" + end + "\", \"Mask\": \"INV-####\"";

    MessageRecorder from_file;
    const auto root = Read(WithGenerator(properties));
    const std::vector<ShownMessage> file_messages = from_file.messages;
    CountingGenerator& loaded = GeneratorOf(*root, "G");

    MessageRecorder from_code;
    CountingGenerator coded(nullptr);
    coded.SetMask("INV-####");
    if (!start.empty())
      coded.SetStartValue(start);
    coded.SetEndValue(end);

    ASSERT_EQ(file_messages.size(), from_code.messages.size());
    for (std::size_t i = 0; i < file_messages.size(); ++i) {
      EXPECT_EQ(file_messages[i].text, from_code.messages[i].text);
      EXPECT_EQ(file_messages[i].caption, from_code.messages[i].caption);
      EXPECT_EQ(file_messages[i].style, from_code.messages[i].style);
    }
    EXPECT_EQ(loaded.StartValue(), coded.StartValue());
    EXPECT_EQ(loaded.EndValue(), coded.EndValue());
    EXPECT_EQ(loaded.GenMask->StartValue, coded.GenMask->StartValue);
    EXPECT_EQ(loaded.GenMask->EndValue, coded.GenMask->EndValue);
    EXPECT_EQ(loaded.GenError, coded.GenError);
  }
  // The valid pair reached the engine: the limits were not dropped for want
  // of a mask, as they would be if applied in the file's order.
  MessageRecorder quiet;
  const auto root =
      Read(WithGenerator(R"("StartValue": "0001", "EndValue": "0005", "Mask": "INV-####")"));
  const auto& generator = GeneratorOf(*root, "G");
  EXPECT_TRUE(quiet.messages.empty());
  EXPECT_EQ(generator.GenMask->StartValue, TmString("0001"));
  EXPECT_EQ(generator.GenMask->EndValue, TmString("0005"));
}

TEST_F(GeneratorFormTest, HandlersAreBoundByNameAndCalledWithTheComponent) {
  TObject* sender = nullptr;
  handlers.Add<TGenProcEvent>("Branch", [&sender](TObject* s, TmString& characters) {
    sender = s;
    characters = "K";
  });
  const auto root = Read(WithGenerator(R"("Mask": "@-##", "GetUserPrefixes": "branch")"));
  CountingGenerator& generator = GeneratorOf(*root, "G");
  EXPECT_EQ(generator.Generator(), "K-00");
  EXPECT_EQ(sender, &generator);
  EXPECT_EQ(generator.GetUserPrefixes.HandlerName(), "Branch");  // as registered
}

TEST_F(FormFileTest, AUniKeyFromAFormStampsNewRecords) {
  handlers.Add<TUKBeforeUnKMadeEvent>("BranchSuffix",
                                      [](TObject*, std::string& suffix) { suffix = "-B1"; });
  const auto root = Read(WithDb(R"({"class": "TDataModule", "components": [
      {"class": "TUniKEY", "name": "Keys", "properties":
        {"BeforeUniKeyMADE": "BranchSuffix", "DataField": "id", "DataSource": "S"}},
      {"class": "TDatabase", "name": "Db", "properties": {"URI": "@DB@"}},
      {"class": "TTable", "name": "Orders", "properties": {"Database": "Db", "TableName": "orders"}},
      {"class": "TDataSource", "name": "S", "properties": {"DataSet": "Orders"}}]})",
                                db_path));
  auto& orders = dynamic_cast<TTable&>(*root->FindComponent("Orders"));
  orders.Open();
  orders.Insert();
  const std::string key = orders.FieldByName("id")->AsString();
  orders.Post();
  ASSERT_EQ(key.size(), 20u) << key;
  EXPECT_EQ(key.substr(17), "-B1");
  EXPECT_EQ(key.find_first_not_of("0123456789"), 17u);
}

TEST_F(FormFileTest, ADesignTimeLoadOpensNoTable) {
  const auto root = Read(InvoiceForm(), "test.json", /*designing=*/true);
  CountingGenerator& generator = GeneratorOf(*root);
  EXPECT_TRUE(generator.InState(csDesigning));
  EXPECT_FALSE(generator.InState(csLoading));
  EXPECT_EQ(generator.init_calls, 0);
  EXPECT_FALSE(generator.GenTable->Active());
  EXPECT_EQ(Write(*root), InvoiceForm());
}

TEST_F(FormFileTest, TheRegistryListsPublishedPropertiesInDeclarationOrder) {
  const std::vector<std::tuple<std::string, PropertyKind, std::string>> expected = {
      {"Mask", PropertyKind::Text, "string"},
      {"DataSource", PropertyKind::Component, "TDataSource"},
      {"StartValue", PropertyKind::Text, "string"},
      {"EndValue", PropertyKind::Text, "string"},
      {"GeneratorType", PropertyKind::Integer, "Integer"},
      {"GetUserPrefixes", PropertyKind::Event, "TGenProcEvent"},
      {"OnOverFlowMask", PropertyKind::Event, "TGOverFlowEvent"},
      {"OnSubOverMask", PropertyKind::Event, "TGOverFlowEvent"},
      {"OnNewRecord", PropertyKind::Event, "TOnNewRecord"},
      {"OnUndoFailed", PropertyKind::Event, "TGOverFlowEvent"},
  };
  // A descendant has its ancestor's properties in the same order.
  for (const char* name : {"TGenerator", "TCountingGenerator"}) {
    const TClassInfo* info = classes.Find(name);
    ASSERT_NE(info, nullptr) << name;
    ASSERT_EQ(info->Properties().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(info->Properties()[i].name, std::get<0>(expected[i]));
      EXPECT_EQ(info->Properties()[i].kind, std::get<1>(expected[i]));
      EXPECT_EQ(info->Properties()[i].type_name, std::get<2>(expected[i]));
    }
  }
  const TClassInfo* unikey = classes.Find("tunikey");  // names match in any case
  ASSERT_NE(unikey, nullptr);
  ASSERT_EQ(unikey->Properties().size(), 3u);
  EXPECT_EQ(unikey->Properties()[0].name, "DataSource");
  EXPECT_EQ(unikey->Properties()[1].name, "DataField");
  EXPECT_EQ(unikey->Properties()[2].name, "BeforeUniKeyMADE");

  struct Spare : TComponent {
    using TComponent::TComponent;
  };
  EXPECT_THROW(classes.Register<CountingGenerator>("TOther"), Exception);  // the type again
  EXPECT_THROW(classes.Register<Spare>("TGENERATOR"), Exception);          // the name again
}

}  // namespace
}  // namespace qgen::test
