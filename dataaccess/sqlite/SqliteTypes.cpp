#include "dataaccess/sqlite/SqliteTypes.h"

#include <cstdint>
#include <cstdlib>

#include "framework/Exception.h"
#include "framework/Text.h"

namespace qgen {

namespace {

// The numbers in a declaration such as "NUMERIC(10, 2)": precision and scale.
void DeclaredNumbers(const std::string& declared, int& first, int& second) {
  first = second = 0;
  const std::size_t open = declared.find('(');
  if (open == std::string::npos)
    return;
  char* end = nullptr;
  first = static_cast<int>(std::strtol(declared.c_str() + open + 1, &end, 10));
  while (*end == ' ')
    ++end;
  if (*end == ',')
    second = static_cast<int>(std::strtol(end + 1, nullptr, 10));
}

}  // namespace

TFieldType SqliteFieldType(const std::string& declared_type, int& size) {
  const std::string t = UpperCaseAscii(declared_type);
  int first = 0;
  int second = 0;
  DeclaredNumbers(t, first, second);
  size = 0;
  auto has = [&](const char* part) { return t.find(part) != std::string::npos; };
  // SQLite's affinity rules, in SQLite's order: INT, then text, then blob, then real.
  if (has("INT")) {
    if (has("BIGINT") || has("INT8"))
      return ftLargeint;
    if (has("SMALLINT") || has("TINYINT") || has("INT2"))
      return ftSmallint;
    return ftInteger;
  }
  if (has("CHAR") || has("CLOB") || has("TEXT")) {
    size = first;
    // NCHAR, NVARCHAR, NATIONAL CHARACTER, NATIVE CHARACTER, NTEXT...
    return t[0] == 'N' ? ftWideString : ftString;
  }
  if (t.empty())
    return ftUnknown;
  if (has("BLOB"))
    return ftBlob;
  if (has("REAL") || has("FLOA") || has("DOUB"))
    return ftFloat;
  if (has("NUMERIC") || has("DECIMAL"))
    return second > 0 ? ftFloat : ftBCD;
  if (has("BOOL"))
    return ftBoolean;
  if (has("DATETIME") || has("TIMESTAMP"))
    return ftDateTime;
  if (has("DATE"))
    return ftDate;
  if (has("TIME"))
    return ftTime;
  return ftBCD;
}

Variant SqliteColumnValue(sqlite3_stmt* stmt, int i) {
  switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_INTEGER:
      return Variant(static_cast<std::int64_t>(sqlite3_column_int64(stmt, i)));
    case SQLITE_FLOAT:
      return Variant(sqlite3_column_double(stmt, i));
    case SQLITE_TEXT: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
      return Variant(std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i))));
    }
    case SQLITE_BLOB: {
      const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, i));
      const auto size = static_cast<std::size_t>(sqlite3_column_bytes(stmt, i));
      return Variant(data ? std::string(data, size) : std::string());
    }
    default:
      return Variant();
  }
}

int BindSqliteValue(sqlite3_stmt* stmt, int index, const Variant& value) {
  switch (value.Type()) {
    case VarType::Null:
      return sqlite3_bind_null(stmt, index);
    case VarType::Integer:
      return sqlite3_bind_int64(stmt, index, value.ToInt64());
    case VarType::Float:
      return sqlite3_bind_double(stmt, index, value.ToDouble());
    case VarType::String: {
      const std::string text = value.ToString();
      return sqlite3_bind_text64(stmt, index, text.data(), text.size(), SQLITE_TRANSIENT,
                                 SQLITE_UTF8);
    }
    case VarType::Array:
      break;
  }
  throw EDatabaseError("An array of values cannot be stored in one column");
}

}  // namespace qgen
