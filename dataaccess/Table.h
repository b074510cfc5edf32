// TTable: a dataset over one table of a TDatabase. Locate reads the row afresh;
// each Post is one transaction; an edit is written with optimistic
// concurrency (only where every column still holds the value it had when read).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/DataSet.h"
#include "dataaccess/Database.h"

namespace qgen {

class TTable : public TDataSet {
 public:
  explicit TTable(TComponent* owner);
  ~TTable() override;

  TDatabase* Database() const { return database_; }
  // The database the table lives in; hears of its destruction and lets go.
  void SetDatabase(TDatabase* database);
  const std::string& TableName() const { return table_name_; }
  void SetTableName(const std::string& name);
  // A read-only table refuses Insert and Edit at once.
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }

  void Open() override;
  void Close() override;
  bool Locate(const std::string& key_fields, const Variant& key_values) override;
  void Insert() override;
  void Edit() override;
  void Post() override;
  void Cancel() override;
  void First() override;
  void Next() override;
  bool Eof() const override;
  bool CanModify() const override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  struct Impl;
  TDatabase* database_ = nullptr;
  std::string table_name_;
  bool read_only_ = false;
  std::unique_ptr<Impl> impl_;  // cursor, row identity and the values as read
};

}  // namespace qgen
