// TTable on a real database, the same tests on SQLite and on PostgreSQL:
// locating, writing and cancelling, field types, quoting, code pages, and the
// optimistic write that refuses a row another writer changed.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "framework/Exception.h"
#include "tests/dataaccess/BackendFixture.h"

namespace qgen::test {
namespace {

class TableTest : public BackendTest {
 protected:
  // A generator-like table "seq" ((GenID, Prefix) its primary key) holding
  // `rows` of (GenID, Prefix, Suffix), opened on `database` (default: the
  // fixture's own).
  std::unique_ptr<TTable> Sequence(
      const std::vector<std::tuple<double, std::string, std::string>>& rows,
      TDatabase* database = nullptr) {
    const std::string real = Pick("REAL", "double precision");
    Exec("CREATE TABLE seq (\"GenID\" " + real +
         " NOT NULL, \"Prefix\" VARCHAR(100) NOT NULL, \"Suffix\" VARCHAR(100), \"State\" " + real +
         ", PRIMARY KEY (\"GenID\", \"Prefix\"))");
    for (const auto& [id, prefix, suffix] : rows)
      Exec("INSERT INTO seq VALUES (?, ?, ?, 0)", {id, prefix, suffix});
    return OpenTable("seq", database);
  }
};

TEST_P(TableTest, LocateMatchesEveryKeyExactlyAndReadsTheRowAfresh) {
  auto table = Sequence({{1, "AB", "one-upper"}, {1, "ab", "one-lower"}, {2, "AB", "two-upper"}});
  const struct {
    Variant id;
    const char* prefix;
    const char* found;  // the suffix of the row found, or none
  } cases[] = {{1, "ab", "one-lower"},   {2, "AB", "two-upper"}, {1, "Ab", nullptr},
               {1, "AB ", nullptr},      {1, "A", nullptr},      {1.5, "AB", nullptr},
               {"1", "ab", "one-lower"}, {"x", "ab", nullptr}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id.ToString() + "/" + c.prefix);
    ASSERT_TRUE(table->Locate("GenID;Prefix", Variant::Array({1, "AB"})));
    EXPECT_EQ(table->Locate("genid; PREFIX", Variant::Array({c.id, c.prefix})), c.found != nullptr);
    // Not found: the record stays where it was.
    EXPECT_EQ(table->FieldByName("Suffix")->AsString(), c.found ? c.found : "one-upper");
  }
  // One key needs no array; a wrong number of values or an unknown field is refused.
  EXPECT_TRUE(table->Locate("Suffix", "two-upper"));
  EXPECT_EQ(table->FieldByName("GenID")->Value(), Variant(2));
  EXPECT_THROW(table->Locate("GenID;Prefix", Variant(1)), EDatabaseError);
  EXPECT_THROW(table->Locate("GenID;Nope", Variant::Array({1, "AB"})), EDatabaseError);
  // Locating again reads what another writer stored since.
  Exec("UPDATE seq SET \"Suffix\" = 'new'");
  EXPECT_EQ(table->FieldByName("Suffix")->AsString(), "two-upper");
  ASSERT_TRUE(table->Locate("GenID;Prefix", Variant::Array({2, "AB"})));
  EXPECT_EQ(table->FieldByName("Suffix")->AsString(), "new");
  // Found, checked and written in one statement: only where the check holds.
  Exec("UPDATE seq SET \"State\" = 1 WHERE \"Prefix\" = 'ab'");
  const auto mark = [&](const char* prefix) {
    return table->EditWhere("GenID;Prefix", Variant::Array({1, prefix}), "State", Variant(0),
                            {{"Suffix", Variant("edited")}, {"State", Variant(2)}});
  };
  EXPECT_FALSE(mark("ab"));  // State 1: nothing written, the record stays
  EXPECT_EQ(table->FieldByName("Suffix")->AsString(), "new");
  EXPECT_TRUE(mark("AB"));
  EXPECT_EQ(table->FieldByName("Suffix")->AsString() + table->FieldByName("State")->AsString(),
            "edited2");
  EXPECT_EQ(Value("SELECT \"Suffix\" FROM seq ORDER BY \"State\" DESC"), "edited,new,new");
  // Stepped in the same statement: only from a value listed, to the one paired with it.
  const auto step = [&](TTable& on) {
    return on.StepWhere("GenID;Prefix", Variant::Array({1, "AB"}), "State", Variant(2),
                        {.field = "Suffix", .from = {"a", "edited", "b"}, .to = {"b", "c", "d"}},
                        {{"State", Variant(2)}});
  };
  EXPECT_TRUE(step(*table));
  EXPECT_EQ(table->FieldByName("Suffix")->AsString(), "c");
  EXPECT_FALSE(step(*table));  // "c" is not listed: nothing written
  EXPECT_EQ(Value("SELECT \"Suffix\" FROM seq WHERE \"State\" = 2"), "c");
  if (!IsPostgres())
    return;
  // A writer queued behind another steps from what the first wrote, not from what it saw.
  Exec("UPDATE seq SET \"Suffix\" = 'a' WHERE \"State\" = 2");
  const auto other = Connect();
  auto second = OpenTable("seq", other.get());
  db().StartTransaction();
  EXPECT_TRUE(step(*table));
  bool stepped = false;
  std::thread queued([&] { stepped = step(*second); });
  for (int i = 0; i < 1000 && Value("SELECT count(*) FROM pg_locks WHERE NOT granted") == "0"; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  db().Commit();
  queued.join();
  EXPECT_TRUE(stepped);
  EXPECT_EQ(second->FieldByName("Suffix")->AsString(), "d");
}

TEST_P(TableTest, FieldTypeCodesFollowTheDeclaredColumnType) {
  const struct {
    const char *sqlite, *postgres;
    TFieldType type;  // PostgreSQL has no wide strings: ftString there
  } columns[] = {{"REAL", "real", ftFloat},
                 {"DOUBLE PRECISION", "double precision", ftFloat},
                 {"FLOAT", "float8", ftFloat},
                 {"NUMERIC(12,2)", "numeric(12,2)", ftFloat},
                 {"DECIMAL(10, 3)", "decimal(10, 3)", ftFloat},
                 {"NUMERIC(10)", "numeric(10)", ftBCD},
                 {"VARCHAR(100)", "varchar(100)", ftString},
                 {"CHAR(17)", "char(17)", ftString},
                 {"TEXT", "text", ftString},
                 {"CLOB", "varchar", ftString},
                 {"NVARCHAR(20)", "varchar(20)", ftWideString},
                 {"INTEGER", "integer", ftInteger},
                 {"SMALLINT", "smallint", ftSmallint},
                 {"BIGINT", "bigint", ftLargeint}};
  std::string ddl;
  for (const auto& c : columns)
    ddl += (ddl.empty() ? "c" : ", c") + std::to_string(&c - columns) + " " +
           Pick(c.sqlite, c.postgres);
  Exec("CREATE TABLE types (" + ddl + ")");
  auto table = OpenTable("types");
  ASSERT_EQ(table->FieldCount(), static_cast<int>(std::size(columns)));
  for (const auto& c : columns)
    EXPECT_EQ(table->Fields(static_cast<int>(&c - columns))->DataType(),
              IsPostgres() && c.type == ftWideString ? ftString : c.type)
        << Pick(c.sqlite, c.postgres);
  EXPECT_EQ(table->FieldByName("c6")->Size(), 100);
  EXPECT_EQ(table->FieldByName("c7")->Size(), 17);
}

TEST_P(TableTest, QuotesAndSemicolonsInNamesAndValuesAreData) {
  const std::string name = "we\"ird; DROP TABLE x; --'";
  const std::string column = "col\"; 'x";
  Exec("CREATE TABLE " + db().QuoteIdentifier(name) + " (k VARCHAR(50) PRIMARY KEY, " +
       db().QuoteIdentifier(column) + " VARCHAR(50))");
  auto table = OpenTable(name);
  const std::string values[] = {"it's", "a;b", "\"q\"", "'; DELETE FROM x; --", "?", "$1"};
  for (const std::string& value : values) {
    SCOPED_TRACE(value);
    table->Insert();
    table->FieldByName("k")->SetAsString(value);
    table->FieldByName(column)->SetAsString(value + "!");
    table->Post();
    ASSERT_TRUE(table->Locate("k", value));
    EXPECT_EQ(table->FieldByName(column)->AsString(), value + "!");
    Change(*table, column, value + "?");
    EXPECT_EQ(Value("SELECT " + db().QuoteIdentifier(column) + " FROM " +
                        db().QuoteIdentifier(name) + " WHERE k = ?",
                    {value}),
              value + "?");
  }
}

TEST_P(TableTest, APostRefusesARowAnotherWriterChangedOrDeleted) {
  auto other = Connect();
  auto first = Sequence({{1, "P", "0007"}});
  auto second = OpenTable("seq", other.get());
  for (TTable* table : {first.get(), second.get()}) {
    ASSERT_TRUE(table->Locate("GenID;Prefix", Variant::Array({1, "P"})));
    table->Edit();
    table->FieldByName("State")->SetValue(1);
    table->FieldByName("Suffix")->SetAsString(table == first.get() ? "0008" : "0009");
  }
  first->Post();
  EXPECT_EQ(MessageOf<EDatabaseError>([&] { second->Post(); }), "Record changed by another user");
  // The loser is back in dsBrowse showing the winner's row, and may write now.
  EXPECT_EQ(second->State(), dsBrowse);
  EXPECT_EQ(second->FieldByName("Suffix")->AsString(), "0008");
  EXPECT_EQ(second->FieldByName("State")->Value(), Variant(1));
  Change(*second, "State", "0");
  EXPECT_EQ(Value("SELECT \"Suffix\" || '/' || \"State\" FROM seq"), Pick("0008/0.0", "0008/0"));

  // A row deleted meanwhile: the post fails and leaves no current record.
  Exec("DELETE FROM seq");
  EXPECT_THROW(Change(*first, "Suffix", "b"), EDatabaseError);
  EXPECT_EQ(first->State(), dsBrowse);
  EXPECT_TRUE(first->FieldByName("Suffix")->IsNull());
  EXPECT_THROW(first->Edit(), EDatabaseError);
  EXPECT_EQ(Value("SELECT COUNT(*) FROM seq"), "0");
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
    auto table = OpenTable("twice");
    for (int i = 0; i < 4; ++i) {
      ASSERT_TRUE(table->Locate("k", 1));
      Change(*table, "v", table->FieldByName("v")->AsString() + "+");
    }
    EXPECT_EQ(Value("SELECT v FROM twice ORDER BY v"), "a++++,b");
  }
}

TEST_P(TableTest, UnchangedFloatsAndNullsDoNotLookLikeAnotherWriter) {
  Exec("CREATE TABLE f (id INTEGER PRIMARY KEY, x " + Pick("REAL", "double precision") + ", y " +
       Pick("REAL", "real") + ", z " + Pick("NUMERIC(20,10)", "numeric(30,20)") +
       ", n VARCHAR(10), t VARCHAR(10))");
  Exec("INSERT INTO f (id, x, y, z, n, t) VALUES (1, ?, 0.1, ?, NULL, 'a')",
       {0.1 + 0.2, Pick("0.3333333333", "1234567890.12345678901234567890")});
  auto table = OpenTable("f");
  for (const char* value : {"b", "c"}) {
    EXPECT_NO_THROW(Change(*table, "t", value));
    EXPECT_EQ(Value("SELECT t FROM f"), value);
  }
  EXPECT_DOUBLE_EQ(table->FieldByName("x")->Value().ToDouble(), 0.1 + 0.2);
}

// Cancel leaves the stored record; what a pending change, the state, a
// read-only table or a read-only field forbids is refused at once, and the
// change stays as it was.
TEST_P(TableTest, CancelAndTheChangesNotAllowedNowLeaveTheStoredRecord) {
  auto table = Sequence({{1, "A", "a"}, {1, "B", "b"}});
  EXPECT_THROW(table->FieldByName("Suffix")->SetAsString("x"), EDatabaseError);  // not editing
  table->Edit();
  EXPECT_THROW(table->FieldByName("State")->SetAsString("busy"), EConvertError);
  table->FieldByName("Suffix")->SetAsString("changed");
  const std::function<void()> moves[] = {[&] { table->Locate("Prefix", "B"); },
                                         [&] { table->First(); }, [&] { table->Next(); },
                                         [&] { table->Insert(); }};
  for (const auto& move : moves)
    EXPECT_THROW(move(), EDatabaseError);
  EXPECT_EQ(table->State(), dsEdit);
  EXPECT_EQ(table->FieldByName("Suffix")->AsString(), "changed");
  table->Cancel();
  EXPECT_EQ(table->FieldByName("Suffix")->AsString() + Value("SELECT \"Suffix\" FROM seq"), "aa,b");
  // A cancelled insert writes nothing; the former record is current again.
  table->Insert();
  table->FieldByName("Prefix")->SetAsString("X");
  table->Cancel();
  EXPECT_EQ(table->FieldByName("Prefix")->AsString(), "A");
  EXPECT_EQ(Value("SELECT COUNT(*) FROM seq"), "2");

  table->SetReadOnly(true);
  EXPECT_THROW(table->Edit(), EDatabaseError);
  EXPECT_THROW(table->Insert(), EDatabaseError);
  EXPECT_EQ(table->State(), dsBrowse);
  table->SetReadOnly(false);
  table->FieldByName("Suffix")->SetReadOnly(true);
  table->Edit();
  EXPECT_THROW(table->FieldByName("Suffix")->SetAsString("x"), EDatabaseError);
  table->Cancel();
}

TEST_P(TableTest, BrowsesInNaturalOrderAndEditsDoNotBringRecordsRoundAgain) {
  auto table = Sequence({{1, "C", "c"}, {1, "A", "a"}, {1, "B", "b"}});
  for (const std::string added : {"", "+"}) {
    std::string seen;
    for (table->First(); !table->Eof(); table->Next()) {
      if (!added.empty())
        Change(*table, "Suffix", table->FieldByName("Suffix")->AsString() + added);
      seen += table->FieldByName("Suffix")->AsString();
    }
    EXPECT_EQ(seen, added.empty() ? "cab" : "c+a+b+");
    // Past the end the last record stays current, also after another Next.
    table->Next();
    EXPECT_EQ(table->FieldByName("Suffix")->AsString(), "b" + added);
  }
}

TEST_P(TableTest, UpperHalfBytesTravelAsUtf8) {
  db().SetCodePage("WINDOWS-1251");
  auto table = Sequence({});
  const std::string engine = "\xC6\xE0\xEA-\xB8";  // Windows-1251 letters
  table->Insert();
  table->FieldByName("GenID")->SetValue(1);
  table->FieldByName("Prefix")->SetAsString(engine);
  table->FieldByName("Suffix")->SetAsString("\xFF");
  table->Post();
  EXPECT_EQ(table->FieldByName("Prefix")->AsString(), engine);
  EXPECT_EQ(Value("SELECT \"Prefix\" || \"Suffix\" FROM seq"),
            "\xD0\x96\xD0\xB0\xD0\xBA-\xD1\x91\xD1\x8F");  // UTF-8

  ASSERT_TRUE(table->Locate("GenID;Prefix", Variant::Array({1, engine})));
  EXPECT_EQ(table->FieldByName("Suffix")->AsString(), "\xFF");
  // A byte the code page does not define fails the post, which stays pending.
  EXPECT_THROW(Change(*table, "Suffix", "\x98"), EDatabaseError);
  EXPECT_EQ(table->State(), dsEdit);
  table->Cancel();
  // A code page that cannot hold the stored letters says so.
  db().SetCodePage("ISO-8859-1");
  EXPECT_THROW(OpenTable("seq"), EDatabaseError);
}

QGEN_BACKEND_TEST_SUITE(TableTest);

}  // namespace
}  // namespace qgen::test
