// qgen stamp: inserts records into a table through a TUniKEY bound to one of
// its fields and prints the key each record received, so that the unique keys
// can be tried out on a real table (and their rate measured).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "apps/qgen/Commands.h"
#include "apps/qgen/FormSetup.h"
#include "dataaccess/DataSource.h"
#include "dataaccess/Database.h"
#include "dataaccess/Table.h"
#include "framework/Exception.h"
#include "framework/Text.h"
#include "unikey/UniKEY.h"

namespace qgen::tool {

namespace {

constexpr std::size_t kStampLength = 17;

struct StampOptions {
  std::string table;
  std::string field;
  std::string db;
  std::string suffix;
  int count = 1;
  int batch = 500;
  bool create = false;
  FormOptions form;  // --form: the form's TUniKEY in place of --table, --field and --db
};

bool IsTextType(TFieldType type) {
  return type == ftString || type == ftWideString || type == ftMemo;
}

// The column named `name` (ASCII case-insensitive), or nullptr.
const ColumnInfo* FindColumn(const std::vector<ColumnInfo>& columns, const std::string& name) {
  for (const ColumnInfo& column : columns) {
    if (CompareText(column.name, name) == 0)
      return &column;
  }
  return nullptr;
}

// Raises a clear error unless `column` can keep every key of this run.
void CheckKeyColumn(const StampOptions& o, const ColumnInfo& column, std::size_t key_length) {
  const std::string what = "Field '" + o.field + "' of table '" + o.table + "'";
  if (!IsTextType(column.type)) {
    throw TerminalError(what + " cannot take the key: it is of type " +
                        (column.declared_type.empty() ? "(none)" : column.declared_type) +
                        ", and the key is text (the 17-digit time stamp and the suffix). Bind a "
                        "text field.");
  }
  if (column.size > 0 && static_cast<std::size_t>(column.size) < key_length) {
    throw TerminalError(what + " cannot take the key: it holds " + std::to_string(column.size) +
                        " characters, and the key needs " + std::to_string(key_length) +
                        ". Bind a text field of at least " + std::to_string(key_length) +
                        " characters.");
  }
}

// The stamper and its table, set up from the options or taken from the form.
// Owns what it made; with --form, `table` and `field` name the form's.
class Stamper {
 public:
  Stamper(StampOptions& o, const std::string& suffix) {
    if (o.form.file.empty()) {
      if (o.table.empty() || o.field.empty())
        throw TerminalError("give the table and its key field with --table and --field, or --form");
      auto* database = new TDatabase(&owner_);
      database->SetURI(o.db);
      auto* table = new TTable(&owner_);
      table->SetDatabase(database);
      table->SetTableName(ToEngine(o.table));  // the dataset names things in engine text
      auto* source = new TDataSource(&owner_);
      source->SetDataSet(table);
      stamper_ = new TUniKEY(&owner_);
      stamper_->SetDataSource(source);
      stamper_->SetDataField(ToEngine(o.field));
    } else {
      form_ = LoadToolForm(o.form.file, ToolHandlers("", suffix));
      stamper_ = &PickComponent<TUniKEY>(*form_, o.form, "TUniKEY");
      const TTable& table = StampTableOf(*stamper_, o.form.file);
      o.table = ToTerminal(table.TableName());
      o.field = ToTerminal(stamper_->GetDataField());
    }
    // A form that leaves BeforeUniKeyMADE out still gets the --suffix text.
    if (!suffix.empty() && !stamper_->BeforeUniKeyMADE) {
      stamper_->BeforeUniKeyMADE = [suffix](TObject*, std::string& usStamp) { usStamp = suffix; };
    }
  }
  Stamper(const Stamper&) = delete;
  Stamper& operator=(const Stamper&) = delete;

  TTable& Table() const { return static_cast<TTable&>(*stamper_->DataSource()->DataSet()); }

 private:
  TComponent owner_{nullptr};         // owns the components made from the options
  std::unique_ptr<TComponent> form_;  // with --form: owns the form's components instead
  TUniKEY* stamper_ = nullptr;
};

// Makes sure the table exists (creating it with --create) and that its key
// field can keep every key of this run; raises TerminalError saying why not.
void PrepareKeyTable(TDatabase& database, const StampOptions& o, std::size_t key_length) {
  if (!database.TableExists(o.table)) {
    if (!o.create) {
      throw TerminalError("Table '" + o.table + "' does not exist in " + database.DisplayURI() +
                          "; create it, or pass --create to create it with a text key column '" +
                          o.field + "'");
    }
    // The key column and nothing else: the primary key makes the database
    // itself refuse a key given twice.
    database.Execute("CREATE TABLE " + database.QuoteIdentifier(o.table) + " (" +
                     database.QuoteIdentifier(o.field) + " TEXT NOT NULL PRIMARY KEY)");
  }
  const std::vector<ColumnInfo> columns = database.Columns(o.table);
  const ColumnInfo* column = FindColumn(columns, o.field);
  if (!column) {
    std::string names;
    for (const ColumnInfo& c : columns)
      names += (names.empty() ? "" : ", ") + c.name;
    throw TerminalError("Table '" + o.table + "' has no field '" + o.field +
                        "' (its fields: " + names + ")");
  }
  CheckKeyColumn(o, *column, key_length);
}

// Records `first` to `last` of `total`, inserted in one transaction. The keys
// are printed once the batch is committed, so that every key printed is in
// the table whatever happens to a later batch. A batch that fails is rolled
// back whole and raises an Exception saying which record failed and what was
// committed before it.
void InsertBatch(TTable& table, const TField& key_field, std::int64_t first, std::int64_t last,
                 std::int64_t total) {
  TDatabase& database = *table.Database();
  const std::string batch = "records " + std::to_string(first) + " to " + std::to_string(last) +
                            " of " + std::to_string(total);
  const std::string committed =
      first == 1 ? "Nothing was committed, and no key was printed."
                 : std::to_string(first - 1) +
                       " records were committed before it; theirs are the keys printed.";
  try {
    database.StartTransaction();
  } catch (const Exception& e) {
    throw Exception("Cannot start the batch of " + batch + ": " + e.Message() + ". " + committed);
  }
  std::vector<std::string> keys;
  std::int64_t i = first;
  try {
    for (; i <= last; ++i) {
      table.Insert();
      const std::string key = key_field.AsString();
      table.Post();
      keys.push_back(key);
    }
  } catch (const Exception& e) {
    std::string failure = "Record " + std::to_string(i) + " of " + std::to_string(total) +
                          " was not inserted: " + e.Message() + ". Its batch (" + batch + ")";
    if (table.State() == dsInsert)
      table.Cancel();
    try {
      database.Rollback();
      failure += " was rolled back. ";
    } catch (const Exception& rollback) {
      failure += " could not be rolled back (" + rollback.Message() +
                 "); it is dropped as the database closes. ";
    }
    throw Exception(failure + committed);
  }
  try {
    database.Commit();
  } catch (const Exception& e) {
    throw Exception("The batch of " + batch + " could not be committed: " + e.Message() + ". " +
                    committed);
  }
  for (const std::string& key : keys)
    PrintLine(key);
  std::fflush(stdout);
}

void Run(const StampOptions& given) {
  StampOptions o = given;
  const std::string suffix = ToEngine(o.suffix);
  Stamper stamper(o, suffix);
  TTable& table = stamper.Table();
  table.Database()->Open();
  PrepareKeyTable(*table.Database(), o, kStampLength + suffix.size());
  table.Open();  // the first active state: the stamper hooks the table's new records
  const TField& key_field = *table.FieldByName(ToEngine(o.field));
  // 64 bits: the last batch may end at the largest count an int holds.
  for (std::int64_t first = 1; first <= o.count; first += o.batch) {
    const std::int64_t last = std::min<std::int64_t>(first + o.batch - 1, o.count);
    InsertBatch(table, key_field, first, last, o.count);
  }
}

}  // namespace

void AddStampCommand(CLI::App& app) {
  auto options = std::make_shared<StampOptions>();
  CLI::App* sub = app.add_subcommand(
      "stamp",
      "Insert records into a table, each given a unique key in one field (the 17-digit\n"
      "time stamp YYYYMMDDhhmmsszzz, then the suffix), and print every key.");
  sub->fallthrough();
  CLI::Option* table = sub->add_option("--table", options->table, "The table to insert into");
  CLI::Option* field =
      sub->add_option("--field", options->field, "The text field that receives the key");
  CLI::Option* db = sub->add_option("--db", options->db,
                                    "Database URI: a file path or sqlite:PATH (default qgen.db), "
                                    "or postgresql://...");
  AddFormOptions(*sub, options->form, {table, field, db});
  sub->add_option("--suffix", options->suffix,
                  "Text after the time stamp in every key, e.g. a machine's code");
  sub->add_option("-n,--count", options->count, "How many records to insert")
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);
  sub->add_option("--batch", options->batch,
                  "Records committed together in one transaction; a batch that fails is rolled "
                  "back whole, and keys are printed once their batch is committed")
      ->capture_default_str()
      ->check(CLI::Range(1, std::numeric_limits<int>::max()));
  sub->add_flag("--create", options->create,
                "Create the table, with the key field as its only column, when it is missing");
  sub->callback([options] { Run(*options); });
}

}  // namespace qgen::tool
