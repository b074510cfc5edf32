#include "tests/support/TestDatabase.h"

#include <unistd.h>

#include <atomic>

#include "framework/Exception.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {

std::unique_ptr<TDatabase> OpenDatabase(const std::string& uri) {
  auto database = std::make_unique<TDatabase>(nullptr);
  database->SetURI(uri);
  database->Open();
  return database;
}

std::unique_ptr<TTable> NewTable(TDatabase& database, const std::string& name) {
  auto table = std::make_unique<TTable>(nullptr);
  table->SetDatabase(&database);
  table->SetTableName(name);
  return table;
}

PostgresSchema::PostgresSchema() {
  static std::atomic<int> counter{0};
  name_ = "qgen_t" + std::to_string(getpid()) + "_" + std::to_string(++counter);
  const std::string base = PostgresUri();
  uri_ =
      base + (base.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + name_;
  auto admin = OpenDatabase(base);
  admin->Execute("DROP SCHEMA IF EXISTS " + admin->QuoteIdentifier(name_) + " CASCADE");
  admin->Execute("CREATE SCHEMA " + admin->QuoteIdentifier(name_));
}

PostgresSchema::~PostgresSchema() {
  try {
    auto admin = OpenDatabase(PostgresUri());
    admin->Execute("DROP SCHEMA IF EXISTS " + admin->QuoteIdentifier(name_) + " CASCADE");
  } catch (const Exception&) {
    // A server gone already has dropped the schema with itself.
  }
}

}  // namespace qgen::test
