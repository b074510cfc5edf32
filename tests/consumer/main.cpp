// A program that links only qgen::qgen: it creates the generator table in an
// SQLite file and issues invoice numbers from it. The README shows it; the
// consumer tests build it against a checkout, an installed tree (CMake) and
// pkg-config, and check what it prints.
#include <iostream>

#include "dataaccess/DataSource.h"
#include "dataaccess/Database.h"
#include "dataaccess/Table.h"
#include "gensrc/Generator.h"
#include "gensrc/GeneratorTable.h"

int main() {
  qgen::TComponent owner(nullptr);  // owns the components below and frees them
  auto* database = new qgen::TDatabase(&owner);
  database->SetURI("invoices.db");  // or postgresql://user@host/dbname
  qgen::EnsureGeneratorTable(*database, "GENTBL");

  auto* table = new qgen::TTable(&owner);
  table->SetDatabase(database);
  table->SetTableName("GENTBL");
  auto* source = new qgen::TDataSource(&owner);
  source->SetDataSet(table);

  auto* invoices = new qgen::TGenerator(&owner);
  invoices->SetMask("INV-####");
  invoices->FSetDataSource(source);  // opens and checks the table
  invoices->SetStartValue("0001");
  for (int i = 0; i < 3; ++i)
    std::cout << invoices->Generator() << "\n";  // INV-0001, INV-0002, INV-0003
}
