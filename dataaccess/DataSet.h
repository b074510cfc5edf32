// TDataSet: a set of records with one current record, opened and closed, read
// by field, located by key and changed through Insert/Edit, Post and Cancel.
// TTable is the real one; every public operation is virtual so that a
// forwarding wrapper (such as a fault-injecting one in tests) can stand in: it
// forwards to an inner dataset and mirrors the inner state with SetState. The
// base class holds no records: its Open, Locate, Insert, Edit and Post raise.
// Not thread-safe: a dataset and its fields belong to the thread that uses their database.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/Field.h"
#include "framework/Component.h"
#include "framework/Event.h"
#include "framework/Variant.h"

namespace qgen {

class TDataSource;

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

using TDataSetNotifyEvent = TEvent<class TDataSet*>;

class TDataSet : public TComponent {
 public:
  explicit TDataSet(TComponent* owner);
  ~TDataSet() override;

  // Opens the dataset; an open dataset stays open. Raises EDatabaseError on failure.
  virtual void Open();
  // Closes it; a pending change is dropped (as Cancel).
  virtual void Close();
  virtual bool Active() const { return State() != dsInactive; }
  void SetActive(bool value) { value ? Open() : Close(); }
  virtual TDataSetState State() const { return state_; }

  // Fields of the open dataset, in column order.
  virtual int FieldCount() const;
  virtual TField* Fields(int index) const;
  // The field of that name (ASCII case-insensitive), or nullptr.
  virtual TField* FindField(const std::string& name) const;
  // As FindField, but raises EDatabaseError "<dataset>: Field 'NAME' not found".
  TField* FieldByName(const std::string& name) const;

  // Finds the first record whose fields named in `key_fields` (separated by ";")
  // equal `key_values` (a single value, or a variant array in that order):
  // exact, case-sensitive, read afresh from the database. True and the record
  // current, or false and the current record unchanged. Raises EDatabaseError
  // when a change is pending.
  virtual bool Locate(const std::string& key_fields, const Variant& key_values);

  // A new empty record, current and writable (dsInsert); OnNewRecord is called.
  virtual void Insert();
  // Makes the current record writable (dsEdit). Raises EDatabaseError at once on
  // a read-only dataset or when there is no current record.
  virtual void Edit();
  // Writes the pending change in one transaction and returns to dsBrowse. An
  // edited record is written only where every column still holds the value read;
  // when another program changed the row first, raises EDatabaseError
  // ("Record changed by another user"), cancels the edit and reads the row
  // again. Any other failure raises and keeps the change pending.
  virtual void Post();
  // Drops the pending change and returns to dsBrowse.
  virtual void Cancel();

  // Browsing in the dataset's natural order. Raise EDatabaseError when a change is pending.
  virtual void First();
  virtual void Next();
  virtual bool Eof() const;

  // True when records may be changed (open and not read-only).
  virtual bool CanModify() const;

  // Called for every new record while its fields are writable.
  TDataSetNotifyEvent OnNewRecord;

  // Data sources pointing at this dataset; they hear of every state change.
  void AttachDataSource(TDataSource* source);
  void DetachDataSource(TDataSource* source);

 protected:
  // Changes the state and tells every attached data source. Every source hears
  // of it even when one raises; the first failure is raised afterwards.
  void SetState(TDataSetState state);
  // The name used in messages: the component's Name, or what the dataset shows.
  virtual std::string DisplayName() const;
  // Raises EDatabaseError when a change is pending ("cannot <operation> ...").
  void CheckNoPendingChange(const char* operation) const;
  // Fields are created by the concrete dataset when it opens.
  void ClearFields();
  TField* AddField(std::string name, TFieldType type, int size);

 private:
  [[noreturn]] void Unsupported(const char* operation) const;

  TDataSetState state_ = dsInactive;
  std::vector<std::unique_ptr<TField>> fields_;
  std::vector<TDataSource*> sources_;
};

}  // namespace qgen
