// TDataSource points at a dataset and passes its state changes on, to its
// OnStateChange event and to the data links that use it. TFieldDataLink binds
// one field of that dataset, by name, while the dataset is open.
// Not thread-safe: a data source and its links belong to the thread of their dataset.
#pragma once

#include <string>
#include <vector>

#include "dataaccess/DataSet.h"
#include "framework/Component.h"
#include "framework/Event.h"

namespace qgen {

class TDataLink;

class TDataSource : public TComponent {
 public:
  explicit TDataSource(TComponent* owner);
  ~TDataSource() override;

  TDataSet* DataSet() const { return dataset_; }
  // Points at `dataset` (or none); hears of its destruction and lets go of it.
  void SetDataSet(TDataSet* dataset);
  // The dataset's state, dsInactive when there is none.
  TDataSetState State() const;

  // Called with this data source on every state change of its dataset, and
  // when pointing at another dataset changes State.
  TNotifyEvent OnStateChange;

  // Called by the dataset on each state change: tells the data links, then
  // OnStateChange. A link that raises (a field name the dataset does not have)
  // does not stop the others; its failure is raised afterwards.
  void StateChanged();

  void AddDataLink(TDataLink* link);
  void RemoveDataLink(TDataLink* link);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TDataSet* dataset_ = nullptr;
  TDataSetState last_state_ = dsInactive;  // the state last passed on
  std::vector<TDataLink*> links_;
};

// A connection from a consumer to a data source; told when the dataset's state changes.
class TDataLink : public TObject {
 public:
  TDataLink() = default;
  ~TDataLink() override;

  TDataSource* DataSource() const { return source_; }
  void SetDataSource(TDataSource* source);
  // True while the data source's dataset is open.
  bool Active() const;
  TDataSet* DataSet() const;

  // Called by the data source (also with none when it goes away).
  virtual void StateChanged() {}
  void DataSourceDestroyed();

 private:
  TDataSource* source_ = nullptr;
};

class TFieldDataLink : public TDataLink {
 public:
  TFieldDataLink() = default;

  const std::string& FieldName() const { return field_name_; }
  // Sets the name and binds the field at once when the dataset is open. A name
  // that the open dataset does not have raises EDatabaseError.
  void SetFieldName(const std::string& name);
  // The bound field while the dataset is open, else nullptr.
  TField* Field() const { return field_; }
  // True only when a field is bound and may be written (TField::CanModify).
  bool CanModify() const;

  void StateChanged() override;

 private:
  // Binds the field while the dataset is open; `report_missing` raises
  // EDatabaseError when the open dataset has no field of that name.
  void UpdateField(bool report_missing);

  std::string field_name_;
  TField* field_ = nullptr;
  bool was_active_ = false;
};

}  // namespace qgen
