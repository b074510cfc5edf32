// Shared set-up of the generator tests: a generator table in a fresh SQLite
// file, and "programs" that each reach it through a connection, a table and
// a data source of their own (optionally behind a FaultyDataSet), so that
// several generators behave as several programs would.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/DataSource.h"
#include "dataaccess/Database.h"
#include "dataaccess/Table.h"
#include "framework/Exception.h"
#include "framework/Messages.h"
#include "gensrc/Gensrc.h"
#include "tests/support/FaultyDataSet.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {

// Columns of a well-formed generator table (SQL).
inline const char kGoodColumns[] =
    "\"GenID\" FLOAT NOT NULL, \"Prefix\" VARCHAR(100) NOT NULL, \"Suffix\" VARCHAR(100), "
    "\"LastTime\" VARCHAR(17), \"Try\" FLOAT, \"State\" FLOAT, \"Who\" VARCHAR(17), "
    "PRIMARY KEY (\"GenID\", \"Prefix\")";

// One program's way to the table. Frees its generators first, then the rest.
class Program {
 public:
  Program(const std::string& uri, const std::string& table_name, bool faulty);
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program();

  // A generator on this program's data source with the mask and limits set.
  TGenerator* NewGenerator(const std::string& mask, const std::string& start = "",
                           const std::string& end = "");

  TComponent owner{nullptr};
  TDatabase* database = nullptr;
  TTable* table = nullptr;
  FaultyDataSet* faulty = nullptr;  // null unless asked for
  TDataSource* source = nullptr;
};

// A row of the generator table as the database holds it.
struct GenRow {
  bool found = false;
  std::string suffix;
  Variant last_time;
  Variant tries;
  Variant state;
  std::string who;
};

class GeneratorTest : public ::testing::Test {
 protected:
  GeneratorTest();
  ~GeneratorTest() override;

  // (Re)creates the table "Gentbl" with these columns.
  void CreateTable(const std::string& columns = kGoodColumns);
  Program& NewProgram(bool faulty = false);
  GenRow Row(int gen_id, const std::string& prefix);
  // Runs an UPDATE of the row (gen_id, prefix): "SET ..." with bound values.
  void UpdateRow(int gen_id, const std::string& prefix, const std::string& set,
                 std::vector<Variant> values);
  int RowCount();

  TempDir dir;
  std::string uri;
  MessageRecorder messages;
  std::unique_ptr<TDatabase> admin;
  std::vector<std::unique_ptr<Program>> programs;
};

// A stamp of the TestClock's time in the form of GetTimeStamp.
std::string StampAt(TDateTime moment);

}  // namespace qgen::test
