// TField: one column of the current record of a dataset. Text values are in the
// engine's code page; the dataset converts them at the database boundary.
#pragma once

#include <string>

#include "framework/Object.h"
#include "framework/Variant.h"

namespace qgen {

class TDataSet;

// Field data type codes. The components rely on 1 (string), 6 (floating-point)
// and 24 (wide string); every other column kind has a code of its own.
enum TFieldType : int {
  ftUnknown = 0,
  ftString = 1,
  ftSmallint = 2,
  ftInteger = 3,
  ftBoolean = 5,
  ftFloat = 6,
  ftBCD = 8,  // exact numeric without a scale
  ftDate = 9,
  ftTime = 10,
  ftDateTime = 11,
  ftBlob = 15,
  ftMemo = 16,
  ftWideString = 24,
  ftLargeint = 25,
};

class TField : public TObject {
 public:
  TField(TDataSet* dataset, std::string name, TFieldType type, int size);

  TDataSet* DataSet() const { return dataset_; }
  const std::string& FieldName() const { return name_; }
  TFieldType DataType() const { return type_; }
  // Declared character width of a string column; 0 when unknown or unbounded.
  int Size() const { return size_; }

  // The value of the current record. Reading works in any open state; writing
  // needs the dataset in dsEdit or dsInsert and a field that CanModify, else
  // raises EDatabaseError. The value is stored in the field's kind: a number
  // for numeric fields (text that is no number raises EConvertError), text for
  // string fields.
  Variant Value() const { return value_; }
  void SetValue(const Variant& value);
  Variant AsVariant() const { return value_; }
  void SetAsVariant(const Variant& value) { SetValue(value); }
  // The value as text ("" for null); writing stores the text.
  std::string AsString() const { return value_.ToString(); }
  void SetAsString(const std::string& value) { SetValue(Variant(value)); }
  bool IsNull() const { return value_.IsNull(); }

  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }
  // True when the field may be written now or after Edit: neither the field nor
  // its dataset is read-only, and the dataset is open.
  bool CanModify() const;

  // True when the value was written since the record was loaded.
  bool Modified() const { return modified_; }

  // Used by datasets to load a record without the write checks.
  void Load(const Variant& value) {
    value_ = value;
    modified_ = false;
  }

 private:
  // `value` in the form this field keeps; raises EConvertError when it cannot.
  Variant Coerce(const Variant& value) const;

  TDataSet* dataset_;
  std::string name_;
  TFieldType type_;
  int size_;
  bool read_only_ = false;
  bool modified_ = false;
  Variant value_;
};

}  // namespace qgen
