// Data sources, field data links and the references between components:
// state changes reach OnStateChange, links bind fields only while the dataset
// is open, and a destroyed partner is let go of instead of left dangling.
// (TUniKEY's tests destroy data sources and datasets in every order.)
#include <gtest/gtest.h>

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
    source->OnStateChange = [this](TObject* sender) {
      EXPECT_EQ(sender, source);
      seen.push_back(source->State());
    };
  }

  TempDir dir;
  TComponent owner{nullptr};
  TDatabase* database = nullptr;
  TTable* table = nullptr;
  TDataSource* source = nullptr;
  std::vector<TDataSetState> seen;  // the states OnStateChange heard
};

TEST_F(DataSourceTest, OnStateChangeHearsEveryStateChange) {
  table->Open();
  table->Edit();
  table->FieldByName("name")->SetAsString("uno");
  table->Post();
  table->Insert();
  table->Cancel();
  table->Close();
  // Pointing at an open dataset and letting go of it are state changes too.
  table->Open();
  source->SetDataSet(nullptr);
  source->SetDataSet(table);
  EXPECT_EQ(seen, (std::vector<TDataSetState>{dsBrowse, dsEdit, dsBrowse, dsInsert, dsBrowse,
                                              dsInactive, dsBrowse, dsInactive, dsBrowse}));
}

TEST_F(DataSourceTest, FieldDataLinkBindsOnlyWhileOpenAndReportsAMissingField) {
  TFieldDataLink link;
  link.SetDataSource(source);
  link.SetFieldName("NAME");
  EXPECT_EQ(link.Field(), nullptr);
  EXPECT_FALSE(link.CanModify());
  table->Open();
  EXPECT_EQ(link.Field(), table->FieldByName("name"));
  EXPECT_TRUE(link.CanModify());
  table->SetReadOnly(true);
  EXPECT_FALSE(link.CanModify());
  table->SetReadOnly(false);
  table->Close();
  EXPECT_EQ(link.Field(), nullptr);  // the fields are gone with the close
  table->Open();
  EXPECT_EQ(link.Field(), table->FieldByName("name"));

  // A name the open dataset lacks is reported at once; a closed one reports
  // it when it opens, once: later state changes go through.
  EXPECT_THROW(link.SetFieldName("missing"), EDatabaseError);
  EXPECT_EQ(link.Field(), nullptr);
  table->Close();
  EXPECT_THROW(table->Open(), EDatabaseError);
  EXPECT_EQ(link.Field(), nullptr);
  EXPECT_NO_THROW(table->Edit());
  EXPECT_NO_THROW(table->Cancel());
}

TEST_F(DataSourceTest, DestroyedOrRemovedPartnersAreLetGo) {
  TFieldDataLink link;
  link.SetDataSource(source);
  link.SetFieldName("name");
  // The database destroyed: its tables close, telling their links, and
  // forget it.
  table->Open();
  ASSERT_NE(link.Field(), nullptr);
  delete database;
  EXPECT_EQ(table->Database(), nullptr);
  EXPECT_FALSE(table->Active());
  EXPECT_EQ(link.Field(), nullptr);
  EXPECT_THROW(table->Open(), EDatabaseError);

  // The owner lets go of a dataset that lives on: the data source detaches.
  owner.RemoveComponent(table);
  EXPECT_EQ(source->DataSet(), nullptr);
  // The data source destroyed: the link forgets it.
  delete source;
  EXPECT_EQ(link.DataSource(), nullptr);
  delete table;
}

}  // namespace
}  // namespace qgen::test
