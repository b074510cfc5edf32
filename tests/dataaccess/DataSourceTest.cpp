// Data sources, field data links and the references between components:
// state changes reach OnStateChange, links bind fields only while the dataset
// is open, and a destroyed partner is let go of instead of left dangling.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dataaccess/DataSource.h"
#include "dataaccess/Table.h"
#include "framework/Exception.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

class DataSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    database = new TDatabase(&owner);
    database->SetURI(dir.File("links.db"));
    database->Open();
    database->Execute("CREATE TABLE t (id INTEGER PRIMARY KEY, name VARCHAR(20))");
    database->Execute("INSERT INTO t (id, name) VALUES (1, 'one')");
    table = new TTable(&owner);
    table->SetDatabase(database);
    table->SetTableName("t");
    source = new TDataSource(&owner);
    source->SetDataSet(table);
  }

  TempDir dir;
  TComponent owner{nullptr};
  TDatabase* database = nullptr;
  TTable* table = nullptr;
  TDataSource* source = nullptr;
};

TEST_F(DataSourceTest, OnStateChangeHearsEveryStateChange) {
  std::vector<TDataSetState> seen;
  source->OnStateChange = [&](TObject* sender) {
    EXPECT_EQ(sender, source);
    seen.push_back(source->State());
  };
  table->Open();
  table->Edit();
  table->FieldByName("name")->SetAsString("uno");
  table->Post();
  table->Insert();
  table->Cancel();
  table->Edit();
  table->Cancel();
  table->Close();
  const std::vector<TDataSetState> expected = {dsBrowse, dsEdit, dsBrowse, dsInsert,
                                               dsBrowse, dsEdit, dsBrowse, dsInactive};
  EXPECT_EQ(seen, expected);

  // A failed post changes no state, so nothing is heard; the conflict's
  // return to dsBrowse is.
  table->Open();
  seen.clear();
  table->Edit();
  table->FieldByName("name")->SetAsString("x");
  database->Execute("UPDATE t SET name = 'other'");
  EXPECT_THROW(table->Post(), EDatabaseError);
  EXPECT_EQ(seen, (std::vector<TDataSetState>{dsEdit, dsBrowse}));
}

TEST_F(DataSourceTest, RepointingRebindsLinksAndLettingGoDetaches) {
  // A second open table in the same state: the link must bind the new
  // dataset's field, not keep the former one's.
  auto* second = new TTable(&owner);
  second->SetDatabase(database);
  second->SetTableName("t");
  table->Open();
  second->Open();
  TFieldDataLink link;
  link.SetDataSource(source);
  link.SetFieldName("name");
  ASSERT_EQ(link.Field(), table->FindField("name"));
  source->SetDataSet(second);
  EXPECT_EQ(link.Field(), second->FindField("name"));
  link.SetDataSource(nullptr);

  // The owner lets go of the dataset while it lives on: the data source
  // detaches, so deleting the data source and then using the dataset calls
  // into nothing freed (checked under ASan).
  owner.RemoveComponent(second);
  EXPECT_EQ(source->DataSet(), nullptr);
  delete source;
  source = nullptr;
  second->Close();
  second->Open();
  delete second;
}

TEST_F(DataSourceTest, PointingAtAnOpenDatasetIsAStateChange) {
  table->Open();
  TDataSource other(nullptr);
  int calls = 0;
  other.OnStateChange = [&](TObject*) { ++calls; };
  other.SetDataSet(table);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(other.State(), dsBrowse);
  other.SetDataSet(nullptr);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(other.State(), dsInactive);
}

TEST_F(DataSourceTest, FieldDataLinkBindsOnlyWhileOpen) {
  TFieldDataLink link;
  EXPECT_EQ(link.DataSource(), nullptr);
  EXPECT_EQ(link.FieldName(), "");
  link.SetDataSource(source);
  link.SetFieldName("NAME");
  EXPECT_EQ(link.FieldName(), "NAME");
  EXPECT_EQ(link.Field(), nullptr);
  EXPECT_FALSE(link.CanModify());

  table->Open();
  ASSERT_NE(link.Field(), nullptr);
  EXPECT_EQ(link.Field(), table->FieldByName("name"));
  EXPECT_TRUE(link.CanModify());
  table->SetReadOnly(true);
  EXPECT_FALSE(link.CanModify());
  table->SetReadOnly(false);

  table->Close();
  EXPECT_EQ(link.Field(), nullptr);  // the fields are gone with the close
  table->Open();
  EXPECT_EQ(link.Field(), table->FieldByName("name"));

  // A name the open dataset lacks is reported at once.
  EXPECT_THROW(link.SetFieldName("missing"), EDatabaseError);
  EXPECT_EQ(link.Field(), nullptr);
}

TEST_F(DataSourceTest, LinkToAMissingFieldIsReportedWhenTheDatasetOpens) {
  TFieldDataLink link;
  link.SetDataSource(source);
  link.SetFieldName("missing");
  EXPECT_THROW(table->Open(), EDatabaseError);
  EXPECT_EQ(link.Field(), nullptr);
  // Reported once: later state changes go through.
  EXPECT_NO_THROW(table->Edit());
  EXPECT_NO_THROW(table->Cancel());
}

TEST_F(DataSourceTest, DestroyedDatabaseIsLetGo) {
  table->Open();
  TFieldDataLink link;
  link.SetDataSource(source);
  link.SetFieldName("name");
  ASSERT_NE(link.Field(), nullptr);
  delete database;
  EXPECT_EQ(table->Database(), nullptr);
  EXPECT_FALSE(table->Active());
  EXPECT_EQ(link.Field(), nullptr);
  EXPECT_THROW(table->Open(), EDatabaseError);
}

TEST_F(DataSourceTest, DestroyedDatasetIsLetGo) {
  table->Open();
  TFieldDataLink link;
  link.SetDataSource(source);
  link.SetFieldName("name");
  std::vector<TDataSetState> seen;
  source->OnStateChange = [&](TObject*) { seen.push_back(source->State()); };
  delete table;
  EXPECT_EQ(source->DataSet(), nullptr);
  EXPECT_EQ(source->State(), dsInactive);
  EXPECT_EQ(link.Field(), nullptr);
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(seen, std::vector<TDataSetState>{dsInactive});
}

TEST_F(DataSourceTest, DestroyedDataSourceIsLetGo) {
  table->Open();
  auto link = std::make_unique<TFieldDataLink>();
  link->SetDataSource(source);
  link->SetFieldName("name");
  delete source;
  EXPECT_EQ(link->DataSource(), nullptr);
  EXPECT_EQ(link->Field(), nullptr);
  // The table no longer calls the source on state changes.
  table->Edit();
  table->Cancel();
  // A link destroyed before its source leaves no trace there either.
  TDataSource other(nullptr);
  other.SetDataSet(table);
  auto short_lived = std::make_unique<TFieldDataLink>();
  short_lived->SetDataSource(&other);
  short_lived.reset();
  table->Close();
}

}  // namespace
}  // namespace qgen::test
