#include "gensrc/GeneratorRow.h"

#include <algorithm>
#include <cstdlib>

#include "dataaccess/DataSet.h"
#include "dataaccess/Database.h"
#include "dataaccess/Table.h"
#include "framework/Exception.h"
#include "framework/Variant.h"

namespace qgen {

namespace {

const char kKeyFields[] = "GenID;Prefix";
// The columns that decide who holds the row and what it stores.
const char kOwnership[] = "GenID;Prefix;Suffix;LastTime;State;Who";
// The same and the wait count: two waiters counting at once must not lose a wait.
const char kOwnershipAndTries[] = "GenID;Prefix;Suffix;LastTime;State;Who;Try";

std::string WithoutTrailingBlanks(std::string text) {
  while (!text.empty() && text.back() == ' ')
    text.pop_back();
  return text;
}

// Narrows a TTable's optimistic check to `fields` for one write and puts the
// table's own setting back afterwards.
class CheckOnly {
 public:
  CheckOnly(TDataSet& table, const char* fields) : table_(dynamic_cast<TTable*>(&table)) {
    if (table_) {
      before_ = table_->CheckedFields();
      table_->SetCheckedFields(fields);
    }
  }
  CheckOnly(const CheckOnly&) = delete;
  CheckOnly& operator=(const CheckOnly&) = delete;
  ~CheckOnly() {
    if (table_)
      table_->SetCheckedFields(before_);
  }

 private:
  TTable* table_;
  std::string before_;
};

// Commits the next writes without waiting for the disk, and makes the
// connection's commits durable again afterwards. Nothing changes inside an
// explicit transaction, nor where the caller has switched durability off.
class CommitWithoutSync {
 public:
  explicit CommitWithoutSync(TDatabase* database) {
    try {
      if (database == nullptr || !database->Connected() || database->InTransaction() ||
          !database->DurableCommits())
        return;
      database->SetDurableCommits(false);
      database_ = database;
    } catch (const Exception&) {
      // The write then waits for the disk, as any other.
    }
  }
  CommitWithoutSync(const CommitWithoutSync&) = delete;
  CommitWithoutSync& operator=(const CommitWithoutSync&) = delete;
  ~CommitWithoutSync() {
    if (database_ == nullptr)
      return;
    try {
      database_->SetDurableCommits(true);
    } catch (const Exception&) {
      // Only a closed or broken SQLite connection fails here; a new one is durable.
    }
  }

 private:
  TDatabase* database_ = nullptr;
};

}  // namespace

GeneratorRow::GeneratorRow(TDataSet& table, TDatabase* database, std::int32_t gen_id,
                           std::string prefix)
    : table_(table), database_(database), gen_id_(gen_id), prefix_(std::move(prefix)) {}

bool GeneratorRow::Locate() {
  return table_.Locate(kKeyFields, Variant::Array({Variant(gen_id_), Variant(prefix_)}));
}

bool GeneratorRow::Free() const {
  return table_.FieldByName("State")->Value() == Variant(0);
}

std::string GeneratorRow::Text(const char* column) const {
  const Variant value = table_.FieldByName(column)->Value();
  return value.IsNull() ? "" : WithoutTrailingBlanks(value.ToString());
}

std::string GeneratorRow::Suffix() const {
  return Text("Suffix");
}

std::string GeneratorRow::Who() const {
  return Text("Who");
}

std::string GeneratorRow::LastTime() const {
  return Text("LastTime");
}

std::optional<double> GeneratorRow::Tries() const {
  const Variant value = table_.FieldByName("Try")->Value();
  if (value.IsNull())
    return std::nullopt;
  try {
    return value.ToDouble();
  } catch (const EConvertError&) {
    return std::nullopt;
  }
}

template <typename Set>
bool GeneratorRow::Write(const char* check, Set set) {
  const CheckOnly narrowed(table_, check);
  try {
    table_.Edit();
    set();
    table_.Post();
    return true;
  } catch (const Exception&) {
    CancelPending();
    return false;
  }
}

void GeneratorRow::CancelPending() {
  try {
    const TDataSetState state = table_.State();
    if (state == dsEdit || state == dsInsert)
      table_.Cancel();
  } catch (const Exception&) {
    // The write has failed already; a failing Cancel adds nothing.
  }
}

bool GeneratorRow::Insert(const std::string& suffix, const std::string& who,
                          const std::string& stamp) {
  try {
    table_.Insert();
    table_.FieldByName("GenID")->SetValue(Variant(gen_id_));
    table_.FieldByName("Prefix")->SetAsString(prefix_);
    table_.FieldByName("Suffix")->SetAsString(suffix);
    table_.FieldByName("LastTime")->SetAsString(stamp);
    table_.FieldByName("State")->SetValue(Variant(0));
    table_.FieldByName("Try")->SetValue(Variant(0));
    table_.FieldByName("Who")->SetAsString(who);
    table_.Post();
    return true;
  } catch (const Exception&) {
    CancelPending();
    return false;
  }
}

bool GeneratorRow::MarkAndSign(const std::string& who, const std::string& stamp) {
  const CommitWithoutSync light(database_);
  return Write(kOwnership, [&] {
    table_.FieldByName("State")->SetValue(Variant(1));
    table_.FieldByName("Who")->SetAsString(who);
    table_.FieldByName("Try")->SetValue(Variant(0));
    table_.FieldByName("LastTime")->SetAsString(stamp);
  });
}

bool GeneratorRow::LocateAndMarkIfFree(const std::string& who, const std::string& stamp) {
  auto* table = dynamic_cast<TTable*>(&table_);
  if (table == nullptr)
    return false;
  const CommitWithoutSync light(database_);
  return table->EditWhere(kKeyFields, Variant::Array({Variant(gen_id_), Variant(prefix_)}), "State",
                          Variant(0),
                          {{"State", Variant(1)},
                           {"Who", Variant(who)},
                           {"Try", Variant(0)},
                           {"LastTime", Variant(stamp)}});
}

bool GeneratorRow::StepIfFree(const std::vector<std::string>& from,
                              const std::vector<std::string>& to, const std::string& who,
                              const std::string& stamp, bool flush_later) {
  auto* table = dynamic_cast<TTable*>(&table_);
  if (table == nullptr)
    return false;
  TTable::Step step{.field = "Suffix", .from = {}, .to = {}};
  for (const std::string& value : from)
    step.from.emplace_back(value);
  for (const std::string& value : to)
    step.to.emplace_back(value);
  const CommitWithoutSync light(flush_later ? database_ : nullptr);
  try {
    return table->StepWhere(kKeyFields, Variant::Array({Variant(gen_id_), Variant(prefix_)}),
                            "State", Variant(0), step,
                            {{"Try", Variant(0)},
                             {"LastTime", Variant(stamp)},
                             {"Who", Variant(who)},
                             {"State", Variant(0)}});
  } catch (const Exception&) {
    // Its reply may have been lost after it was made.
    return Holds(to, who, stamp);
  }
}

bool GeneratorRow::CountWait() {
  const std::optional<double> tries = Tries();
  return Write(kOwnershipAndTries,
               [&] { table_.FieldByName("Try")->SetValue(Variant(tries.value_or(0) + 1)); });
}

bool GeneratorRow::FreeStaleMark() {
  return Write(kOwnership, [&] { table_.FieldByName("State")->SetValue(Variant(0)); });
}

bool GeneratorRow::WriteBack(const std::string& suffix, const std::string& who,
                             const std::string& stamp, bool flush_later) {
  const CommitWithoutSync light(flush_later ? database_ : nullptr);
  return Write(kOwnership,
               [&] {
                 table_.FieldByName("Suffix")->SetAsString(suffix);
                 table_.FieldByName("Try")->SetValue(Variant(0));
                 table_.FieldByName("LastTime")->SetAsString(stamp);
                 table_.FieldByName("Who")->SetAsString(who);
                 table_.FieldByName("State")->SetValue(Variant(0));
               }) ||
         Holds({suffix}, who, stamp);
}

bool GeneratorRow::StepBack(const std::string& suffix, const std::string& who,
                            const std::string& stamp) {
  return Write(kOwnership,
               [&] {
                 table_.FieldByName("Suffix")->SetAsString(suffix);
                 table_.FieldByName("LastTime")->SetAsString(stamp);
               }) ||
         Holds({suffix}, who, stamp);
}

bool GeneratorRow::Holds(const std::vector<std::string>& suffixes, const std::string& who,
                         const std::string& stamp) {
  try {
    return Locate() && Free() && Who() == who && LastTime() == stamp &&
           std::find(suffixes.begin(), suffixes.end(), Suffix()) != suffixes.end();
  } catch (const Exception&) {
    // Still no answer from the database: the write is not counted as done. At
    // worst its value is never handed out (a gap), never handed out twice.
    return false;
  }
}

}  // namespace qgen
