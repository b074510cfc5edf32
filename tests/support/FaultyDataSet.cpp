#include "tests/support/FaultyDataSet.h"

#include <utility>

#include "framework/Exception.h"

namespace qgen::test {

FaultyDataSet::FaultyDataSet(TDataSet& inner) : TDataSet(nullptr), inner_(inner) {}

FaultyDataSet::~FaultyDataSet() = default;

bool FaultyDataSet::Due(int& passes, int& failures) {
  if (failures == 0)
    return false;
  if (passes > 0) {
    --passes;
    return false;
  }
  if (failures == kAlways)
    return true;
  --failures;
  return true;
}

void FaultyDataSet::Open() {
  inner_.Open();
}
void FaultyDataSet::Close() {
  inner_.Close();
}
bool FaultyDataSet::Active() const {
  return inner_.Active();
}
TDataSetState FaultyDataSet::State() const {
  return inner_.State();
}
int FaultyDataSet::FieldCount() const {
  return inner_.FieldCount();
}
TField* FaultyDataSet::Fields(int index) const {
  return inner_.Fields(index);
}
TField* FaultyDataSet::FindField(const std::string& name) const {
  return inner_.FindField(name);
}

bool FaultyDataSet::Locate(const std::string& key_fields, const Variant& key_values) {
  ++LocateCalls;
  return inner_.Locate(key_fields, key_values);
}

void FaultyDataSet::Insert() {
  ++InsertCalls;
  inner_.Insert();
}

void FaultyDataSet::Edit() {
  ++EditCalls;
  if (Due(edit_passes_, edit_failures_))
    throw EDatabaseError("injected failure of Edit");
  inner_.Edit();
}

void FaultyDataSet::Post() {
  ++PostCalls;
  if (Due(post_passes_, post_failures_))
    throw EDatabaseError("injected failure of Post");
  if (BeforeNextPost) {
    auto hook = std::move(BeforeNextPost);
    BeforeNextPost = nullptr;
    hook();
  }
  inner_.Post();
  if (AfterPost)
    AfterPost();
}

void FaultyDataSet::Cancel() {
  ++CancelCalls;
  inner_.Cancel();
}

void FaultyDataSet::First() {
  inner_.First();
}
void FaultyDataSet::Next() {
  inner_.Next();
}
bool FaultyDataSet::Eof() const {
  return inner_.Eof();
}
bool FaultyDataSet::CanModify() const {
  return inner_.CanModify();
}

}  // namespace qgen::test
