// A test fixture that runs the same test on an SQLite file and on the private
// PostgreSQL server. Each PostgreSQL test works in a schema of its own, so
// tests can run side by side on one server.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dataaccess/Database.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {

enum class Backend { Sqlite, Postgres };

class BackendTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override;
  void TearDown() override;

  bool IsPostgres() const { return GetParam() == Backend::Postgres; }
  // The URI of this test's database (an SQLite file, or the server with this
  // test's schema first on the search path).
  const std::string& Uri() const { return uri_; }
  // A new, opened connection to it.
  std::unique_ptr<TDatabase> Connect() const;
  // Runs SQL on the fixture's own connection ("?" placeholders, UTF-8).
  void Exec(const std::string& sql, const std::vector<Variant>& params = {});
  std::vector<std::vector<Variant>> Query(const std::string& sql,
                                          const std::vector<Variant>& params = {});
  // Picks the declaration for this backend.
  std::string Pick(const std::string& sqlite, const std::string& postgres) const {
    return IsPostgres() ? postgres : sqlite;
  }
  TDatabase& db() { return *db_; }

 private:
  TempDir dir_;
  std::string uri_;
  std::string schema_;
  std::unique_ptr<TDatabase> db_;
};

std::string BackendName(const ::testing::TestParamInfo<Backend>& info);

}  // namespace qgen::test

#define QGEN_BACKEND_TEST_SUITE(suite)                                                   \
  INSTANTIATE_TEST_SUITE_P(                                                              \
      Db, suite,                                                                         \
      ::testing::Values(::qgen::test::Backend::Sqlite, ::qgen::test::Backend::Postgres), \
      ::qgen::test::BackendName)
