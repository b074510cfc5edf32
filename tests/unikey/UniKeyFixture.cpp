#include "tests/unikey/UniKeyFixture.h"

namespace qgen::test {

StepClock::StepClock(TDateTime time, int still) : time_(time), still_(still) {
  SetClock([this] { return reads++ < still_ ? time_ : time_ + 1.0 / 86400000.0; });
}

StepClock::~StepClock() {
  SetClock(nullptr);
}

TDateTime At(int year, int month, int day, int hour, int min, int sec, int msec) {
  return EncodeDate(year, month, day) + EncodeTime(hour, min, sec, msec);
}

UniKeyTest::UniKeyTest() {
  db.SetURI(dir.File("keys.db"));
  db.Open();
  db.Execute("CREATE TABLE orders (id TEXT, note TEXT, code VARCHAR(10), qty INTEGER)");
  table = NewTable();
  source = std::make_unique<TDataSource>(nullptr);
  source->SetDataSet(table.get());
  key = std::make_unique<ProbeKey>(nullptr);
}

std::unique_ptr<TTable> UniKeyTest::NewTable(const std::string& name) {
  if (!db.TableExists(name))
    db.Execute("CREATE TABLE " + db.QuoteIdentifier(name) + " (id TEXT)");
  auto t = std::make_unique<TTable>(nullptr);
  t->SetDatabase(&db);
  t->SetTableName(name);
  return t;
}

void UniKeyTest::Attach(TDataSource& data_source) {
  key->SetDataSource(&data_source);
  key->SetDataField("id");
}

std::string UniKeyTest::InsertOne(TTable& t) {
  t.Insert();
  const std::string id = t.FieldByName("id")->AsString();
  t.Post();
  return id;
}

std::vector<std::string> UniKeyTest::StoredIds(const std::string& name) {
  std::vector<std::string> ids;
  for (const auto& row : db.Query("SELECT id FROM " + db.QuoteIdentifier(name) + " ORDER BY rowid"))
    ids.push_back(row.at(0).ToString());
  return ids;
}

}  // namespace qgen::test
