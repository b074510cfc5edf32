// Shared set-up of the generator tests: the library's generator table in a fresh SQLite file or
// a private PostgreSQL schema, and "programs" that each reach it through a connection, a
// fault-injecting table and a data source of their own, as several programs would.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/DataSource.h"
#include "framework/Messages.h"
#include "gensrc/Gensrc.h"
#include "tests/gensrc/FaultyTable.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {

// One program's way to the table "Gentbl"; frees its generators first.
struct Program {
  explicit Program(const std::string& uri);
  // A generator on this program's data source with the mask and limits set.
  TGenerator* NewGenerator(const std::string& mask, const std::string& start = "0001",
                           const std::string& end = "");
  TComponent owner{nullptr};
  TDatabase* database = nullptr;
  FaultyTable* table = nullptr;
  TDataSource* source = nullptr;
};

// A row as the database holds it, text without char(n)'s padding blanks.
struct GenRow {
  std::string suffix, last_time, who;
  Variant tries, state;
};

class GeneratorTest : public ::testing::Test {
 protected:
  GeneratorTest() { CreateTable(); }
  ~GeneratorTest() override { programs.clear(); }
  // Moves the test to a private PostgreSQL schema (skips without a server).
  void UsePostgres();
  // (Re)creates "Gentbl": the library's table, or one of these columns.
  void CreateTable(const std::string& columns = "");
  Program& NewProgram() { return *programs.emplace_back(std::make_unique<Program>(uri)); }
  // A generator of mask "INV-####" on `program` (else a new one) that has drawn
  // INV-0001 to INV-<count>.
  TGenerator* Drawn(int count, Program* program = nullptr);
  // The row of "INV-" (type 0); `set` changes it ("SET" part, bound values).
  GenRow Row();
  void UpdateRow(const std::string& set, std::vector<Variant> values = {});
  int RowCount() {
    return static_cast<int>(admin->Query("SELECT COUNT(*) FROM \"Gentbl\"")[0][0].ToInt64());
  }

  TempDir dir;
  std::unique_ptr<PostgresSchema> schema;
  std::string uri = dir.File("gen.db");
  MessageRecorder messages;
  std::unique_ptr<TDatabase> admin = OpenDatabase(uri);
  std::vector<std::unique_ptr<Program>> programs;
};

// The same tests on SQLite (false) and on PostgreSQL (true).
class GeneratorOnBoth : public GeneratorTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    if (GetParam())
      UsePostgres();
  }
};

}  // namespace qgen::test
