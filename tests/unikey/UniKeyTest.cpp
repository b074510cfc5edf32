// TUniKEY: the key it writes into new records, when it writes none, and the
// handlers it installs: put back when it lets go, never left dangling (ASan).
#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
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
  void Attach(TDataSource& data_source) {
    key->SetDataSource(&data_source);
    key->SetDataField("id");
  }
  // Inserts and posts a record; returns the id it got.
  static std::string InsertOne(TTable& t) {
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

// The key is the 17-digit stamp of the moment and the suffix of
// BeforeUniKeyMADE; a record in the clock tick of the last one waits for the
// next millisecond, also when the suffix makes the key longer than the 20
// characters kept of it. The handlers that were there before run after it
// (the new-record one sees the key).
TEST_F(UniKeyTest, ANewRecordGetsTheStampOfTheMomentAndTheSuffix) {
  const TDateTime ms = 1.0 / 86400000.0;
  const struct {
    std::vector<TDateTime> readings;  // of the clock, one for each stamp made
    const char* suffix;
    const char* key;
  } cases[] = {
      {{At(12, 4, 11, 28, 6, 123)}, "", "20261204112806123"},
      {{At(12, 4, 11, 28, 6, 123), At(12, 4, 11, 28, 6, 123) + ms}, "", "20261204112806124"},
      {{At(1, 2, 3, 4, 5, 6)}, "-A", "20260102030405006-A"},
      {{At(12, 5, 0, 0, 1, 0)}, "-STORE-0001", "20261205000001000-STORE-0001"},
      {{At(12, 5, 0, 0, 1, 0), At(12, 5, 0, 0, 1, 0) + ms},
       "-STORE-0001",
       "20261205000001001-STORE-0001"},
  };
  std::vector<std::string> seen;
  table->OnNewRecord = [&](TDataSet* ds) { seen.push_back(ds->FieldByName("id")->AsString()); };
  int state_changes = 0;
  source->OnStateChange = [&](TObject*) { ++state_changes; };
  Attach(*source);
  table->Open();
  std::vector<TDateTime> readings;
  std::size_t read = 0;
  SetClock([&] { return readings[std::min(read++, readings.size() - 1)]; });
  std::string suffix;
  key->BeforeUniKeyMADE = [&](TObject* sender, std::string& usStamp) {
    EXPECT_EQ(sender, key.get());
    usStamp = suffix;
  };
  std::vector<std::string> keys;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    readings = c.readings;
    read = 0;
    suffix = c.suffix;
    EXPECT_EQ(InsertOne(*table), c.key);
    keys.push_back(c.key);
  }
  EXPECT_EQ(seen, keys);
  EXPECT_EQ(StoredIds(), keys);
  EXPECT_EQ(state_changes, 1 + 2 * 5);  // open, then insert and post of each record
}

// Attached to an open dataset, the key hooks it at its next state change.
TEST_F(UniKeyTest, AnOpenDatasetIsHookedAtItsNextStateChange) {
  db->Execute("INSERT INTO orders (id) VALUES ('existing')");
  table->Open();
  Attach(*source);
  EXPECT_FALSE(table->OnNewRecord.Assigned());
  table->Edit();
  EXPECT_TRUE(table->OnNewRecord.IsRoutine<&TUniKEY::pNewRecord>());
  table->Cancel();
}

// No field, a read-only one, or design time: no key, and at run time the
// previous handler still runs.
TEST_F(UniKeyTest, NoKeyWithoutAWritableFieldOrAtDesignTime) {
  int previous = 0;
  table->OnNewRecord = [&](TDataSet*) { ++previous; };
  key->SetDataSource(source.get());
  table->Open();
  EXPECT_EQ(InsertOne(*table), "");
  key->SetDataField("id");
  table->FieldByName("id")->SetReadOnly(true);
  EXPECT_EQ(InsertOne(*table), "");
  EXPECT_EQ(previous, 2);
  key.reset();
  table->FieldByName("id")->SetReadOnly(false);
  TComponent form(nullptr);
  form.SetDesigning(true);
  auto* designed = new TUniKEY(&form);
  designed->SetDataSource(source.get());
  designed->SetDataField("id");
  EXPECT_FALSE(source->OnStateChange.Assigned());
  table->Insert();
  designed->pNewRecord(table.get());  // even when called, it writes nothing
  EXPECT_TRUE(table->FieldByName("id")->IsNull());
  EXPECT_EQ(previous, 3);
  table->Cancel();
}

// A field that cannot take the key, or a key that keeps reading back as the
// last one (a clock that does not move on): the error passes out (the latter
// after about a second), the record is not inserted and the
// previous handler is not called.
TEST_F(UniKeyTest, AKeyTheFieldCannotTakeEndsInAClearError) {
  const struct {
    const char* field;
    const char* suffix;
    const char* says;
    int max_ms;
  } cases[] = {
      {"qty", "-A", "", 500},  // an integer field
      {"code", "",
       "Field 'code' cannot take the unique key: it holds 10 characters and the key "
       "needs 17",
       500},
      {"id", "",
       "Field 'id' cannot take a new unique key: for 1000 ms every key written to it "
       "read back as '20261204112806123', the key stamped last",
       5000},
  };
  int previous = 0;
  table->OnNewRecord = [&](TDataSet*) { ++previous; };
  Attach(*source);
  table->Open();
  TestClock frozen(At(12, 4, 11, 28, 6, 123));
  const std::string id = InsertOne(*table);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    key->SetDataField(c.field);
    key->BeforeUniKeyMADE = [&c](TObject*, std::string& usStamp) { usStamp = c.suffix; };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THAT(MessageOf<Exception>([&] { table->Insert(); }), HasSubstr(c.says));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, std::chrono::milliseconds(c.max_ms));
    EXPECT_EQ(table->State(), dsBrowse);
  }
  EXPECT_EQ(previous, 1);
  EXPECT_EQ(StoredIds(), std::vector<std::string>{id});
}

// The application's own handlers, counting their calls.
struct AppHandlers {
  int new_records = 0;
  int state_changes = 0;
  void Install(TTable& t, TDataSource& s) {
    t.OnNewRecord = [this](TDataSet*) { ++new_records; };
    s.OnStateChange = [this](TObject*) { ++state_changes; };
  }
};

// Inserts a record into `t`, says whether it received a key, and cancels it.
bool Stamped(TTable& t) {
  t.Insert();
  const bool stamped = !t.FieldByName("id")->IsNull();
  t.Cancel();
  return stamped;
}

// However the component lets go of the dataset, the dataset gets back the
// handler it had (or keeps one installed after the component), and so does
// the data source unless the component still watches it.
TEST_F(UniKeyTest, LettingGoPutsBackTheHandlersItFound) {
  AppHandlers app;  // outlives every dataset whose handlers point at it
  db->Execute("CREATE TABLE returns (id TEXT)");
  auto returns = NewTable(*db, "returns");
  TDataSource other(nullptr);
  other.SetDataSet(returns.get());
  TComponent form(nullptr), elsewhere(nullptr);
  const struct {
    const char* how;
    std::function<void()> let_go;
    bool installed_after;  // the application's handlers came after the component's
    bool still_watched;    // the component still watches the data source
  } cases[] = {
      {"destroyed", [&] { key.reset(); }, false, false},
      {"destroyed, handlers replaced", [&] { key.reset(); }, true, false},
      {"pointed at another data source", [&] { key->SetDataSource(&other); }, false, false},
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
         EXPECT_TRUE(Stamped(*returns));  // the next state change
       },
       false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    key = std::make_unique<TUniKEY>(nullptr);
    table->Close();
    returns->Close();
    source->SetDataSet(table.get());
    table->OnNewRecord = nullptr;
    source->OnStateChange = nullptr;
    if (!c.installed_after)
      app.Install(*table, *source);
    Attach(*source);
    table->Open();
    ASSERT_TRUE(Stamped(*table));
    if (c.installed_after)
      app.Install(*table, *source);
    c.let_go();
    app = AppHandlers{};
    EXPECT_FALSE(table->OnNewRecord.IsRoutine<&TUniKEY::pNewRecord>());
    EXPECT_EQ(source->OnStateChange.IsRoutine<&TUniKEY::StateChange>(), c.still_watched);
    EXPECT_FALSE(Stamped(*table));
    EXPECT_EQ(app.new_records, 1);
    EXPECT_EQ(app.state_changes, c.still_watched ? 0 : 2);  // insert and cancel
  }
  key.reset();
  source->SetDataSet(nullptr);
  source->OnStateChange = nullptr;
  table->OnNewRecord = nullptr;
}

// Every order of destroying the component, its data source and its dataset
// leaves nothing dangling (ASan), and a dataset stays stamped only while the
// component and the data source live.
TEST_F(UniKeyTest, AnyOrderOfDestructionIsSafe) {
  enum Part { kKey, kSource, kTable };
  std::array<Part, 3> order = {kKey, kSource, kTable};
  do {
    table = NewTable(*db, "orders");
    source = std::make_unique<TDataSource>(nullptr);
    source->SetDataSet(table.get());
    key = std::make_unique<TUniKEY>(nullptr);
    Attach(*source);
    table->Open();
    for (Part part : order) {
      if (table) {
        EXPECT_EQ(Stamped(*table), key && source);
      }
      if (part == kKey)
        key.reset();
      if (part == kSource)
        source.reset();
      if (part == kTable)
        table.reset();
    }
  } while (std::next_permutation(order.begin(), order.end()));
}

}  // namespace
}  // namespace qgen::test
