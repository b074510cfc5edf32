#include "dataaccess/Field.h"

#include <cmath>

#include "dataaccess/DataSet.h"
#include "framework/Exception.h"
#include "framework/Text.h"

namespace qgen {

namespace {

bool IsIntegerType(TFieldType type) {
  return type == ftSmallint || type == ftInteger || type == ftLargeint;
}

}  // namespace

TField::TField(TDataSet* dataset, std::string name, TFieldType type, int size)
    : dataset_(dataset), name_(std::move(name)), type_(type), size_(size) {}

bool TField::CanModify() const {
  return !read_only_ && dataset_ && dataset_->CanModify();
}

void TField::SetValue(const Variant& value) {
  if (!dataset_ || (dataset_->State() != dsEdit && dataset_->State() != dsInsert)) {
    throw EDatabaseError("Dataset not in edit or insert mode (writing field '" + name_ + "')");
  }
  if (!CanModify())
    throw EDatabaseError("Field '" + name_ + "' cannot be modified");
  value_ = Coerce(value);
  modified_ = true;
}

Variant TField::Coerce(const Variant& value) const {
  if (value.IsNull())
    return value;
  if (value.IsArray()) {
    throw EConvertError("An array of values cannot be stored in field '" + name_ + "'");
  }
  switch (type_) {
    case ftString:
    case ftWideString:
    case ftMemo:
      return Variant(value.ToString());
    case ftFloat:
      try {
        return Variant(value.ToDouble());
      } catch (const EConvertError&) {
        throw EConvertError("'" + value.ToString() +
                            "' is not a valid floating point value for field '" + name_ + "'");
      }
    case ftBCD:
      // Exact numbers keep their form; text must hold a number.
      try {
        (void)value.ToDouble();
      } catch (const EConvertError&) {
        throw EConvertError("'" + value.ToString() + "' is not a valid number for field '" + name_ +
                            "'");
      }
      return value;
    case ftBoolean:
      if (value.IsNumeric())
        return Variant(std::int64_t{value.ToDouble() != 0 ? 1 : 0});
      if (CompareText(value.ToString(), "true") == 0)
        return Variant(std::int64_t{1});
      if (CompareText(value.ToString(), "false") == 0)
        return Variant(std::int64_t{0});
      throw EConvertError("'" + value.ToString() + "' is not a valid boolean value for field '" +
                          name_ + "'");
    default:
      break;
  }
  if (IsIntegerType(type_)) {
    double number = 0;
    try {
      number = value.ToDouble();
    } catch (const EConvertError&) {
      number = NAN;
    }
    if (!std::isfinite(number) || std::nearbyint(number) != number) {
      throw EConvertError("'" + value.ToString() + "' is not a valid integer value for field '" +
                          name_ + "'");
    }
    return Variant(value.ToInt64());
  }
  return value;
}

}  // namespace qgen
