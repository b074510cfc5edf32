// Shared set-up of the unique-key tests: a real SQLite table with a data
// source, and a TUniKEY that counts the time stamps it makes.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/DataSource.h"
#include "dataaccess/Database.h"
#include "dataaccess/Table.h"
#include "framework/Clock.h"
#include "tests/support/TestSupport.h"
#include "unikey/UniKEY.h"

namespace qgen::test {

// A TUniKEY whose state the tests can see, counting its GetTimeStamp calls.
class ProbeKey : public TUniKEY {
 public:
  using TUniKEY::Day;
  using TUniKEY::Hooked;
  using TUniKEY::LastKey;
  using TUniKEY::MSec;
  using TUniKEY::StampTime;
  using TUniKEY::TUniKEY;
  using TUniKEY::Year;

  std::string GetTimeStamp() override {
    ++stamps;
    return TUniKEY::GetTimeStamp();
  }
  int stamps = 0;
};

// Installs a clock that reads `time` for the first `still` readings and one
// millisecond later from then on; puts the system clock back when destroyed.
class StepClock {
 public:
  StepClock(TDateTime time, int still);
  StepClock(const StepClock&) = delete;
  StepClock& operator=(const StepClock&) = delete;
  ~StepClock();
  int reads = 0;

 private:
  TDateTime time_;
  int still_;
};

TDateTime At(int year, int month, int day, int hour, int min, int sec, int msec);

// Table "orders" (id TEXT, note TEXT, code VARCHAR(10), qty INTEGER) in a fresh
// SQLite file, a data source on it, and a ProbeKey (not yet attached).
class UniKeyTest : public ::testing::Test {
 protected:
  UniKeyTest();

  // Another table on the same database: "orders" or `name` (created when missing).
  std::unique_ptr<TTable> NewTable(const std::string& name = "orders");
  // Points the key at `source` and field "id".
  void Attach(TDataSource& data_source);
  // Inserts and posts one record into `t`; returns what its "id" field held.
  std::string InsertOne(TTable& t);
  // The ids stored in table `name`, in the order of insertion.
  std::vector<std::string> StoredIds(const std::string& name = "orders");

  TempDir dir;
  TDatabase db{nullptr};
  std::unique_ptr<TTable> table;
  std::unique_ptr<TDataSource> source;
  std::unique_ptr<ProbeKey> key;
};

}  // namespace qgen::test
