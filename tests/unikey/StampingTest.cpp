// What TUniKEY writes into new records, and when it writes nothing.
#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include "framework/Exception.h"
#include "tests/unikey/UniKeyFixture.h"

namespace qgen::test {
namespace {

TEST_F(UniKeyTest, KeyIsTheStampOfTheMomentFollowedByTheSuffixAndIsWrittenOnce) {
  struct Case {
    TDateTime moment;
    const char* suffix;
    const char* expected;
  };
  const Case cases[] = {
      {At(2026, 12, 4, 11, 28, 6, 123), "", "20261204112806123"},
      {At(2026, 1, 2, 3, 4, 5, 6), "-A", "20260102030405006-A"},
      {At(2026, 12, 5, 0, 0, 0, 0), "", "20261205000000000"},
      {At(2026, 12, 5, 0, 0, 1, 0), "-STORE-0001", "20261205000001000-STORE-0001"},
  };
  Attach(*source);
  table->Open();
  TestClock clock(0);
  std::string suffix;
  TObject* sender = nullptr;
  key->BeforeUniKeyMADE = [&](TObject* s, std::string& usStamp) {
    sender = s;
    EXPECT_EQ(usStamp, "");
    usStamp = suffix;
  };
  std::vector<std::string> expected;
  for (const Case& c : cases) {
    clock.Set(c.moment);
    suffix = c.suffix;
    key->stamps = 0;
    EXPECT_EQ(InsertOne(*table), c.expected);
    EXPECT_EQ(key->stamps, 1) << "a first key in a new millisecond is written once";
    EXPECT_EQ(key->LastKey.str(), std::string(c.expected).substr(0, 20));
    EXPECT_EQ(key->StampTime, c.moment);
    expected.push_back(c.expected);
  }
  EXPECT_EQ(sender, key.get());
  EXPECT_EQ(key->Year, 2026);
  EXPECT_EQ(key->Day, 5);
  EXPECT_EQ(key->MSec, 0);
  EXPECT_EQ(StoredIds(), expected);
}

// Within one clock tick the second record waits for the next millisecond. A
// suffix that makes the key longer than the 20 characters kept of the last key
// must not let two records share a key.
TEST_F(UniKeyTest, TwoRecordsInOneClockTickGetDifferentKeys) {
  Attach(*source);
  table->Open();
  for (const std::string suffix : {"", "-STORE-0001"}) {
    StepClock clock(At(2026, 12, 4, 11, 28, 6, 123), /*still=*/3);
    key->BeforeUniKeyMADE = [suffix](TObject*, std::string& usStamp) { usStamp = suffix; };
    const std::string first = InsertOne(*table);
    key->stamps = 0;
    const std::string second = InsertOne(*table);
    EXPECT_EQ(first, "20261204112806123" + suffix);
    EXPECT_EQ(second, "20261204112806124" + suffix);
    EXPECT_EQ(key->stamps, 3);  // two readings of the old millisecond, then the new one
  }
}

TEST_F(UniKeyTest, RecordsInsertedAsFastAsPossibleAllGetDistinctRisingKeys) {
  Attach(*source);
  table->Open();
  std::vector<std::string> keys;
  for (int i = 0; i < 300; ++i)
    keys.push_back(InsertOne(*table));
  EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), keys.size());
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  for (const std::string& k : keys) {
    ASSERT_EQ(k.size(), 17u);
    ASSERT_EQ(k.find_first_not_of("0123456789"), std::string::npos) << k;
  }
  EXPECT_EQ(StoredIds(), keys);
}

TEST_F(UniKeyTest, PreviousHandlersRunAfterTheKeyIsInTheFieldAndSeeIt) {
  std::vector<std::string> seen;
  TDataSet* seen_dataset = nullptr;
  table->OnNewRecord = [&](TDataSet* ds) {
    seen_dataset = ds;
    seen.push_back(ds->FieldByName("id")->AsString());
  };
  int state_changes = 0;
  source->OnStateChange = [&](TObject* sender) {
    EXPECT_EQ(sender, source.get());
    ++state_changes;
  };
  Attach(*source);
  table->Open();
  EXPECT_EQ(state_changes, 1);
  const std::string id = InsertOne(*table);
  EXPECT_EQ(seen, std::vector<std::string>{id});
  EXPECT_EQ(seen_dataset, table.get());
  EXPECT_EQ(state_changes, 3);  // open, insert, post
}

TEST_F(UniKeyTest, EditingAnExistingRecordWritesNothing) {
  Attach(*source);
  table->Open();
  const std::string id = InsertOne(*table);
  key->stamps = 0;
  ASSERT_TRUE(table->Locate("id", Variant(id)));
  table->Edit();
  table->FieldByName("note")->SetAsString("changed");
  table->Post();
  EXPECT_EQ(key->stamps, 0);
  EXPECT_EQ(StoredIds(), std::vector<std::string>{id});
}

TEST_F(UniKeyTest, NothingHappensAtDesignTime) {
  TComponent form(nullptr);
  form.SetDesigning(true);
  auto* designed = new ProbeKey(&form);  // dropped on a form in the designer
  designed->SetDataSource(source.get());
  designed->SetDataField("id");
  EXPECT_FALSE(source->OnStateChange.Assigned());
  table->Open();
  EXPECT_FALSE(table->OnNewRecord.Assigned());
  table->Insert();
  designed->pNewRecord(table.get());  // even when called, it writes nothing
  EXPECT_TRUE(table->FieldByName("id")->IsNull());
  table->Post();
  EXPECT_EQ(designed->stamps, 0);
  EXPECT_EQ(designed->GetDataField(), "id");  // the properties are kept
  EXPECT_EQ(designed->DataSource(), source.get());
}

TEST_F(UniKeyTest, AttachingToAnOpenDatasetHooksAtTheNextStateChange) {
  db.Execute("INSERT INTO orders (id) VALUES ('existing')");
  table->Open();
  Attach(*source);
  EXPECT_FALSE(key->Hooked);
  EXPECT_FALSE(table->OnNewRecord.IsRoutine<&TUniKEY::pNewRecord>());
  table->First();
  table->Edit();  // the next state change
  EXPECT_TRUE(key->Hooked);
  EXPECT_TRUE(table->OnNewRecord.IsRoutine<&TUniKEY::pNewRecord>());
  table->Cancel();
  EXPECT_EQ(InsertOne(*table).size(), 17u);
}

TEST_F(UniKeyTest, WithoutAWritableFieldNoKeyIsWrittenButThePreviousHandlerRuns) {
  int previous = 0;
  table->OnNewRecord = [&](TDataSet*) { ++previous; };
  key->SetDataSource(source.get());  // no DataField yet
  table->Open();
  EXPECT_EQ(InsertOne(*table), "");
  key->SetDataField("id");
  table->FieldByName("id")->SetReadOnly(true);
  table->Insert();
  EXPECT_TRUE(table->FieldByName("id")->IsNull());
  table->Cancel();
  EXPECT_EQ(previous, 2);
  EXPECT_EQ(key->stamps, 0);
}

TEST_F(UniKeyTest, AFieldThatRejectsTheKeyPassesTheErrorOutAndKeepsTheLastKey) {
  int previous = 0;
  table->OnNewRecord = [&](TDataSet*) { ++previous; };
  Attach(*source);
  table->Open();
  const std::string id = InsertOne(*table);
  key->SetDataField("qty");  // an integer field cannot hold "<stamp>-A"
  key->BeforeUniKeyMADE = [](TObject*, std::string& usStamp) { usStamp = "-A"; };
  EXPECT_THROW(table->Insert(), EConvertError);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(key->LastKey.str(), id);
  EXPECT_EQ(previous, 1);
}

TEST_F(UniKeyTest, AFieldOfTenCharactersEndsInAClearErrorAtOnce) {
  key->SetDataSource(source.get());
  key->SetDataField("code");
  table->Open();
  const auto start = std::chrono::steady_clock::now();
  try {
    table->Insert();
    FAIL() << "a 17-character key was written into a 10-character field";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("Field 'code' cannot take the unique key: it holds 10 characters "
                                "and the key needs 17",
                                0),
              0u)
        << e.Message();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(StoredIds().size(), 0u);
}

// A clock that does not move on makes every new key equal to the last one: the
// repeat gives up after about a second, puts the field back and says why.
TEST_F(UniKeyTest, AKeyThatKeepsReadingBackAsTheLastOneEndsInAClearError) {
  Attach(*source);
  table->Open();
  TestClock frozen(At(2026, 12, 4, 11, 28, 6, 123));
  EXPECT_EQ(InsertOne(*table), "20261204112806123");

  key->SetDataField("");  // a record typed by hand, then stamped
  table->Insert();
  table->FieldByName("id")->SetAsString("typed");
  key->SetDataField("id");
  const auto start = std::chrono::steady_clock::now();
  try {
    key->pNewRecord(table.get());
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("Field 'id' cannot take a new unique key", 0), 0u) << e.Message();
    EXPECT_NE(e.Message().find("'20261204112806123', the key stamped last"), std::string::npos)
        << e.Message();
  }
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(900));
  EXPECT_LT(waited, std::chrono::seconds(5));
  EXPECT_EQ(table->FieldByName("id")->AsString(), "typed");
  EXPECT_EQ(key->LastKey.str(), "20261204112806123");
  table->Cancel();
  EXPECT_EQ(StoredIds(), std::vector<std::string>{"20261204112806123"});
}

}  // namespace
}  // namespace qgen::test
