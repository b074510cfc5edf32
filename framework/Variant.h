// Variant: a value of a field or a key: null, a whole number, a floating-point
// number, a string (engine code page), or an array of variants. It carries the
// equality, ordering, "+ 1" and to-string rules that the components rely on.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace qgen {

enum class VarType { Null, Integer, Float, String, Array };

class Variant {
 public:
  Variant() = default;
  Variant(std::nullptr_t) {}                                  // NOLINT
  Variant(int value) : value_(std::int64_t{value}) {}         // NOLINT
  Variant(std::int64_t value) : value_(value) {}              // NOLINT
  Variant(double value) : value_(value) {}                    // NOLINT
  Variant(std::string value) : value_(std::move(value)) {}    // NOLINT
  Variant(const char* value) : value_(std::string(value)) {}  // NOLINT

  // A variant array, e.g. the key values of Locate.
  static Variant Array(std::vector<Variant> items);

  VarType Type() const;
  bool IsNull() const { return Type() == VarType::Null; }
  bool IsArray() const { return Type() == VarType::Array; }
  bool IsNumeric() const { return Type() == VarType::Integer || Type() == VarType::Float; }

  // Conversions. Null gives "" / 0; a string must hold a number in decimal
  // notation for the numeric ones; an array converts to nothing. Failures raise
  // EConvertError.
  std::string ToString() const;
  std::int64_t ToInt64() const;
  double ToDouble() const;

  // Array access; raises EConvertError on a non-array or a bad index.
  std::size_t ArraySize() const;
  const Variant& operator[](std::size_t index) const;

  // Equality: null equals only null; numbers compare by value; a number and a
  // string compare as numbers when the string holds one, else as text; strings
  // compare byte for byte (case-sensitive). Arrays compare item by item.
  friend bool operator==(const Variant& a, const Variant& b);
  // Ordering for numbers and strings as for equality; null sorts before all.
  friend bool operator<(const Variant& a, const Variant& b);
  friend bool operator>(const Variant& a, const Variant& b) { return b < a; }

  // Arithmetic addition of a whole number: null stays null; a string holding a
  // number is added as a number; other strings, and a whole-number sum beyond
  // 64 bits, raise EConvertError.
  Variant operator+(std::int64_t n) const;

 private:
  std::variant<std::monostate, std::int64_t, double, std::string, std::vector<Variant>> value_;
};

}  // namespace qgen
