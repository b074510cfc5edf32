// Values between SQLite and ours: the field type of a column from its declared
// type, a result column as a Variant, and a Variant bound as a parameter.
// Used by the SQLite backend only; any thread may call them.
#pragma once

#include <sqlite3.h>

#include <string>

#include "dataaccess/Field.h"
#include "framework/Variant.h"

namespace qgen {

// The field type of a column as SQLite declares it ("REAL", "VARCHAR(100)",
// "NUMERIC(10,2)", ...), following SQLite's own affinity rules; `size` receives
// a declared character width or 0.
TFieldType SqliteFieldType(const std::string& declared_type, int& size);

// Column `i` of the row `stmt` stands on: integers, doubles, text (UTF-8) and
// blobs (raw bytes in a string) as they are stored; NULL as null.
Variant SqliteColumnValue(sqlite3_stmt* stmt, int i);

// Binds `value` to parameter `index` (from 1) of `stmt`; returns SQLite's
// result code. Raises EDatabaseError for an array, which no column holds.
int BindSqliteValue(sqlite3_stmt* stmt, int index, const Variant& value);

}  // namespace qgen
