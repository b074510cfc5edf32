#include "gensrc/GeneratorTable.h"

#include <algorithm>

#include "framework/CodePage.h"
#include "framework/Exception.h"
#include "framework/Text.h"

namespace qgen {

namespace {

enum class Kind { Float, String };

struct RequiredColumn {
  const char* name;
  Kind kind;
  int width;  // least declared width of a string column
};

// The columns in the order the component checks them.
constexpr RequiredColumn kColumns[] = {
    {"GenID", Kind::Float, 0},      {"Prefix", Kind::String, 100}, {"Suffix", Kind::String, 100},
    {"LastTime", Kind::String, 17}, {"Try", Kind::Float, 0},       {"State", Kind::Float, 0},
    {"Who", Kind::String, 17},
};

std::string KindName(TFieldType type) {
  switch (type) {
    case ftString:
      return "a string column";
    case ftWideString:
      return "a wide string column";
    case ftFloat:
      return "a floating-point column";
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
      return "an integer column";
    case ftBCD:
      return "an exact numeric column without a scale";
    default:
      return "a column of field type " + std::to_string(static_cast<int>(type));
  }
}

std::string Needed(const RequiredColumn& column, const std::string& kind) {
  if (column.kind == Kind::Float) {
    return kind == "sqlite" ? "floating-point (REAL)" : "floating-point (double precision)";
  }
  return "a string column of at least " + std::to_string(column.width) + " characters (VARCHAR(" +
         std::to_string(column.width) + "))";
}

std::string CreateStatement(const std::string& quoted_table, const std::string& kind) {
  const std::string real = kind == "sqlite" ? "REAL" : "double precision";
  return "CREATE TABLE IF NOT EXISTS " + quoted_table + " (\"GenID\" " + real +
         " NOT NULL, \"Prefix\" VARCHAR(100) NOT NULL, \"Suffix\" VARCHAR(100), "
         "\"LastTime\" VARCHAR(20), \"Try\" " +
         real + ", \"State\" " + real +
         ", \"Who\" VARCHAR(20), PRIMARY KEY (\"GenID\", \"Prefix\"))";
}

std::string DatabaseName(const std::string& table, TDatabase& database) {
  try {
    return ToUtf8(table, database.CodePage());
  } catch (const EConvertError& e) {
    throw EDatabaseError("Table name: " + std::string(e.what()));
  }
}

}  // namespace

std::vector<std::string> CheckGeneratorTable(TDatabase& database, const std::string& table) {
  const std::vector<ColumnInfo> columns = database.Columns(DatabaseName(table, database));
  if (columns.empty()) {
    throw EDatabaseError("Table '" + table + "' does not exist in database " +
                         database.DisplayURI());
  }
  std::vector<std::string> problems;
  for (const RequiredColumn& required : kColumns) {
    const auto found = std::find_if(columns.begin(), columns.end(), [&](const ColumnInfo& c) {
      return CompareText(c.name, required.name) == 0;
    });
    const std::string name = required.name;
    if (found == columns.end()) {
      problems.push_back(name + ": missing; needs " + Needed(required, database.Kind()));
      continue;
    }
    const std::string declared = found->declared_type.empty() ? "no type" : found->declared_type;
    if (required.kind == Kind::Float && found->type != ftFloat) {
      problems.push_back(name + ": " + declared + " is " + KindName(found->type) + "; needs " +
                         Needed(required, database.Kind()));
    } else if (required.kind == Kind::String && found->type != ftString &&
               found->type != ftWideString) {
      problems.push_back(name + ": " + declared + " is " + KindName(found->type) + "; needs " +
                         Needed(required, database.Kind()));
    } else if (required.kind == Kind::String && found->size > 0 && found->size < required.width) {
      problems.push_back(name + ": " + declared + " holds " + std::to_string(found->size) +
                         " characters; needs " + Needed(required, database.Kind()));
    }
  }
  // Without this key two programs could both add the first row of a
  // sequence, and it would hand out the same values twice.
  std::vector<std::string> key;
  for (const ColumnInfo& column : columns) {
    if (column.primary_key)
      key.push_back(column.name);
  }
  const bool key_right =
      key.size() == 2 &&
      std::any_of(key.begin(), key.end(),
                  [](const std::string& k) { return CompareText(k, "GenID") == 0; }) &&
      std::any_of(key.begin(), key.end(),
                  [](const std::string& k) { return CompareText(k, "Prefix") == 0; });
  if (!key_right) {
    std::string found;
    for (const std::string& k : key)
      found += (found.empty() ? "" : ", ") + k;
    problems.push_back("primary key: " + (found.empty() ? std::string("none") : "(" + found + ")") +
                       "; needs (GenID, Prefix)");
  }
  return problems;
}

namespace {

// The columns of each unique index of the table (without a condition or
// expression), one index per entry, as the catalog names them.
std::vector<std::vector<std::string>> UniqueIndexes(TDatabase& database, const std::string& name) {
  std::vector<std::vector<std::string>> indexes;
  if (database.Kind() == "sqlite") {
    for (const auto& index : database.Query("SELECT name FROM pragma_index_list(?) "
                                            "WHERE \"unique\" = 1 AND partial = 0",
                                            {Variant(name)})) {
      std::vector<std::string> columns;
      for (const auto& column : database.Query("SELECT name FROM pragma_index_info(?)", {index[0]}))
        columns.push_back(column[0].IsNull() ? "" : column[0].ToString());
      indexes.push_back(columns);
    }
    return indexes;
  }
  const auto rows = database.Query(
      "SELECT i.indexrelid::int8, a.attname FROM pg_catalog.pg_index i "
      "JOIN pg_catalog.pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = ANY (i.indkey) "
      "WHERE i.indrelid = to_regclass(quote_ident(?)) AND i.indisunique "
      "AND i.indpred IS NULL AND i.indexprs IS NULL ORDER BY 1",
      {Variant(name)});
  std::int64_t current = -1;
  for (const auto& row : rows) {
    if (row[0].ToInt64() != current)
      indexes.emplace_back();
    current = row[0].ToInt64();
    indexes.back().push_back(row[1].ToString());
  }
  return indexes;
}

}  // namespace

bool HasUniqueSequenceKey(TDatabase& database, const std::string& table) {
  for (const std::vector<std::string>& columns :
       UniqueIndexes(database, DatabaseName(table, database))) {
    const bool within = std::all_of(columns.begin(), columns.end(), [](const std::string& c) {
      return CompareText(c, "GenID") == 0 || CompareText(c, "Prefix") == 0;
    });
    if (within && !columns.empty())
      return true;
  }
  return false;
}

bool EnsureGeneratorTable(TDatabase& database, const std::string& table) {
  database.Open();
  const std::string name = DatabaseName(table, database);
  bool created = false;
  if (!database.TableExists(name)) {
    try {
      database.Execute(CreateStatement(database.QuoteIdentifier(name), database.Kind()));
      created = true;
    } catch (const EDatabaseError&) {
      // Another program may have made it a moment ago; then check that one.
      if (!database.TableExists(name))
        throw;
    }
  }
  const std::vector<std::string> problems = CheckGeneratorTable(database, table);
  if (!problems.empty()) {
    std::string text =
        "Table '" + table + "' in " + database.DisplayURI() + " is not a generator table:";
    for (const std::string& problem : problems)
      text += "\n  " + problem;
    text += "\nThe table was left unchanged; use another table name, or fix the table.";
    throw Exception(text);
  }
  return created;
}

}  // namespace qgen
