#include "tests/dataaccess/BackendFixture.h"

#include <unistd.h>

#include <atomic>

namespace qgen::test {

void BackendTest::SetUp() {
  if (IsPostgres()) {
    QGEN_REQUIRE_POSTGRES();
    static std::atomic<int> counter{0};
    schema_ = "qgen_t" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    TDatabase admin(nullptr);
    admin.SetURI(PostgresUri());
    admin.Open();
    admin.Execute("DROP SCHEMA IF EXISTS " + admin.QuoteIdentifier(schema_) + " CASCADE");
    admin.Execute("CREATE SCHEMA " + admin.QuoteIdentifier(schema_));
    const std::string base = PostgresUri();
    uri_ = base + (base.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" +
           schema_;
  } else {
    uri_ = dir_.File("test.db");
  }
  db_ = Connect();
}

void BackendTest::TearDown() {
  db_.reset();
  if (!schema_.empty()) {
    TDatabase admin(nullptr);
    admin.SetURI(PostgresUri());
    admin.Open();
    admin.Execute("DROP SCHEMA IF EXISTS " + admin.QuoteIdentifier(schema_) + " CASCADE");
  }
}

std::unique_ptr<TDatabase> BackendTest::Connect() const {
  auto db = std::make_unique<TDatabase>(nullptr);
  db->SetURI(uri_);
  db->Open();
  return db;
}

void BackendTest::Exec(const std::string& sql, const std::vector<Variant>& params) {
  db_->Execute(sql, params);
}

std::vector<std::vector<Variant>> BackendTest::Query(const std::string& sql,
                                                     const std::vector<Variant>& params) {
  return db_->Query(sql, params);
}

std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param == Backend::Postgres ? "Postgres" : "Sqlite";
}

}  // namespace qgen::test
