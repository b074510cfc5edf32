#include "tests/framework/FormFileFixture.h"

#include "dataaccess/Database.h"
#include "unikey/StandardClasses.h"

namespace qgen::test {

int CountingGenerator::live = 0;

FormFileTest::FormFileTest() : db_path(dir.File("forms.db")) {
  RegisterStandardClasses(classes);
  classes.Register<CountingGenerator, TGenerator>("TCountingGenerator");

  TDatabase db(nullptr);
  db.SetURI(db_path);
  db.Open();
  db.Execute(
      "CREATE TABLE \"GENTBL\" (\"GenID\" REAL NOT NULL, \"Prefix\" VARCHAR(100) NOT NULL, "
      "\"Suffix\" VARCHAR(100), \"LastTime\" VARCHAR(20), \"Try\" REAL, \"State\" REAL, "
      "\"Who\" VARCHAR(20), PRIMARY KEY (\"GenID\", \"Prefix\"))");
  db.Execute("CREATE TABLE \"orders\" (\"id\" VARCHAR(40), \"note\" TEXT)");
}

std::unique_ptr<TComponent> FormFileTest::Read(const std::string& json, const std::string& file,
                                               bool designing) {
  TFormOptions options;
  options.classes = &classes;
  options.designing = designing;
  return ReadForm(json, file, handlers, options);
}

std::string FormFileTest::Write(const TComponent& root) {
  TFormOptions options;
  options.classes = &classes;
  return WriteForm(root, options);
}

std::string WithDb(std::string text, const std::string& db) {
  for (auto at = text.find("@DB@"); at != std::string::npos; at = text.find("@DB@")) {
    text.replace(at, 4, db);
  }
  return text;
}

std::string FormFileTest::InvoiceForm() const {
  return WithDb(R"({
  "class": "TDataModule",
  "name": "Invoices",
  "components": [
    {
      "class": "TDatabase",
      "name": "InvoiceDatabase",
      "properties": {
        "URI": "@DB@"
      }
    },
    {
      "class": "TTable",
      "name": "GeneratorTable",
      "properties": {
        "Database": "InvoiceDatabase",
        "TableName": "GENTBL"
      }
    },
    {
      "class": "TDataSource",
      "name": "GeneratorSource",
      "properties": {
        "DataSet": "GeneratorTable"
      }
    },
    {
      "class": "TCountingGenerator",
      "name": "InvoiceNumbers",
      "properties": {
        "Mask": "INV-####",
        "DataSource": "GeneratorSource",
        "StartValue": "0001",
        "EndValue": "9999"
      }
    }
  ]
}
)",
                db_path);
}

}  // namespace qgen::test
