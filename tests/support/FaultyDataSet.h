// FaultyDataSet: a dataset for tests that forwards every operation to a real
// TDataSet and can be told to make Edit or Post fail, a given number of times
// or from now on, or to run a piece of test code just before a Post (to let
// "another program" change the row at the worst moment).
#pragma once

#include <functional>
#include <string>

#include "dataaccess/DataSet.h"

namespace qgen::test {

class FaultyDataSet : public TDataSet {
 public:
  // Wraps `inner`, which must outlive this wrapper and is not owned.
  explicit FaultyDataSet(TDataSet& inner);
  ~FaultyDataSet() override;

  // After letting `after` calls through, the next `times` calls raise
  // EDatabaseError before reaching the real dataset; a failed Post keeps the
  // change pending, as a real failure does.
  void FailEdit(int times, int after = 0) {
    edit_failures_ = times;
    edit_passes_ = after;
  }
  void FailPost(int times, int after = 0) {
    post_failures_ = times;
    post_passes_ = after;
  }
  // Every call fails from now on (true) or none does (false).
  void FailEditAlways(bool on) { FailEdit(on ? kAlways : 0); }
  void FailPostAlways(bool on) { FailPost(on ? kAlways : 0); }

  // Runs once, just before the next Post reaches the real dataset.
  std::function<void()> BeforeNextPost;
  // Runs after every Post that succeeded.
  std::function<void()> AfterPost;

  // What the wrapped dataset was asked to do (failed calls included).
  int EditCalls = 0;
  int PostCalls = 0;
  int CancelCalls = 0;
  int InsertCalls = 0;
  int LocateCalls = 0;

  TDataSet& Inner() const { return inner_; }

  void Open() override;
  void Close() override;
  bool Active() const override;
  TDataSetState State() const override;
  int FieldCount() const override;
  TField* Fields(int index) const override;
  TField* FindField(const std::string& name) const override;
  bool Locate(const std::string& key_fields, const Variant& key_values) override;
  void Insert() override;
  void Edit() override;
  void Post() override;
  void Cancel() override;
  void First() override;
  void Next() override;
  bool Eof() const override;
  bool CanModify() const override;

 private:
  static constexpr int kAlways = -1;
  // True (and one failure used up) when the call is to fail.
  static bool Due(int& passes, int& failures);

  TDataSet& inner_;
  int edit_passes_ = 0;
  int edit_failures_ = 0;
  int post_passes_ = 0;
  int post_failures_ = 0;
};

}  // namespace qgen::test
