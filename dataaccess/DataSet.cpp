#include "dataaccess/DataSet.h"

#include <algorithm>
#include <exception>

#include "dataaccess/DataSource.h"
#include "framework/Exception.h"
#include "framework/Text.h"

namespace qgen {

TDataSet::TDataSet(TComponent* owner) : TComponent(owner) {}

TDataSet::~TDataSet() {
  // Data sources that still point here let go now, while this is a dataset.
  const std::vector<TDataSource*> sources = sources_;
  for (TDataSource* source : sources)
    source->SetDataSet(nullptr);
}

std::string TDataSet::DisplayName() const {
  return Name().empty() ? "Dataset" : Name();
}

void TDataSet::Unsupported(const char* operation) const {
  throw EDatabaseError(DisplayName() + ": " + operation + " is not supported by this dataset");
}

void TDataSet::CheckNoPendingChange(const char* operation) const {
  if (State() == dsEdit || State() == dsInsert) {
    throw EDatabaseError(DisplayName() + ": cannot " + operation +
                         " while a change is pending; Post or Cancel it first");
  }
}

void TDataSet::Open() {
  Unsupported("Open");
}

void TDataSet::Close() {
  SetState(dsInactive);
}

int TDataSet::FieldCount() const {
  return static_cast<int>(fields_.size());
}

TField* TDataSet::Fields(int index) const {
  if (index < 0 || index >= FieldCount()) {
    throw EDatabaseError(DisplayName() + ": field index " + std::to_string(index) +
                         " out of range");
  }
  return fields_[static_cast<std::size_t>(index)].get();
}

TField* TDataSet::FindField(const std::string& name) const {
  for (const auto& field : fields_) {
    if (CompareText(field->FieldName(), name) == 0)
      return field.get();
  }
  return nullptr;
}

TField* TDataSet::FieldByName(const std::string& name) const {
  TField* field = FindField(name);
  if (!field)
    throw EDatabaseError(DisplayName() + ": Field '" + name + "' not found");
  return field;
}

bool TDataSet::Locate(const std::string& /*key_fields*/, const Variant& /*key_values*/) {
  Unsupported("Locate");
}

void TDataSet::Insert() {
  Unsupported("Insert");
}

void TDataSet::Edit() {
  Unsupported("Edit");
}

void TDataSet::Post() {
  Unsupported("Post");
}

void TDataSet::Cancel() {
  if (State() == dsEdit || State() == dsInsert)
    SetState(dsBrowse);
}

void TDataSet::First() {
  CheckNoPendingChange("move to the first record");
}

void TDataSet::Next() {
  CheckNoPendingChange("move to the next record");
}

bool TDataSet::Eof() const {
  return true;
}

bool TDataSet::CanModify() const {
  return false;
}

void TDataSet::AttachDataSource(TDataSource* source) {
  if (source && std::find(sources_.begin(), sources_.end(), source) == sources_.end()) {
    sources_.push_back(source);
  }
}

void TDataSet::DetachDataSource(TDataSource* source) {
  sources_.erase(std::remove(sources_.begin(), sources_.end(), source), sources_.end());
}

void TDataSet::SetState(TDataSetState state) {
  if (state == state_)
    return;
  state_ = state;
  // Every data source hears of the change even when one of them raises; the
  // first failure is passed on afterwards.
  std::exception_ptr failure;
  const std::vector<TDataSource*> sources = sources_;
  for (TDataSource* source : sources) {
    if (std::find(sources_.begin(), sources_.end(), source) == sources_.end())
      continue;
    try {
      source->StateChanged();
    } catch (...) {
      if (!failure)
        failure = std::current_exception();
    }
  }
  if (failure)
    std::rethrow_exception(failure);
}

void TDataSet::ClearFields() {
  fields_.clear();
}

TField* TDataSet::AddField(std::string name, TFieldType type, int size) {
  fields_.push_back(std::make_unique<TField>(this, std::move(name), type, size));
  return fields_.back().get();
}

}  // namespace qgen
