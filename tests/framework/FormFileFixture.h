// Shared set-up of the form-file tests: a class registry with the standard
// classes and a generator that counts its InitDB calls, a handler registry,
// and an SQLite file holding a generator table and an "orders" table.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "framework/ClassRegistry.h"
#include "framework/FormFile.h"
#include "framework/HandlerRegistry.h"
#include "gensrc/Generator.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {

// A TGenerator that counts its InitDB calls and the instances alive, and
// notes whether InitDB ran while the component was being loaded.
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
  static int live;
};

class FormFileTest : public ::testing::Test {
 protected:
  FormFileTest();

  // ReadForm with this test's classes and handlers; `file` names it in messages.
  std::unique_ptr<TComponent> Read(const std::string& json, const std::string& file = "test.json",
                                   bool designing = false);
  std::string Write(const TComponent& root);

  // A canonical form (as the writer writes it) with a database on this test's
  // file, the generator table, a data source and a TCountingGenerator
  // "InvoiceNumbers" with mask INV-#### and the limits 0001 and 9999.
  std::string InvoiceForm() const;

  TempDir dir;
  std::string db_path;
  TClassRegistry classes;
  THandlerRegistry handlers;
};

// `text` with every "@DB@" replaced by `db`.
std::string WithDb(std::string text, const std::string& db);

}  // namespace qgen::test
