// TTable on a real database, the same tests on SQLite and on PostgreSQL:
// locating, inserting, editing, cancelling, field types, quoting, and the
// optimistic write between two connections.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dataaccess/Table.h"
#include "framework/Exception.h"
#include "tests/dataaccess/BackendFixture.h"

namespace qgen::test {
namespace {

class TableTest : public BackendTest {
 protected:
  // A small generator-like table: (GenID, Prefix) is the primary key.
  void MakeSequenceTable(const std::string& name = "seq") {
    Exec("CREATE TABLE " + db().QuoteIdentifier(name) + " (\"GenID\" " +
         Pick("REAL", "double precision") +
         " NOT NULL, \"Prefix\" VARCHAR(100) NOT NULL, \"Suffix\" VARCHAR(100), "
         "\"State\" " +
         Pick("REAL", "double precision") + ", PRIMARY KEY (\"GenID\", \"Prefix\"))");
  }

  void AddRow(double id, const std::string& prefix, const std::string& suffix, double state = 0) {
    Exec("INSERT INTO seq (\"GenID\", \"Prefix\", \"Suffix\", \"State\") VALUES (?, ?, ?, ?)",
         {id, prefix, suffix, state});
  }

  std::unique_ptr<TTable> OpenTable(TDatabase& database, const std::string& name = "seq") {
    auto table = std::make_unique<TTable>(nullptr);
    table->SetDatabase(&database);
    table->SetTableName(name);
    table->Open();
    return table;
  }

  std::string Stored(const std::string& column, double id, const std::string& prefix) {
    const auto rows = Query(
        "SELECT \"" + column + "\" FROM seq WHERE \"GenID\" = ? AND \"Prefix\" = ?", {id, prefix});
    return rows.empty() ? "<no row>" : rows[0][0].ToString();
  }
};

TEST_P(TableTest, LocateMatchesBothKeysExactlyAndCaseSensitively) {
  MakeSequenceTable();
  AddRow(1, "AB", "one-upper");
  AddRow(1, "ab", "one-lower");
  AddRow(2, "AB", "two-upper");
  auto table = OpenTable(db());

  struct Case {
    Variant id;
    std::string prefix;
    bool found;
    std::string suffix;
  };
  const Case cases[] = {
      {1, "ab", true, "one-lower"}, {1, "AB", true, "one-upper"},
      {2, "AB", true, "two-upper"}, {1, "Ab", false, ""},
      {2, "ab", false, ""},         {1, "AB ", false, ""},
      {1, "A", false, ""},          {3, "AB", false, ""},
      {1.5, "AB", false, ""},       {"1", "ab", true, "one-lower"},
      {"x", "ab", false, ""},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(table->Locate("GenID;Prefix", Variant::Array({1, "AB"})));
    EXPECT_EQ(table->Locate("genid; PREFIX", Variant::Array({c.id, c.prefix})), c.found)
        << c.id.ToString() << "/" << c.prefix;
    // Not found: the record stays where it was.
    EXPECT_EQ(table->FieldByName("Suffix")->AsString(), c.found ? c.suffix : "one-upper")
        << c.id.ToString() << "/" << c.prefix;
  }
  // A single key needs no array; a wrong number of values is refused.
  EXPECT_TRUE(table->Locate("Suffix", "two-upper"));
  EXPECT_EQ(table->FieldByName("GenID")->Value(), Variant(2));
  EXPECT_THROW(table->Locate("GenID;Prefix", Variant(1)), EDatabaseError);
  EXPECT_THROW(table->Locate("GenID;Nope", Variant::Array({1, "AB"})), EDatabaseError);
}

TEST_P(TableTest, LocateReadsTheRowAfresh) {
  MakeSequenceTable();
  AddRow(1, "P", "old");
  auto table = OpenTable(db());
  ASSERT_TRUE(table->Locate("GenID;Prefix", Variant::Array({1, "P"})));
  Exec("UPDATE seq SET \"Suffix\" = 'new'");
  EXPECT_EQ(table->FieldByName("Suffix")->AsString(), "old");
  ASSERT_TRUE(table->Locate("GenID;Prefix", Variant::Array({1, "P"})));
  EXPECT_EQ(table->FieldByName("Suffix")->AsString(), "new");
}

TEST_P(TableTest, InsertEditAndCancel) {
  MakeSequenceTable();
  auto table = OpenTable(db());
  EXPECT_TRUE(table->Eof());

  table->Insert();
  EXPECT_EQ(table->State(), dsInsert);
  table->FieldByName("GenID")->SetValue(3);
  table->FieldByName("Prefix")->SetAsString("INV-");
  table->FieldByName("Suffix")->SetAsString("0001");
  table->FieldByName("State")->SetValue(0);
  table->Post();
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(Stored("Suffix", 3, "INV-"), "0001");
  EXPECT_EQ(table->FieldByName("GenID")->DataType(), ftFloat);
  EXPECT_EQ(table->FieldByName("GenID")->Value().Type(), VarType::Float);

  // Cancel of an edit: nothing written, the fields show the record again.
  table->Edit();
  table->FieldByName("Suffix")->SetAsString("0002");
  EXPECT_EQ(table->FieldByName("Suffix")->AsString(), "0002");
  table->Cancel();
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->FieldByName("Suffix")->AsString(), "0001");
  EXPECT_EQ(Stored("Suffix", 3, "INV-"), "0001");

  // An edit that is posted.
  table->Edit();
  table->FieldByName("Suffix")->SetAsString("0002");
  table->FieldByName("State")->SetValue(1);
  table->Post();
  EXPECT_EQ(Stored("Suffix", 3, "INV-"), "0002");
  EXPECT_EQ(Stored("State", 3, "INV-"), "1");

  // Cancel of an insert: nothing written, the former record current again.
  table->Insert();
  table->FieldByName("GenID")->SetValue(4);
  table->FieldByName("Prefix")->SetAsString("X");
  table->Cancel();
  EXPECT_EQ(table->FieldByName("Prefix")->AsString(), "INV-");
  EXPECT_EQ(Query("SELECT COUNT(*) FROM seq")[0][0].ToInt64(), 1);

  // Writing needs dsEdit or dsInsert.
  EXPECT_THROW(table->FieldByName("Suffix")->SetAsString("x"), EDatabaseError);
  // Text that is no number does not go into a numeric field.
  table->Edit();
  EXPECT_THROW(table->FieldByName("State")->SetAsString("busy"), EConvertError);
  table->Cancel();
}

TEST_P(TableTest, NewRecordHandlerRunsWhileFieldsAreWritable) {
  MakeSequenceTable();
  auto table = OpenTable(db());
  int calls = 0;
  table->OnNewRecord = [&](TDataSet* dataset) {
    ++calls;
    EXPECT_EQ(dataset, table.get());
    EXPECT_EQ(dataset->State(), dsInsert);
    EXPECT_TRUE(dataset->FieldByName("Suffix")->IsNull());
    dataset->FieldByName("Suffix")->SetAsString("from-handler");
  };
  table->Insert();
  EXPECT_EQ(calls, 1);
  table->FieldByName("GenID")->SetValue(1);
  table->FieldByName("Prefix")->SetAsString("");
  table->Post();
  EXPECT_EQ(Stored("Suffix", 1, ""), "from-handler");

  // A handler that raises: the insert is dropped and the error passed on.
  table->OnNewRecord = [](TDataSet*) { throw Exception("handler failed"); };
  EXPECT_THROW(table->Insert(), Exception);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->FieldByName("Suffix")->AsString(), "from-handler");
}

TEST_P(TableTest, FieldTypeCodesFollowTheDeclaredColumnType) {
  struct Column {
    std::string sqlite;
    std::string postgres;
    TFieldType expected;
  };
  const Column columns[] = {
      {"REAL", "real", ftFloat},
      {"DOUBLE PRECISION", "double precision", ftFloat},
      {"FLOAT", "float8", ftFloat},
      {"NUMERIC(12,2)", "numeric(12,2)", ftFloat},
      {"DECIMAL(10, 3)", "decimal(10, 3)", ftFloat},
      {"NUMERIC(10)", "numeric(10)", ftBCD},
      {"VARCHAR(100)", "varchar(100)", ftString},
      {"CHAR(17)", "char(17)", ftString},
      {"TEXT", "text", ftString},
      {"CLOB", "varchar", ftString},
      {"NVARCHAR(20)", "varchar(20)", IsPostgres() ? ftString : ftWideString},
      {"NCHAR(5)", "char(5)", IsPostgres() ? ftString : ftWideString},
      {"INTEGER", "integer", ftInteger},
      {"INT", "int4", ftInteger},
      {"SMALLINT", "smallint", ftSmallint},
      {"BIGINT", "bigint", ftLargeint},
  };
  std::string ddl = "CREATE TABLE types (";
  for (std::size_t i = 0; i < std::size(columns); ++i) {
    ddl +=
        (i ? ", c" : "c") + std::to_string(i) + " " + Pick(columns[i].sqlite, columns[i].postgres);
  }
  Exec(ddl + ")");
  auto table = OpenTable(db(), "types");
  ASSERT_EQ(table->FieldCount(), static_cast<int>(std::size(columns)));
  for (std::size_t i = 0; i < std::size(columns); ++i) {
    const TField* field = table->Fields(static_cast<int>(i));
    EXPECT_EQ(field->DataType(), columns[i].expected)
        << Pick(columns[i].sqlite, columns[i].postgres);
  }
  EXPECT_EQ(table->FieldByName("c6")->Size(), 100);
  EXPECT_EQ(table->FieldByName("c7")->Size(), 17);
}

TEST_P(TableTest, QuotesAndSemicolonsInNamesAndValuesAreData) {
  const std::string name = "we\"ird; DROP TABLE x; --'";
  const std::string column = "col\"; 'x";
  Exec("CREATE TABLE " + db().QuoteIdentifier(name) + " (k VARCHAR(50) PRIMARY KEY, " +
       db().QuoteIdentifier(column) + " VARCHAR(50))");
  auto table = OpenTable(db(), name);
  const std::string values[] = {"it's", "a;b", "\"q\"", "'; DELETE FROM x; --", "?", "$1"};
  for (const std::string& value : values) {
    table->Insert();
    table->FieldByName("k")->SetAsString(value);
    table->FieldByName(column)->SetAsString(value + "!");
    table->Post();
  }
  for (const std::string& value : values) {
    ASSERT_TRUE(table->Locate("k", value)) << value;
    EXPECT_EQ(table->FieldByName(column)->AsString(), value + "!");
    table->Edit();
    table->FieldByName(column)->SetAsString(value + "?");
    table->Post();
  }
  const auto rows = Query("SELECT k, " + db().QuoteIdentifier(column) + " FROM " +
                              db().QuoteIdentifier(name) + " WHERE k = ?",
                          {"'; DELETE FROM x; --"});
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][1].ToString(), "'; DELETE FROM x; --?");
  EXPECT_EQ(Query("SELECT COUNT(*) FROM " + db().QuoteIdentifier(name))[0][0].ToInt64(),
            static_cast<std::int64_t>(std::size(values)));
}

TEST_P(TableTest, FirstPostWinsBetweenTwoConnections) {
  MakeSequenceTable();
  AddRow(1, "P", "0007");
  auto db2 = Connect();
  auto first = OpenTable(db());
  auto second = OpenTable(*db2);
  ASSERT_TRUE(first->Locate("GenID;Prefix", Variant::Array({1, "P"})));
  ASSERT_TRUE(second->Locate("GenID;Prefix", Variant::Array({1, "P"})));

  first->Edit();
  first->FieldByName("State")->SetValue(1);
  first->FieldByName("Suffix")->SetAsString("0008");
  second->Edit();
  second->FieldByName("State")->SetValue(1);
  second->FieldByName("Suffix")->SetAsString("0009");
  first->Post();
  try {
    second->Post();
    FAIL() << "the second post must fail";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Record changed by another user");
  }
  EXPECT_EQ(second->State(), dsBrowse);
  EXPECT_EQ(second->FieldByName("Suffix")->AsString(), "0008");
  EXPECT_EQ(second->FieldByName("State")->Value(), Variant(1));
  EXPECT_EQ(Stored("Suffix", 1, "P"), "0008");

  // Having read the row again, the second one can now write it.
  second->Edit();
  second->FieldByName("State")->SetValue(0);
  second->Post();
  EXPECT_EQ(Stored("State", 1, "P"), "0");
}

// Two rows of one key: locating the key again after writing one of them
// finds the same row, with or without a primary key elsewhere in the table.
TEST_P(TableTest, LocateKeepsToOneRowOfAKeyThroughItsWrites) {
  for (const std::string& key :
       {std::string(), Pick("id INTEGER PRIMARY KEY, ", "id serial PRIMARY KEY, ")}) {
    SCOPED_TRACE(key);
    Exec("DROP TABLE IF EXISTS twice");
    Exec("CREATE TABLE twice (" + key + "k INTEGER, v VARCHAR(20))");
    Exec("INSERT INTO twice (k, v) VALUES (1, 'a'), (1, 'b')");
    auto table = OpenTable(db(), "twice");
    for (int i = 0; i < 4; ++i) {
      ASSERT_TRUE(table->Locate("k", 1));
      table->Edit();
      table->FieldByName("v")->SetAsString(table->FieldByName("v")->AsString() + "+");
      table->Post();
    }
    const auto rows = Query("SELECT v FROM twice ORDER BY v");
    EXPECT_EQ(rows[0][0].ToString() + " " + rows[1][0].ToString(), "a++++ b");
  }
}

TEST_P(TableTest, EditOfADeletedRowLeavesNoCurrentRecord) {
  MakeSequenceTable();
  AddRow(1, "P", "a");
  auto table = OpenTable(db());
  ASSERT_TRUE(table->Locate("Prefix", "P"));
  Exec("DELETE FROM seq");
  table->Edit();
  table->FieldByName("Suffix")->SetAsString("b");
  EXPECT_THROW(table->Post(), EDatabaseError);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_TRUE(table->FieldByName("Suffix")->IsNull());
  EXPECT_THROW(table->Edit(), EDatabaseError);
  EXPECT_EQ(Query("SELECT COUNT(*) FROM seq")[0][0].ToInt64(), 0);
}

TEST_P(TableTest, UnchangedFloatsAndNullsDoNotLookLikeAnotherWriter) {
  Exec(std::string("CREATE TABLE f (id INTEGER PRIMARY KEY, x ") +
       Pick("REAL", "double precision") + ", y " + Pick("REAL", "real") + ", z " +
       Pick("NUMERIC(20,10)", "numeric(30,20)") + ", n VARCHAR(10), t VARCHAR(10))");
  Exec("INSERT INTO f (id, x, y, z, n, t) VALUES (1, ?, 0.1, ?, NULL, 'a')",
       {0.1 + 0.2, Pick("0.3333333333", "1234567890.12345678901234567890")});
  auto table = OpenTable(db(), "f");
  for (const char* value : {"b", "c"}) {
    table->Edit();
    table->FieldByName("t")->SetAsString(value);
    EXPECT_NO_THROW(table->Post());
    EXPECT_EQ(Query("SELECT t FROM f")[0][0].ToString(), value);
  }
  EXPECT_DOUBLE_EQ(table->FieldByName("x")->Value().ToDouble(), 0.1 + 0.2);
}

TEST_P(TableTest, ConstraintFailureKeepsTheInsertPendingForCorrection) {
  MakeSequenceTable();
  AddRow(1, "P", "a");
  auto table = OpenTable(db());
  table->Insert();
  table->FieldByName("GenID")->SetValue(1);
  table->FieldByName("Prefix")->SetAsString("P");
  table->FieldByName("Suffix")->SetAsString("b");
  EXPECT_THROW(table->Post(), EDatabaseError);
  EXPECT_EQ(table->State(), dsInsert);
  EXPECT_EQ(table->FieldByName("Suffix")->AsString(), "b");

  table->FieldByName("Prefix")->SetAsString("Q");
  table->Post();
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(Stored("Suffix", 1, "Q"), "b");
  EXPECT_EQ(Stored("Suffix", 1, "P"), "a");

  // The same for an edit refused by the key.
  table->Edit();
  table->FieldByName("Prefix")->SetAsString("P");
  EXPECT_THROW(table->Post(), EDatabaseError);
  EXPECT_EQ(table->State(), dsEdit);
  table->Cancel();
  EXPECT_EQ(table->FieldByName("Prefix")->AsString(), "Q");
}

TEST_P(TableTest, NavigationWithAPendingChangeRaises) {
  MakeSequenceTable();
  AddRow(1, "A", "a");
  AddRow(1, "B", "b");
  auto table = OpenTable(db());
  table->Edit();
  table->FieldByName("Suffix")->SetAsString("changed");
  EXPECT_THROW(table->Locate("Prefix", "B"), EDatabaseError);
  EXPECT_THROW(table->First(), EDatabaseError);
  EXPECT_THROW(table->Next(), EDatabaseError);
  EXPECT_THROW(table->Insert(), EDatabaseError);
  EXPECT_EQ(table->State(), dsEdit);
  EXPECT_EQ(table->FieldByName("Suffix")->AsString(), "changed");
  table->Cancel();
  EXPECT_EQ(Query("SELECT \"Suffix\" FROM seq WHERE \"Prefix\" = 'A'")[0][0].ToString(), "a");
}

TEST_P(TableTest, BrowsesInNaturalOrder) {
  MakeSequenceTable();
  AddRow(1, "C", "c");
  AddRow(1, "A", "a");
  AddRow(1, "B", "b");
  auto table = OpenTable(db());
  std::string seen;
  for (table->First(); !table->Eof(); table->Next())
    seen += table->FieldByName("Suffix")->AsString();
  EXPECT_EQ(seen, "cab");
  // Past the end the last record stays current.
  EXPECT_EQ(table->FieldByName("Suffix")->AsString(), "b");
  table->Next();
  EXPECT_TRUE(table->Eof());

  // Edits while browsing do not make records come round again.
  seen.clear();
  for (table->First(); !table->Eof(); table->Next()) {
    table->Edit();
    table->FieldByName("Suffix")->SetAsString(table->FieldByName("Suffix")->AsString() + "+");
    table->Post();
    seen += table->FieldByName("Suffix")->AsString();
  }
  EXPECT_EQ(seen, "c+a+b+");
}

TEST_P(TableTest, ReadOnlyTableAndFieldRefuseChangesAtOnce) {
  MakeSequenceTable();
  AddRow(1, "A", "a");
  auto table = OpenTable(db());
  table->SetReadOnly(true);
  EXPECT_FALSE(table->CanModify());
  EXPECT_FALSE(table->FieldByName("Suffix")->CanModify());
  EXPECT_THROW(table->Edit(), EDatabaseError);
  EXPECT_THROW(table->Insert(), EDatabaseError);
  EXPECT_EQ(table->State(), dsBrowse);

  table->SetReadOnly(false);
  table->FieldByName("Suffix")->SetReadOnly(true);
  EXPECT_FALSE(table->FieldByName("Suffix")->CanModify());
  table->Edit();
  EXPECT_THROW(table->FieldByName("Suffix")->SetAsString("x"), EDatabaseError);
  table->Cancel();
}

TEST_P(TableTest, UpperHalfBytesTravelAsUtf8) {
  MakeSequenceTable();
  TDatabase& database = db();
  database.SetCodePage("WINDOWS-1251");
  auto table = OpenTable(database);
  const std::string engine = "\xC6\xE0\xEA-\xB8";  // Windows-1251 letters
  table->Insert();
  table->FieldByName("GenID")->SetValue(1);
  table->FieldByName("Prefix")->SetAsString(engine);
  table->FieldByName("Suffix")->SetAsString("\xFF");
  table->Post();
  EXPECT_EQ(table->FieldByName("Prefix")->AsString(), engine);

  const auto rows = Query("SELECT \"Prefix\", \"Suffix\" FROM seq");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0].ToString(), "\xD0\x96\xD0\xB0\xD0\xBA-\xD1\x91");  // UTF-8
  EXPECT_EQ(rows[0][1].ToString(), "\xD1\x8F");

  auto again = OpenTable(database);
  ASSERT_TRUE(again->Locate("GenID;Prefix", Variant::Array({1, engine})));
  EXPECT_EQ(again->FieldByName("Suffix")->AsString(), "\xFF");

  // A byte the code page does not define fails the post, which stays pending.
  again->Edit();
  again->FieldByName("Suffix")->SetAsString("\x98");
  EXPECT_THROW(again->Post(), EDatabaseError);
  EXPECT_EQ(again->State(), dsEdit);
  again->Cancel();

  // Another code page reads the same letters as its own bytes, or says it cannot.
  database.SetCodePage("ISO-8859-1");
  EXPECT_THROW(OpenTable(database), EDatabaseError);
}

TEST_P(TableTest, MissingTableIsReportedByName) {
  TTable table(nullptr);
  table.SetDatabase(&db());
  table.SetTableName("no_such_table");
  try {
    table.Open();
    FAIL() << "opened a missing table";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("'no_such_table' does not exist"), std::string::npos)
        << e.what();
  }
  EXPECT_FALSE(table.Active());
}

QGEN_BACKEND_TEST_SUITE(TableTest);

}  // namespace
}  // namespace qgen::test
