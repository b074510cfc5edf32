#include "framework/Variant.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "framework/Exception.h"

namespace qgen {

namespace {

// Parses the whole text as a number; false when it is not one.
bool ParseNumber(const std::string& text, double& out, bool& integral, std::int64_t& whole) {
  std::size_t b = 0;
  std::size_t e = text.size();
  while (b < e && text[b] == ' ')
    ++b;
  while (e > b && text[e - 1] == ' ')
    --e;
  if (b == e)
    return false;
  const std::string t = text.substr(b, e - b);
  // Decimal notation only: strtod alone would also take "inf", "nan" and hex.
  if (t.find_first_not_of("+-.0123456789eE") != std::string::npos)
    return false;
  char* end = nullptr;
  errno = 0;
  const long long ll = std::strtoll(t.c_str(), &end, 10);
  if (end && *end == '\0' && errno == 0) {
    integral = true;
    whole = ll;
    out = static_cast<double>(ll);
    return true;
  }
  errno = 0;
  const double d = std::strtod(t.c_str(), &end);
  if (!end || *end != '\0' || errno == ERANGE || std::isnan(d))
    return false;
  integral = false;
  out = d;
  return true;
}

int CompareNumbers(const Variant& a, const Variant& b) {
  if (a.Type() == VarType::Integer && b.Type() == VarType::Integer) {
    const auto x = a.ToInt64();
    const auto y = b.ToInt64();
    return x < y ? -1 : x > y ? 1 : 0;
  }
  const double x = a.ToDouble();
  const double y = b.ToDouble();
  return x < y ? -1 : x > y ? 1 : 0;
}

// Compares two non-null, non-array variants; sets `ok` false when they are not comparable.
int CompareScalars(const Variant& a, const Variant& b) {
  if (a.IsNumeric() && b.IsNumeric())
    return CompareNumbers(a, b);
  if (a.Type() == VarType::String && b.Type() == VarType::String) {
    const int c = a.ToString().compare(b.ToString());
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  // A number and a string: as numbers when the string holds one, else as text.
  const Variant& s = a.Type() == VarType::String ? a : b;
  double d = 0;
  bool integral = false;
  std::int64_t whole = 0;
  if (ParseNumber(s.ToString(), d, integral, whole)) {
    const Variant n = integral ? Variant(whole) : Variant(d);
    return a.Type() == VarType::String ? CompareNumbers(n, b) : CompareNumbers(a, n);
  }
  const int c = a.ToString().compare(b.ToString());
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

std::int64_t AddWhole(std::int64_t a, std::int64_t b) {
  std::int64_t sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) {
    throw EConvertError("Variant overflow: " + std::to_string(a) + " + " + std::to_string(b) +
                        " is beyond the range of a 64-bit whole number");
  }
  return sum;
}

}  // namespace

Variant Variant::Array(std::vector<Variant> items) {
  Variant v;
  v.value_ = std::move(items);
  return v;
}

VarType Variant::Type() const {
  return static_cast<VarType>(value_.index());
}

std::string Variant::ToString() const {
  switch (Type()) {
    case VarType::Null:
      return "";
    case VarType::Integer:
      return std::to_string(std::get<std::int64_t>(value_));
    case VarType::Float: {
      const double d = std::get<double>(value_);
      if (std::nearbyint(d) == d && std::fabs(d) < 1e15) {
        return std::to_string(static_cast<std::int64_t>(d));
      }
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%.15g", d);
      return buffer;
    }
    case VarType::String:
      return std::get<std::string>(value_);
    case VarType::Array:
      break;
  }
  throw EConvertError("Could not convert variant of type (Array) into type (String)");
}

std::int64_t Variant::ToInt64() const {
  switch (Type()) {
    case VarType::Null:
      return 0;
    case VarType::Integer:
      return std::get<std::int64_t>(value_);
    case VarType::Float: {
      const double d = std::get<double>(value_);
      if (!std::isfinite(d) || std::fabs(d) > 9.2e18)
        break;
      return static_cast<std::int64_t>(std::llround(d));
    }
    case VarType::String: {
      double d = 0;
      bool integral = false;
      std::int64_t whole = 0;
      if (ParseNumber(std::get<std::string>(value_), d, integral, whole)) {
        if (integral)
          return whole;
        if (std::fabs(d) < 9.2e18)
          return static_cast<std::int64_t>(std::llround(d));
      }
      throw EConvertError("Could not convert variant of type (String) '" +
                          std::get<std::string>(value_) + "' into type (Integer)");
    }
    case VarType::Array:
      break;
  }
  throw EConvertError("Could not convert variant into type (Integer)");
}

double Variant::ToDouble() const {
  switch (Type()) {
    case VarType::Null:
      return 0;
    case VarType::Integer:
      return static_cast<double>(std::get<std::int64_t>(value_));
    case VarType::Float:
      return std::get<double>(value_);
    case VarType::String: {
      double d = 0;
      bool integral = false;
      std::int64_t whole = 0;
      if (ParseNumber(std::get<std::string>(value_), d, integral, whole))
        return d;
      throw EConvertError("Could not convert variant of type (String) '" +
                          std::get<std::string>(value_) + "' into type (Double)");
    }
    case VarType::Array:
      break;
  }
  throw EConvertError("Could not convert variant of type (Array) into type (Double)");
}

std::size_t Variant::ArraySize() const {
  if (!IsArray())
    throw EConvertError("Variant is not an array");
  return std::get<std::vector<Variant>>(value_).size();
}

const Variant& Variant::operator[](std::size_t index) const {
  if (!IsArray())
    throw EConvertError("Variant is not an array");
  const auto& items = std::get<std::vector<Variant>>(value_);
  if (index >= items.size())
    throw EConvertError("Variant array index out of bounds");
  return items[index];
}

bool operator==(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull())
    return a.IsNull() && b.IsNull();
  if (a.IsArray() || b.IsArray()) {
    if (!(a.IsArray() && b.IsArray()) || a.ArraySize() != b.ArraySize())
      return false;
    for (std::size_t i = 0; i < a.ArraySize(); ++i) {
      if (!(a[i] == b[i]))
        return false;
    }
    return true;
  }
  return CompareScalars(a, b) == 0;
}

bool operator<(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull())
    return a.IsNull() && !b.IsNull();
  if (a.IsArray() || b.IsArray())
    throw EConvertError("Variant arrays cannot be ordered");
  return CompareScalars(a, b) < 0;
}

Variant Variant::operator+(std::int64_t n) const {
  switch (Type()) {
    case VarType::Null:
      return Variant();
    case VarType::Integer:
      return Variant(AddWhole(std::get<std::int64_t>(value_), n));
    case VarType::Float:
      return Variant(std::get<double>(value_) + static_cast<double>(n));
    case VarType::String: {
      double d = 0;
      bool integral = false;
      std::int64_t whole = 0;
      if (ParseNumber(std::get<std::string>(value_), d, integral, whole)) {
        return integral ? Variant(AddWhole(whole, n)) : Variant(d + static_cast<double>(n));
      }
      return Variant(ToDouble() + static_cast<double>(n));  // raises EConvertError
    }
    case VarType::Array:
      break;
  }
  throw EConvertError("Variant arrays cannot be added to");
}

}  // namespace qgen
