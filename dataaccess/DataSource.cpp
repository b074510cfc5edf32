#include "dataaccess/DataSource.h"

#include <algorithm>
#include <exception>

#include "framework/Exception.h"

namespace qgen {

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  const std::vector<TDataLink*> links = links_;
  links_.clear();
  for (TDataLink* link : links)
    link->DataSourceDestroyed();
  if (dataset_) {
    dataset_->DetachDataSource(this);
    RemoveFreeNotification(dataset_);
    dataset_ = nullptr;
  }
}

void TDataSource::SetDataSet(TDataSet* dataset) {
  if (dataset == dataset_)
    return;
  if (dataset_) {
    dataset_->DetachDataSource(this);
    RemoveFreeNotification(dataset_);
  }
  dataset_ = dataset;
  if (dataset_) {
    dataset_->AttachDataSource(this);
    FreeNotification(dataset_);
  }
  // Links bound to fields of the former dataset must rebind even when the new
  // dataset happens to be in the same state.
  if (State() == last_state_) {
    const std::vector<TDataLink*> links = links_;
    for (TDataLink* link : links) {
      if (std::find(links_.begin(), links_.end(), link) != links_.end())
        link->StateChanged();
    }
  }
  StateChanged();
}

TDataSetState TDataSource::State() const {
  return dataset_ ? dataset_->State() : dsInactive;
}

void TDataSource::StateChanged() {
  const TDataSetState now = State();
  if (now == last_state_)
    return;
  last_state_ = now;
  std::exception_ptr failure;
  const std::vector<TDataLink*> links = links_;
  for (TDataLink* link : links) {
    if (std::find(links_.begin(), links_.end(), link) == links_.end())
      continue;
    try {
      link->StateChanged();
    } catch (...) {
      if (!failure)
        failure = std::current_exception();
    }
  }
  if (OnStateChange && !InState(csDestroying))
    OnStateChange(this);
  if (failure)
    std::rethrow_exception(failure);
}

void TDataSource::AddDataLink(TDataLink* link) {
  if (link && std::find(links_.begin(), links_.end(), link) == links_.end()) {
    links_.push_back(link);
  }
}

void TDataSource::RemoveDataLink(TDataLink* link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  // A dataset being destroyed has only its component part left: it is not
  // called back, only forgotten. One that its owner merely lets go of is still
  // alive and must be detached, or it would call into this data source later.
  if (operation == opRemove && dataset_ && component == dataset_) {
    if (!component->InState(csDestroying)) {
      SetDataSet(nullptr);
      return;
    }
    dataset_ = nullptr;
    StateChanged();
  }
}

TDataLink::~TDataLink() {
  if (source_)
    source_->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* source) {
  if (source == source_)
    return;
  if (source_)
    source_->RemoveDataLink(this);
  source_ = source;
  if (source_)
    source_->AddDataLink(this);
  StateChanged();
}

bool TDataLink::Active() const {
  const TDataSet* dataset = DataSet();
  return dataset && dataset->Active();
}

TDataSet* TDataLink::DataSet() const {
  return source_ ? source_->DataSet() : nullptr;
}

void TDataLink::DataSourceDestroyed() {
  source_ = nullptr;
  StateChanged();
}

void TFieldDataLink::SetFieldName(const std::string& name) {
  field_name_ = name;
  UpdateField(true);
}

bool TFieldDataLink::CanModify() const {
  return field_ && field_->CanModify();
}

void TFieldDataLink::StateChanged() {
  // A missing field is reported when the dataset opens, not on every later
  // state change.
  const bool was_active = was_active_;
  was_active_ = Active();
  UpdateField(was_active_ && !was_active);
}

void TFieldDataLink::UpdateField(bool report_missing) {
  field_ = nullptr;
  if (!Active() || field_name_.empty())
    return;
  field_ = DataSet()->FindField(field_name_);
  if (!field_ && report_missing) {
    throw EDatabaseError(DataSet()->Name().empty()
                             ? "Field '" + field_name_ + "' not found"
                             : DataSet()->Name() + ": Field '" + field_name_ + "' not found");
  }
}

}  // namespace qgen
