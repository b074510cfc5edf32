#include "bench/LoadSchema.h"

#include <stdexcept>

#include "dataaccess/DataSource.h"
#include "dataaccess/Database.h"
#include "dataaccess/Table.h"
#include "framework/Exception.h"
#include "gensrc/Generator.h"
#include "gensrc/GeneratorTable.h"

namespace qgen::bench {

Method ParseMethod(const std::string& name) {
  if (name == "tgen")
    return Method::Generator;
  if (name == "counter")
    return Method::Counter;
  if (name == "nextval")
    return Method::Sequence;
  throw std::invalid_argument("unknown method \"" + name + "\": use tgen, counter or nextval");
}

const char* MethodName(Method method) {
  switch (method) {
    case Method::Generator:
      return "tgen";
    case Method::Counter:
      return "counter";
    case Method::Sequence:
      return "nextval";
  }
  return "?";
}

bool CountingGenerator::ReadDATA() {
  ++reads;
  const bool ok = TGenerator::ReadDATA();
  taken += ok ? 1 : 0;
  return ok;
}

bool CountingGenerator::TakeRowAtOnce() {
  ++reads;
  const bool ok = TGenerator::TakeRowAtOnce();
  taken += ok ? 1 : 0;
  return ok;
}

bool CountingGenerator::StepRowAtOnce(const std::vector<std::string>& from,
                                      const std::vector<std::string>& to, bool flush_later) {
  ++reads;
  const bool ok = TGenerator::StepRowAtOnce(from, to, flush_later);
  taken += ok ? 1 : 0;
  return ok;
}

void CountingGenerator::Wait() {
  ++pauses;
  TGenerator::Wait();
}

GeneratorRig::GeneratorRig(const std::string& uri) {
  database_ = new TDatabase(&owner_);
  database_->SetURI(uri);
  database_->Open();
  auto* table = new TTable(&owner_);
  table->SetDatabase(database_);
  table->SetTableName(kGeneratorTable);
  auto* source = new TDataSource(&owner_);
  source->SetDataSet(table);
  generator_ = new CountingGenerator(&owner_);
  generator_->SetMask(kMask);
  generator_->FSetDataSource(source);
  if (generator_->GenError)
    throw Exception("the generator table of " + database_->DisplayURI() + " cannot be used");
  generator_->SetStartValue(kStartValue);
}

GeneratorRig::~GeneratorRig() = default;

std::string DatabaseKind(const std::string& uri) {
  TDatabase probe(nullptr);
  probe.SetURI(uri);
  return probe.Kind();
}

std::string DurabilitySettings(TDatabase& database) {
  if (database.Kind() == "sqlite") {
    static const char* const kLevels[] = {"OFF", "NORMAL", "FULL", "EXTRA"};
    const long long level = database.Query("PRAGMA synchronous")[0][0].ToInt64();
    const std::string journal = database.Query("PRAGMA journal_mode")[0][0].ToString();
    return "journal_mode=" + journal +
           " synchronous=" + (level >= 0 && level <= 3 ? kLevels[level] : std::to_string(level));
  }
  return "synchronous_commit=" + database.Query("SHOW synchronous_commit")[0][0].ToString() +
         " fsync=" + database.Query("SHOW fsync")[0][0].ToString();
}

void RelaxDurability(TDatabase& database) {
  if (database.Kind() == "sqlite") {
    database.Execute("PRAGMA synchronous=NORMAL");
  } else {
    database.Execute("SET synchronous_commit = off");
  }
}

void PrepareGeneratorTable(TDatabase& database) {
  EnsureGeneratorTable(database, kGeneratorTable);
  database.Execute("DELETE FROM " + database.QuoteIdentifier(kGeneratorTable));
}

void PrepareCounter(TDatabase& database) {
  const std::string integer = database.Kind() == "sqlite" ? "INTEGER" : "bigint";
  database.Execute("CREATE TABLE IF NOT EXISTS qgen_counter (id " + integer + " PRIMARY KEY, n " +
                   integer + " NOT NULL)");
  database.Execute("DELETE FROM qgen_counter");
  database.Execute("INSERT INTO qgen_counter (id, n) VALUES (1, 0)");
}

void PrepareSequence(TDatabase& database) {
  database.Execute("DROP SEQUENCE IF EXISTS qgen_seq");
  database.Execute("CREATE SEQUENCE qgen_seq");
}

long long StoredValue(TDatabase& database, Method method) {
  std::vector<std::vector<Variant>> rows;
  switch (method) {
    case Method::Generator:
      rows = database.Query("SELECT \"Suffix\" FROM " + database.QuoteIdentifier(kGeneratorTable));
      return rows.empty() ? 0 : ValueNumber(rows[0][0].ToString());
    case Method::Counter:
      rows = database.Query("SELECT n FROM qgen_counter WHERE id = 1");
      return rows.empty() ? 0 : rows[0][0].ToInt64();
    case Method::Sequence:
      rows = database.Query("SELECT CASE WHEN is_called THEN last_value ELSE 0 END FROM qgen_seq");
      return rows.empty() ? 0 : rows[0][0].ToInt64();
  }
  return 0;
}

void InstallAudit(TDatabase& database) {
  const std::string table = database.QuoteIdentifier(kGeneratorTable);
  if (database.Kind() == "sqlite") {
    database.Execute("DROP TABLE IF EXISTS qgen_audit");
    database.Execute(
        "CREATE TABLE qgen_audit (seq INTEGER PRIMARY KEY, suffix TEXT, who TEXT, at REAL)");
    const std::string record =
        " BEGIN INSERT INTO qgen_audit (suffix, who, at) VALUES (NEW.\"Suffix\", NEW.\"Who\", "
        "(julianday('now') - 2440587.5) * 86400.0); END";
    database.Execute("DROP TRIGGER IF EXISTS qgen_audit_insert");
    database.Execute("DROP TRIGGER IF EXISTS qgen_audit_update");
    database.Execute("CREATE TRIGGER qgen_audit_insert AFTER INSERT ON " + table + record);
    database.Execute("CREATE TRIGGER qgen_audit_update AFTER UPDATE OF \"Suffix\" ON " + table +
                     " WHEN NEW.\"Suffix\" IS NOT OLD.\"Suffix\"" + record);
    return;
  }
  database.Execute("DROP TABLE IF EXISTS qgen_audit");
  database.Execute(
      "CREATE TABLE qgen_audit (seq bigserial PRIMARY KEY, suffix text, who text, at float8)");
  database.Execute(
      "CREATE OR REPLACE FUNCTION qgen_audit_record() RETURNS trigger LANGUAGE plpgsql AS $$ "
      "BEGIN IF TG_OP = 'INSERT' OR NEW.\"Suffix\" IS DISTINCT FROM OLD.\"Suffix\" THEN "
      "INSERT INTO qgen_audit (suffix, who, at) VALUES (NEW.\"Suffix\", NEW.\"Who\", "
      "extract(epoch FROM clock_timestamp())); END IF; RETURN NEW; END $$");
  database.Execute("DROP TRIGGER IF EXISTS qgen_audit_trigger ON " + table);
  database.Execute("CREATE TRIGGER qgen_audit_trigger AFTER INSERT OR UPDATE ON " + table +
                   " FOR EACH ROW EXECUTE FUNCTION qgen_audit_record()");
}

std::vector<AuditEntry> ReadAudit(TDatabase& database) {
  std::vector<AuditEntry> entries;
  for (const auto& row : database.Query("SELECT suffix, who, at FROM qgen_audit ORDER BY seq")) {
    AuditEntry entry;
    entry.value = ValueNumber(row[0].ToString());
    entry.who = row[1].IsNull() ? "" : row[1].ToString();
    entry.at = row[2].IsNull() ? 0 : row[2].ToDouble();
    entries.push_back(std::move(entry));
  }
  return entries;
}

long long ValueNumber(const std::string& value) {
  std::size_t start = value.size();
  while (start > 0 && value[start - 1] >= '0' && value[start - 1] <= '9')
    --start;
  if (start == value.size() || value.size() - start > 18)
    return -1;
  return std::stoll(value.substr(start));
}

}  // namespace qgen::bench
