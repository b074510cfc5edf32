#include "tests/gensrc/GeneratorFixture.h"

#include "framework/Text.h"
#include "gensrc/GeneratorTable.h"

namespace qgen::test {

Program::Program(const std::string& uri)
    : database(new TDatabase(&owner)),
      table(new FaultyTable(&owner)),
      source(new TDataSource(&owner)) {
  database->SetURI(uri);
  table->SetDatabase(database);
  table->SetTableName("Gentbl");
  source->SetDataSet(table);
}

TGenerator* Program::NewGenerator(const std::string& mask, const std::string& start,
                                  const std::string& end) {
  auto* gen = new TGenerator(&owner);
  gen->SetMask(mask);
  gen->FSetDataSource(source);
  gen->SetStartValue(start);
  gen->SetEndValue(end);
  return gen;
}

TGenerator* GeneratorTest::Drawn(int count, Program* program) {
  TGenerator* gen = (program != nullptr ? *program : NewProgram()).NewGenerator("INV-####");
  for (int i = 1; i <= count; ++i)
    EXPECT_EQ(gen->Generator(), Format("INV-%04d", i));
  return gen;
}

void GeneratorTest::UsePostgres() {
  QGEN_REQUIRE_POSTGRES();
  schema = std::make_unique<PostgresSchema>();
  uri = schema->Uri();
  admin = OpenDatabase(uri);
  CreateTable();
}

void GeneratorTest::CreateTable(const std::string& columns) {
  admin->Execute("DROP TABLE IF EXISTS \"Gentbl\"");
  if (columns.empty())
    EnsureGeneratorTable(*admin, "Gentbl");
  else
    admin->Execute("CREATE TABLE \"Gentbl\" (" + columns + ")");
}

GenRow GeneratorTest::Row() {
  const auto rows = admin->Query(
      "SELECT rtrim(\"Suffix\"), rtrim(\"LastTime\"), rtrim(\"Who\"), \"Try\", \"State\" "
      "FROM \"Gentbl\" WHERE \"GenID\" = 0 AND \"Prefix\" = 'INV-'");
  if (rows.empty())
    return GenRow{"(none)", "", "", Variant(), Variant()};
  auto text = [](const Variant& v) { return v.IsNull() ? std::string() : v.ToString(); };
  return GenRow{text(rows[0][0]), text(rows[0][1]), text(rows[0][2]), rows[0][3], rows[0][4]};
}

void GeneratorTest::UpdateRow(const std::string& set, std::vector<Variant> values) {
  admin->Execute("UPDATE \"Gentbl\" SET " + set + " WHERE \"Prefix\" = 'INV-'", values);
}

INSTANTIATE_TEST_SUITE_P(Backends, GeneratorOnBoth, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Postgres" : "Sqlite"; });

}  // namespace qgen::test
