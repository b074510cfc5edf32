// A test fixture that runs the same test on an SQLite file and on the private
// PostgreSQL server, there in a schema of its own so that tests can run side
// by side on one server.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/Table.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {

enum class Backend { Sqlite, Postgres };

class BackendTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (IsPostgres()) {
      QGEN_REQUIRE_POSTGRES();
      schema_ = std::make_unique<PostgresSchema>();
    }
    uri_ = schema_ ? schema_->Uri() : dir_.File("test.db");
    db_ = Connect();
  }

  bool IsPostgres() const { return GetParam() == Backend::Postgres; }
  // The declaration or statement for this backend.
  std::string Pick(const std::string& sqlite, const std::string& postgres) const {
    return IsPostgres() ? postgres : sqlite;
  }
  // A new opened connection to this test's database.
  std::unique_ptr<TDatabase> Connect() const { return OpenDatabase(uri_); }
  // SQL on the fixture's own connection ("?" placeholders).
  void Exec(const std::string& sql, const std::vector<Variant>& params = {}) {
    db_->Execute(sql, params);
  }
  // The first column of the rows that `sql` selects, as text joined by commas.
  std::string Value(const std::string& sql, const std::vector<Variant>& params = {}) {
    const auto rows = db_->Query(sql, params);
    std::string joined;
    for (const auto& row : rows)
      joined += (&row == rows.data() ? "" : ",") + row.at(0).ToString();
    return joined;
  }
  // Table `name` of `database` (the fixture's own by default), opened.
  std::unique_ptr<TTable> OpenTable(const std::string& name, TDatabase* database = nullptr) {
    auto table = NewTable(database ? *database : *db_, name);
    table->Open();
    return table;
  }
  TDatabase& db() { return *db_; }
  // Edits the current record of `table`, sets `field` to `text` and posts;
  // raises as Post does (the change then pending).
  static void Change(TTable& table, const std::string& field, const std::string& text) {
    table.Edit();
    table.FieldByName(field)->SetAsString(text);
    table.Post();
  }

 private:
  TempDir dir_;
  std::unique_ptr<PostgresSchema> schema_;
  std::string uri_;
  std::unique_ptr<TDatabase> db_;
};

}  // namespace qgen::test

#define QGEN_BACKEND_TEST_SUITE(suite)                                                   \
  INSTANTIATE_TEST_SUITE_P(                                                              \
      Db, suite,                                                                         \
      ::testing::Values(::qgen::test::Backend::Sqlite, ::qgen::test::Backend::Postgres), \
      [](const auto& info) {                                                             \
        return info.param == ::qgen::test::Backend::Postgres ? "Postgres" : "Sqlite";    \
      })
