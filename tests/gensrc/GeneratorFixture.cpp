#include "tests/gensrc/GeneratorFixture.h"

#include "framework/Text.h"

namespace qgen::test {

Program::Program(const std::string& uri, const std::string& table_name, bool with_faults) {
  database = new TDatabase(&owner);
  database->SetURI(uri);
  table = new TTable(&owner);
  table->SetDatabase(database);
  table->SetTableName(table_name);
  source = new TDataSource(&owner);
  if (with_faults) {
    faulty = new FaultyDataSet(*table);
    owner.InsertComponent(faulty);
    source->SetDataSet(faulty);
  } else {
    source->SetDataSet(table);
  }
}

Program::~Program() = default;

TGenerator* Program::NewGenerator(const std::string& mask, const std::string& start,
                                  const std::string& end) {
  auto* gen = new TGenerator(&owner);
  gen->SetMask(mask);
  gen->FSetDataSource(source);
  if (!start.empty())
    gen->SetStartValue(start);
  if (!end.empty())
    gen->SetEndValue(end);
  return gen;
}

GeneratorTest::GeneratorTest() : uri(dir.File("gen.db")) {
  admin = std::make_unique<TDatabase>(nullptr);
  admin->SetURI(uri);
  admin->Open();
  CreateTable();
}

GeneratorTest::~GeneratorTest() {
  programs.clear();
  admin.reset();
}

void GeneratorTest::CreateTable(const std::string& columns) {
  admin->Execute("DROP TABLE IF EXISTS \"Gentbl\"");
  admin->Execute("CREATE TABLE \"Gentbl\" (" + columns + ")");
}

Program& GeneratorTest::NewProgram(bool faulty) {
  programs.push_back(std::make_unique<Program>(uri, "Gentbl", faulty));
  return *programs.back();
}

GenRow GeneratorTest::Row(int gen_id, const std::string& prefix) {
  const auto rows = admin->Query(
      "SELECT \"Suffix\", \"LastTime\", \"Try\", \"State\", \"Who\" FROM \"Gentbl\" "
      "WHERE \"GenID\" = ? AND \"Prefix\" = ?",
      {Variant(gen_id), Variant(prefix)});
  GenRow row;
  if (rows.empty())
    return row;
  row.found = true;
  row.suffix = rows[0][0].ToString();
  row.last_time = rows[0][1];
  row.tries = rows[0][2];
  row.state = rows[0][3];
  row.who = rows[0][4].ToString();
  return row;
}

void GeneratorTest::UpdateRow(int gen_id, const std::string& prefix, const std::string& set,
                              std::vector<Variant> values) {
  values.push_back(Variant(gen_id));
  values.push_back(Variant(prefix));
  admin->Execute("UPDATE \"Gentbl\" SET " + set + " WHERE \"GenID\" = ? AND \"Prefix\" = ?",
                 values);
}

int GeneratorTest::RowCount() {
  return static_cast<int>(admin->Query("SELECT COUNT(*) FROM \"Gentbl\"")[0][0].ToInt64());
}

std::string StampAt(TDateTime moment) {
  std::uint16_t y, mo, d, h, mi, s, ms;
  DecodeDate(moment, y, mo, d);
  DecodeTime(moment, h, mi, s, ms);
  return Format("%04d%02d%02d%02d%02d%02d%03d", y, mo, d, h, mi, s, ms);
}

}  // namespace qgen::test
