// Values between libpq's text form and ours: the field type of a column from
// its type OID, a result value as a Variant, and a Variant as parameter text.
// Used by the PostgreSQL backend only; any thread may call them.
#pragma once

#include <optional>
#include <string>

#include "dataaccess/Field.h"
#include "framework/Variant.h"

namespace qgen {

// The field type of a column of type `oid` with type modifier `typmod`
// (precision and scale of numeric, width of varchar); `size` receives a
// declared character width or 0.
TFieldType PostgresFieldType(unsigned oid, int typmod, int& size);

// A result value in libpq's text form (`length` bytes, not null) of a column
// of type `oid`: booleans and integers as integers, floats as doubles, a
// numeric as a double when a double holds every digit of it, else as its text;
// text (UTF-8) and bytea (its hex form) as strings.
Variant PostgresValue(unsigned oid, const char* text, int length);

// The text a parameter is sent as; nullopt for NULL. A double is written with
// the fewest digits that read back as the same double. Raises EDatabaseError
// for an array, which no single column holds.
std::optional<std::string> PostgresParameter(const Variant& value);

}  // namespace qgen
