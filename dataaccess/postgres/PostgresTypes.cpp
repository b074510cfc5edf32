#include "dataaccess/postgres/PostgresTypes.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "framework/Exception.h"

namespace qgen {

namespace {

// Type OIDs of the built-in types we tell apart.
enum : unsigned {
  kBool = 16,
  kBytea = 17,
  kChar = 18,
  kName = 19,
  kInt8 = 20,
  kInt2 = 21,
  kInt4 = 23,
  kText = 25,
  kOid = 26,
  kFloat4 = 700,
  kFloat8 = 701,
  kBpchar = 1042,
  kVarchar = 1043,
  kDate = 1082,
  kTime = 1083,
  kTimestamp = 1114,
  kTimestampTz = 1184,
  kTimeTz = 1266,
  kNumeric = 1700,
};

// Shortest text that reads back as the same double, in PostgreSQL's spelling.
std::string FloatText(double value) {
  if (std::isnan(value))
    return "NaN";
  if (std::isinf(value))
    return value > 0 ? "Infinity" : "-Infinity";
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// True when the decimal text has at most 15 significant digits, so that a
// double holds it exactly enough to print it back unchanged.
bool FitsDouble(const char* text) {
  int digits = 0;
  int pending_zeros = 0;
  bool started = false;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9')
      continue;
    if (*p == '0') {
      if (started)
        ++pending_zeros;
      continue;
    }
    if (started)
      digits += pending_zeros;
    pending_zeros = 0;
    started = true;
    ++digits;
  }
  return digits <= 15;
}

}  // namespace

TFieldType PostgresFieldType(unsigned oid, int typmod, int& size) {
  size = 0;
  switch (oid) {
    case kBool:
      return ftBoolean;
    case kBytea:
      return ftBlob;
    case kBpchar:
    case kVarchar:
      size = typmod >= 4 ? typmod - 4 : 0;
      return ftString;
    case kChar:
    case kName:
    case kText:
      return ftString;
    case kInt2:
      return ftSmallint;
    case kInt4:
    case kOid:
      return ftInteger;
    case kInt8:
      return ftLargeint;
    case kFloat4:
    case kFloat8:
      return ftFloat;
    case kNumeric:
      // typmod packs precision and scale; -1 is a numeric without either.
      return typmod >= 4 && ((typmod - 4) & 0xFFFF) > 0 ? ftFloat : ftBCD;
    case kDate:
      return ftDate;
    case kTime:
    case kTimeTz:
      return ftTime;
    case kTimestamp:
    case kTimestampTz:
      return ftDateTime;
    default:
      return ftUnknown;
  }
}

Variant PostgresValue(unsigned oid, const char* text, int length) {
  switch (oid) {
    case kBool:
      return Variant(std::int64_t{text[0] == 't' ? 1 : 0});
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
      return Variant(static_cast<std::int64_t>(std::strtoll(text, nullptr, 10)));
    case kFloat4:
    case kFloat8:
      return Variant(std::strtod(text, nullptr));
    case kNumeric:
      // A numeric with more digits than a double holds stays text, so that it
      // is written back and compared exactly.
      if (FitsDouble(text))
        return Variant(std::strtod(text, nullptr));
      return Variant(std::string(text));
    default:
      // Text in UTF-8; bytea in its hex form, which reads back as the same bytes.
      return Variant(std::string(text, static_cast<std::size_t>(length)));
  }
}

std::optional<std::string> PostgresParameter(const Variant& value) {
  switch (value.Type()) {
    case VarType::Null:
      return std::nullopt;
    case VarType::Float:
      return FloatText(value.ToDouble());
    case VarType::Array:
      throw EDatabaseError("An array of values cannot be stored in one column");
    default:
      return value.ToString();
  }
}

}  // namespace qgen
