// The handlers TUniKEY installs in the data source and the dataset: put back
// when it is destroyed or re-pointed, and never left calling into a component
// that no longer watches them or no longer exists (run under ASan).
#include <gtest/gtest.h>

#include "tests/unikey/UniKeyFixture.h"

namespace qgen::test {
namespace {

// The application's own handlers, counting their calls.
struct AppHandlers {
  int new_records = 0;
  int state_changes = 0;
  void Install(TTable& t, TDataSource& s) {
    t.OnNewRecord = [this](TDataSet*) { ++new_records; };
    s.OnStateChange = [this](TObject*) { ++state_changes; };
  }
};

// Inserts a record into `t` and says whether it received a key; Cancels it.
bool Stamped(TTable& t) {
  t.Insert();
  const bool stamped = !t.FieldByName("id")->IsNull();
  t.Cancel();
  return stamped;
}

bool OursInstalled(TTable& t, TDataSource& s) {
  return t.OnNewRecord.IsRoutine<&TUniKEY::pNewRecord>() ||
         s.OnStateChange.IsRoutine<&TUniKEY::StateChange>();
}

TEST_F(UniKeyTest, DestroyingTheComponentPutsBackTheHandlersItFound) {
  AppHandlers app;
  app.Install(*table, *source);
  Attach(*source);
  table->Open();
  ASSERT_TRUE(Stamped(*table));
  key.reset();
  EXPECT_FALSE(OursInstalled(*table, *source));
  app = AppHandlers{};
  EXPECT_FALSE(Stamped(*table));
  EXPECT_EQ(app.new_records, 1);  // the application's handlers are back
  EXPECT_EQ(app.state_changes, 2);
}

TEST_F(UniKeyTest, DestroyingTheComponentLeavesHandlersInstalledAfterItAlone) {
  Attach(*source);
  table->Open();
  AppHandlers app;
  app.Install(*table, *source);  // replaces the component's handlers
  key.reset();
  EXPECT_TRUE(table->OnNewRecord.Assigned());
  EXPECT_TRUE(source->OnStateChange.Assigned());
  EXPECT_FALSE(Stamped(*table));
  EXPECT_EQ(app.new_records, 1);
  EXPECT_EQ(app.state_changes, 2);
}

TEST_F(UniKeyTest, RepointingTheDataSourcePutsBackTheHandlersOfTheOldOne) {
  AppHandlers app;
  app.Install(*table, *source);
  Attach(*source);
  table->Open();
  ASSERT_TRUE(Stamped(*table));

  auto other_table = NewTable("returns");
  TDataSource other(nullptr);
  other.SetDataSet(other_table.get());
  key->SetDataSource(&other);
  EXPECT_FALSE(OursInstalled(*table, *source));
  app = AppHandlers{};
  EXPECT_FALSE(Stamped(*table));
  EXPECT_EQ(app.new_records, 1);
  EXPECT_EQ(app.state_changes, 2);
  other_table->Open();
  EXPECT_TRUE(Stamped(*other_table));

  key->SetDataSource(nullptr);
  EXPECT_FALSE(OursInstalled(*other_table, other));
  EXPECT_FALSE(other_table->OnNewRecord.Assigned());
  EXPECT_FALSE(other.OnStateChange.Assigned());
  EXPECT_FALSE(Stamped(*other_table));
}

TEST_F(UniKeyTest, DestroyingTheDataSourceUnhooksTheDatasetAndClearsTheReference) {
  AppHandlers app;
  app.Install(*table, *source);
  Attach(*source);
  table->Open();
  source.reset();
  EXPECT_EQ(key->DataSource(), nullptr);
  EXPECT_FALSE(table->OnNewRecord.IsRoutine<&TUniKEY::pNewRecord>());
  EXPECT_FALSE(Stamped(*table));
  EXPECT_EQ(app.new_records, 1);
  key.reset();  // must not touch the data source that is gone
  EXPECT_FALSE(Stamped(*table));
}

TEST_F(UniKeyTest, DestroyingTheDatasetIsForgottenAndTheNextOneIsHooked) {
  Attach(*source);
  table->Open();
  ASSERT_TRUE(key->Hooked);
  table.reset();
  EXPECT_FALSE(key->Hooked);
  EXPECT_EQ(source->DataSet(), nullptr);

  auto next = NewTable();
  source->SetDataSet(next.get());
  next->Open();
  EXPECT_TRUE(Stamped(*next));
  key.reset();
  EXPECT_FALSE(next->OnNewRecord.Assigned());
  EXPECT_FALSE(source->OnStateChange.Assigned());
}

// The data source is pointed at another open dataset: no state change tells
// the component at once, yet the old dataset's records are not stamped, and the
// old dataset gets its handler back at the next state change.
TEST_F(UniKeyTest, ADataSourcePointedElsewhereLetsGoOfTheOldDataset) {
  AppHandlers app;
  app.Install(*table, *source);
  Attach(*source);
  table->Open();
  auto next = NewTable("returns");
  next->Open();
  source->SetDataSet(next.get());
  EXPECT_FALSE(Stamped(*table));
  EXPECT_EQ(app.new_records, 1);
  EXPECT_TRUE(Stamped(*next));  // its Insert is the next state change
  EXPECT_FALSE(table->OnNewRecord.IsRoutine<&TUniKEY::pNewRecord>());
  key.reset();
  EXPECT_FALSE(Stamped(*table));
  EXPECT_FALSE(Stamped(*next));
  EXPECT_EQ(app.new_records, 2);
}

// Every order of destroying the component, its data source and its dataset
// leaves nothing dangling; ASan reports any use after free.
TEST_F(UniKeyTest, AnyOrderOfDestructionIsSafe) {
  enum Part { kKey, kSource, kTable };
  const std::vector<std::vector<Part>> orders = {
      {kKey, kSource, kTable}, {kKey, kTable, kSource}, {kSource, kKey, kTable},
      {kSource, kTable, kKey}, {kTable, kKey, kSource}, {kTable, kSource, kKey},
  };
  for (const auto& order : orders) {
    table = NewTable();
    source = std::make_unique<TDataSource>(nullptr);
    source->SetDataSet(table.get());
    key = std::make_unique<ProbeKey>(nullptr);
    Attach(*source);
    table->Open();
    ASSERT_TRUE(Stamped(*table));
    for (Part part : order) {
      if (part == kKey)
        key.reset();
      if (part == kSource)
        source.reset();
      if (part == kTable)
        table.reset();
      if (table)
        Stamped(*table);
      if (source && table)
        source->SetDataSet(nullptr), source->SetDataSet(table.get());
    }
  }
}

// The component, the data source and the dataset owned by a form, freed with
// it whatever their order: an owner tells the others of each one it lets go of
// before it frees it.
TEST_F(UniKeyTest, AFormFreesItsComponentsSafelyInAnyOrder) {
  for (const bool key_first : {true, false}) {
    auto form = std::make_unique<TComponent>(nullptr);
    ProbeKey* k = key_first ? new ProbeKey(form.get()) : nullptr;
    auto* t = NewTable().release();
    form->InsertComponent(t);
    auto* s = new TDataSource(form.get());
    s->SetDataSet(t);
    if (!k)
      k = new ProbeKey(form.get());
    k->SetDataSource(s);
    k->SetDataField("id");
    t->Open();
    EXPECT_TRUE(Stamped(*t));
    form.reset();
  }
}

// A data source or dataset that its owner lets go of (here: to another owner)
// is dropped like a destroyed one, and keeps no handler of the component.
TEST_F(UniKeyTest, ComponentsMovedToAnotherOwnerKeepNoHandlerOfIt) {
  TComponent form(nullptr);
  TComponent other_form(nullptr);
  auto* k = new ProbeKey(&form);
  form.InsertComponent(source.get());
  k->SetDataSource(source.get());
  k->SetDataField("id");
  table->Open();
  ASSERT_TRUE(Stamped(*table));
  other_form.InsertComponent(source.get());  // the form tells k of the removal
  EXPECT_EQ(k->DataSource(), nullptr);
  EXPECT_FALSE(OursInstalled(*table, *source));
  other_form.RemoveComponent(source.get());

  form.InsertComponent(table.get());
  k->SetDataSource(source.get());
  table->Close();
  table->Open();
  ASSERT_TRUE(k->Hooked);
  other_form.InsertComponent(table.get());
  EXPECT_FALSE(table->OnNewRecord.IsRoutine<&TUniKEY::pNewRecord>());
  other_form.RemoveComponent(table.get());
  delete k;
  EXPECT_FALSE(Stamped(*table));
}

}  // namespace
}  // namespace qgen::test
