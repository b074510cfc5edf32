// What the load driver and its workers share about the databases: the
// generator they draw from, the hand-written counter and sequence they are
// compared with, the audit trail that fault runs check against, and the
// durability settings a connection runs with.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/Component.h"
#include "gensrc/Generator.h"

namespace qgen {
class TDatabase;
}  // namespace qgen

namespace qgen::bench {

// The sequence every run draws from: one row of this table, this mask.
inline constexpr const char* kGeneratorTable = "GENTBL";
inline constexpr const char* kMask = "LD-##########";
inline constexpr const char* kStartValue = "0000000001";

// How a worker draws its values.
enum class Method { Generator, Counter, Sequence };
Method ParseMethod(const std::string& name);  // "tgen", "counter", "nextval"
const char* MethodName(Method method);

// A TGenerator that counts its attempts to take the row and its pauses, so
// that a run can tell how much of its time went into contention.
class CountingGenerator : public TGenerator {
 public:
  using TGenerator::TGenerator;
  bool ReadDATA() override;
  bool TakeRowAtOnce() override;
  bool StepRowAtOnce(const std::vector<std::string>& from, const std::vector<std::string>& to,
                     bool flush_later) override;
  void Wait() override;
  long long reads = 0;   // ReadDATA, TakeRowAtOnce and StepRowAtOnce calls
  long long taken = 0;   // those that took the row
  long long pauses = 0;  // Wait calls
};

// A TGenerator on the generator table of `uri`, set up as an application
// would: database, table, data source, generator with kMask and kStartValue.
// Raises Exception (EDatabaseError) when the database or table cannot be used.
class GeneratorRig {
 public:
  explicit GeneratorRig(const std::string& uri);
  GeneratorRig(const GeneratorRig&) = delete;
  GeneratorRig& operator=(const GeneratorRig&) = delete;
  ~GeneratorRig();

  TDatabase& Database() const { return *database_; }
  CountingGenerator& Generator() const { return *generator_; }

 private:
  TComponent owner_{nullptr};
  TDatabase* database_ = nullptr;
  CountingGenerator* generator_ = nullptr;
};

// "sqlite" or "postgresql" for a URI, as TDatabase tells them apart.
std::string DatabaseKind(const std::string& uri);

// The settings that decide whether a commit survives a power cut, read back
// from the live connection, e.g. "journal_mode=wal synchronous=FULL".
std::string DurabilitySettings(TDatabase& database);
// Gives up durability for speed on this connection only: SQLite
// synchronous=NORMAL (a commit may be lost on power failure, never
// corrupted), PostgreSQL synchronous_commit=off.
void RelaxDurability(TDatabase& database);

// Fresh state before a run: the generator table without rows, the counter
// row at 0, the sequence restarted at 1.
void PrepareGeneratorTable(TDatabase& database);
void PrepareCounter(TDatabase& database);
void PrepareSequence(TDatabase& database);
// The last value a method's store holds after a run (the generator row's
// counting part, the counter, the sequence's last value); 0 when none.
long long StoredValue(TDatabase& database, Method method);

// The audit trail: a trigger on the generator table records every counting
// part the table commits, with the writer's stamp (Who) and the commit time.
struct AuditEntry {
  long long value = 0;
  std::string who;
  double at = 0;  // seconds since the epoch
};
void InstallAudit(TDatabase& database);
std::vector<AuditEntry> ReadAudit(TDatabase& database);

// The number at the end of a value ("LD-0000000042" -> 42); -1 when none.
long long ValueNumber(const std::string& value);

}  // namespace qgen::bench
