// TUniKEY: the key it writes into new records, when it writes none, and the
// handlers it installs: put back when it lets go, never left dangling (ASan).
#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dataaccess/DataSource.h"
#include "framework/Clock.h"
#include "framework/Exception.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/TestSupport.h"
#include "unikey/UniKEY.h"

namespace qgen::test {
namespace {

inline TDateTime At(int month, int day, int hour, int min, int sec, int msec) {
  return EncodeDate(2026, month, day) + EncodeTime(hour, min, sec, msec);
}

class UniKeyTest : public ::testing::Test {
 protected:
  UniKeyTest() {
    db->Execute("CREATE TABLE orders (id TEXT, note TEXT, code VARCHAR(10), qty INTEGER)");
    source->SetDataSet(table.get());
  }
  ~UniKeyTest() override { SetClock(nullptr); }
  static std::string IdOfANewRecord(TTable& t) {
    t.Insert();
    const std::string id = t.FieldByName("id")->AsString();
    t.Post();
    return id;
  }
  std::vector<std::string> StoredIds() {
    std::vector<std::string> ids;
    for (const auto& row : db->Query("SELECT id FROM orders ORDER BY rowid"))
      ids.push_back(row.at(0).ToString());
    return ids;
  }

  TempDir dir;
  std::unique_ptr<TDatabase> db = OpenDatabase(dir.File("keys.db"));
  std::unique_ptr<TTable> table = NewTable(*db, "orders");
  std::unique_ptr<TDataSource> source = std::make_unique<TDataSource>(nullptr);
  std::unique_ptr<TUniKEY> key = std::make_unique<TUniKEY>(nullptr);
};

// The key is the 17-digit stamp of the moment and BeforeUniKeyMADE's suffix;
// a record in the clock tick of the last one waits for the next millisecond,
// also when the key is longer than the 20 characters kept of it. The former
// handlers run after it (the new-record one sees the key).
TEST_F(UniKeyTest, ANewRecordGetsTheStampOfTheMomentAndTheSuffix) {
  const struct {
    TDateTime at;  // the clock's first reading
    int later;     // how many ms its later readings are on from it
    const char *suffix, *key;
  } cases[] = {{At(12, 4, 11, 28, 6, 123), 0, "", "20261204112806123"},
               {At(12, 4, 11, 28, 6, 123), 1, "", "20261204112806124"},
               {At(12, 5, 0, 0, 1, 0), 0, "-STORE-0001", "20261205000001000-STORE-0001"},
               {At(12, 5, 0, 0, 1, 0), 1, "-STORE-0001", "20261205000001001-STORE-0001"}};
  std::vector<std::string> seen;
  table->OnNewRecord = [&](TDataSet* ds) { seen.push_back(ds->FieldByName("id")->AsString()); };
  int state_changes = 0;
  source->OnStateChange = [&](TObject*) { ++state_changes; };
  key->SetDataSource(source.get());
  key->SetDataField("id");
  table->Open();
  TDateTime first = 0, later = 0;
  bool fresh = false;
  SetClock([&] { return std::exchange(fresh, false) ? first : later; });
  std::string suffix;
  key->BeforeUniKeyMADE = [&](TObject* sender, std::string& usStamp) {
    EXPECT_EQ(sender, key.get());
    usStamp = suffix;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    first = c.at;
    fresh = true;
    later = c.at + c.later / 86400000.0;
    suffix = c.suffix;
    EXPECT_EQ(IdOfANewRecord(*table), c.key);
  }
  EXPECT_EQ(StoredIds(), seen);
  EXPECT_EQ(state_changes, 1 + 2 * 4);  // open, then insert and post of each record
}

// No key without a field, into a read-only one or at design time. A field
// that cannot take the key, or a key that keeps reading back as the last one
// (a clock that stands still; given up after about a second): the error passes
// out and no record is inserted. The previous handler runs for every record.
TEST_F(UniKeyTest, NoKeyWithoutAWritableFieldOrAtDesignTimeAndAClearErrorWhenItCannotBeMade) {
  int previous = 0;
  table->OnNewRecord = [&](TDataSet*) { ++previous; };
  table->Open();
  key->SetDataSource(source.get());  // an open dataset is hooked at its next state change
  EXPECT_FALSE(table->OnNewRecord.IsRoutine<&TUniKEY::pNewRecord>());
  EXPECT_EQ(IdOfANewRecord(*table), "");
  EXPECT_TRUE(table->OnNewRecord.IsRoutine<&TUniKEY::pNewRecord>());
  key->SetDataField("id");
  table->FieldByName("id")->SetReadOnly(true);
  EXPECT_EQ(IdOfANewRecord(*table), "");
  table->FieldByName("id")->SetReadOnly(false);
  const struct {
    int max_ms;
    const char *field, *suffix, *says;
  } cases[] = {{500, "qty", "-A", ""},  // an integer field
               {500, "code", "",
                "Field 'code' cannot take the unique key: it holds 10 characters and the "
                "key needs 17"},
               {5000, "id", "",
                "Field 'id' cannot take a new unique key: for 1000 ms every key written "
                "to it read back as '20261204112806123', the key stamped last"}};
  // Frozen even while the component sleeps (a TestClock would move on).
  SetClock([] { return At(12, 4, 11, 28, 6, 123); });
  const std::string id = IdOfANewRecord(*table);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    key->SetDataField(c.field);
    key->BeforeUniKeyMADE = [&c](TObject*, std::string& usStamp) { usStamp = c.suffix; };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THAT(MessageOf<Exception>([&] { table->Insert(); }), HasSubstr(c.says));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(c.max_ms));
    EXPECT_EQ(table->State(), dsBrowse);
  }
  EXPECT_EQ(previous, 3);
  EXPECT_EQ(StoredIds(), (std::vector<std::string>{"", "", id}));
  key.reset();
  TComponent form(nullptr);
  form.SetDesigning(true);
  auto* designed = new TUniKEY(&form);
  designed->SetDataSource(source.get());
  designed->SetDataField("id");
  EXPECT_FALSE(source->OnStateChange.Assigned());
  table->Insert();
  designed->pNewRecord(table.get());  // even when called, it writes nothing
  EXPECT_TRUE(table->FieldByName("id")->IsNull());
  EXPECT_EQ(previous, 4);
  table->Cancel();
}

// Inserts a record into `t`, says whether it received a key, and cancels it.
bool Stamped(TTable& t) {
  t.Insert();
  const bool stamped = !t.FieldByName("id")->IsNull();
  t.Cancel();
  return stamped;
}

// However the component lets go, the dataset and (unless still watched) the data source get
// back the handlers they had, or keep ones installed after the component's.
TEST_F(UniKeyTest, LettingGoPutsBackTheHandlersItFound) {
  int new_records = 0, state_changes = 0;  // calls of the application's own handlers
  auto install = [&](bool on) {
    table->OnNewRecord = on ? TDataSetNotifyEvent([&](TDataSet*) { ++new_records; }) : nullptr;
    source->OnStateChange = on ? TNotifyEvent([&](TObject*) { ++state_changes; }) : nullptr;
  };
  db->Execute("CREATE TABLE returns (id TEXT)");
  auto returns = NewTable(*db, "returns");
  TComponent form(nullptr), elsewhere(nullptr);
  const struct {
    const char* how;
    std::function<void()> let_go;
    bool installed_after;  // the application's handlers came after the component's
    bool still_watched;    // the component still watches the data source
  } cases[] = {{"destroyed", [&] { key.reset(); }, false, false},
               {"destroyed, handlers replaced", [&] { key.reset(); }, true, false},
               {"given no data source", [&] { key->SetDataSource(nullptr); }, false, false},
               {"its data source given to another owner",  // the owner tells its components
                [&] {
                  form.InsertComponent(key.get());
                  form.InsertComponent(source.get());
                  elsewhere.InsertComponent(source.get());
                  elsewhere.RemoveComponent(source.get());
                  form.RemoveComponent(key.get());
                },
                false, false},
               {"its data source pointed at another dataset",
                [&] {
                  returns->Open();
                  source->SetDataSet(returns.get());
                  EXPECT_TRUE(Stamped(*returns));   // the next state change hooks it,
                  form.InsertComponent(key.get());  // and its owner lets go of it alive
                  form.InsertComponent(returns.get());
                  form.RemoveComponent(returns.get());
                  form.RemoveComponent(key.get());
                  EXPECT_FALSE(returns->OnNewRecord.IsRoutine<&TUniKEY::pNewRecord>());
                },
                false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    key = std::make_unique<TUniKEY>(nullptr);
    table->Close();
    returns->Close();
    source->SetDataSet(table.get());
    install(!c.installed_after);
    key->SetDataSource(source.get());
    key->SetDataField("id");
    table->Open();
    ASSERT_TRUE(Stamped(*table));
    if (c.installed_after)
      install(true);
    c.let_go();
    new_records = state_changes = 0;
    EXPECT_FALSE(table->OnNewRecord.IsRoutine<&TUniKEY::pNewRecord>());
    EXPECT_EQ(source->OnStateChange.IsRoutine<&TUniKEY::StateChange>(), c.still_watched);
    EXPECT_FALSE(Stamped(*table));
    EXPECT_EQ(new_records, 1);
    EXPECT_EQ(state_changes, c.still_watched ? 0 : 2);  // insert and cancel
  }
  key.reset();
  install(false);
}

// Any order of destroying the component, its data source and its dataset
// leaves nothing dangling (ASan); records are stamped while both others live.
TEST_F(UniKeyTest, AnyOrderOfDestructionIsSafe) {
  enum Part { kKey, kSource, kTable };
  std::array<Part, 3> order = {kKey, kSource, kTable};
  do {
    table = NewTable(*db, "orders");
    source = std::make_unique<TDataSource>(nullptr);
    source->SetDataSet(table.get());
    key = std::make_unique<TUniKEY>(nullptr);
    key->SetDataSource(source.get());
    key->SetDataField("id");
    table->Open();
    for (Part part : order) {
      EXPECT_TRUE(!table || Stamped(*table) == (key && source));
      part == kKey ? key.reset() : part == kSource ? source.reset() : table.reset();
    }
  } while (std::next_permutation(order.begin(), order.end()));
}

}  // namespace
}  // namespace qgen::test
