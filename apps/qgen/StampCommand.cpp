// qgen stamp: inserts records into a table through a TUniKEY bound to one of
// its fields and prints the key each record received, so that the unique keys
// can be tried out on a real table (and their rate measured).
#include <memory>
#include <string>

#include "apps/qgen/Commands.h"
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
  bool create = false;
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

void Run(const StampOptions& o) {
  const std::string suffix = ToEngine(o.suffix);
  TDatabase database(nullptr);
  database.SetURI(o.db);
  database.Open();

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
  CheckKeyColumn(o, *column, kStampLength + suffix.size());

  TTable table(nullptr);
  table.SetDatabase(&database);
  table.SetTableName(ToEngine(o.table));  // the dataset names things in engine text
  TDataSource source(nullptr);
  source.SetDataSet(&table);
  TUniKEY stamper(nullptr);
  stamper.SetDataSource(&source);
  stamper.SetDataField(ToEngine(o.field));
  if (!suffix.empty()) {
    stamper.BeforeUniKeyMADE = [suffix](TObject*, std::string& usStamp) { usStamp = suffix; };
  }
  table.Open();  // the first active state: the stamper hooks the table's new records
  TField* field = table.FieldByName(ToEngine(o.field));

  for (int i = 1; i <= o.count; ++i) {
    try {
      table.Insert();
      const std::string key = field->AsString();
      table.Post();
      PrintLine(key);
    } catch (const Exception& e) {
      if (table.State() == dsInsert)
        table.Cancel();
      throw Exception("Record " + std::to_string(i) + " of " + std::to_string(o.count) +
                      " was not inserted (" + std::to_string(i - 1) + " were): " + e.Message());
    }
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
  sub->add_option("--table", options->table, "The table to insert into")->required();
  sub->add_option("--field", options->field, "The text field that receives the key")->required();
  sub->add_option("--db", options->db,
                  "Database URI: a file path or sqlite:PATH (default qgen.db), or "
                  "postgresql://...");
  sub->add_option("--suffix", options->suffix,
                  "Text after the time stamp in every key, e.g. a machine's code");
  sub->add_option("-n,--count", options->count, "How many records to insert")
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);
  sub->add_flag("--create", options->create,
                "Create the table, with the key field as its only column, when it is missing");
  sub->callback([options] { Run(*options); });
}

}  // namespace qgen::tool
