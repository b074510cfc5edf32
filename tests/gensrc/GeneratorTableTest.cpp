// The generator table: the opening check, a new row's first value and the
// overflow as the handlers decide, and tables other programs made.
#include <string>
#include <vector>

#include "tests/gensrc/GeneratorFixture.h"

namespace qgen::test {
namespace {

const char kOpenError[] = "Error while opening generator table \r\nCheck DataSource!";
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

TEST_F(GeneratorTest, InitDBChecksTheSevenColumnsAndWarnsOfAMissingUniqueKey) {
  // The library's own columns, then shapes of it that other programs may have made.
  const std::string made =
      admin->Query("SELECT sql FROM sqlite_master WHERE name = 'Gentbl'")[0][0].ToString();
  const std::string keyed = made.substr(made.find('(') + 1, made.rfind(')') - made.find('(') - 1);
  const std::string key = ", PRIMARY KEY (\"GenID\", \"Prefix\")";
  const struct {
    std::string columns;
    std::string message;           // "" for none
    std::string table = "Gentbl";  // the table the generator opens; "" for no dataset
  } cases[] = {
      {"\"Note\" TEXT, \"Extra\" INTEGER, " + keyed, ""},
      {Replaced(keyed, key, ", UNIQUE (\"Prefix\", \"GenID\")"), ""},
      {Replaced(keyed, key, ""), "has no unique key on (GenID, Prefix)"},
      {Replaced(keyed, "\"GenID\" REAL", "\"GenID\" INTEGER"), kOpenError},
      {Replaced(keyed, "\"State\" REAL", "\"State\" INTEGER"), kOpenError},
      {Replaced(keyed, ", \"Who\" VARCHAR(20)", ""), kOpenError},
      {keyed, kOpenError, "NoSuchTable"},
      {keyed, kOpenError, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.columns + " in " + c.table);
    messages.Clear();
    CreateTable(c.columns);
    Program& program = NewProgram();
    program.table->SetTableName(c.table);
    if (c.table.empty())
      program.source->SetDataSet(nullptr);
    TGenerator* gen = program.NewGenerator("INV-##", "");
    gen->FSetDataSource(gen->DataSource());  // the same again: not opened or told again
    const bool usable = c.message != kOpenError;
    EXPECT_EQ(messages.messages.size(), c.message.empty() ? 0u : 1u);
    for (const ShownMessage& m : messages.messages)
      EXPECT_THAT(m.text, HasSubstr(c.message));
    EXPECT_EQ(gen->GenError, !usable);
    EXPECT_EQ(gen->Generator(), usable ? "INV-00" : "");
  }
}

TEST_P(GeneratorOnBoth, NewRowsAndOverflowsAreWhatTheHandlersSayAndFixedMasksTouchNothing) {
  TGenerator* chosen = NewProgram().NewGenerator("N-###", "001");
  chosen->OnNewRecord = [](TObject*, TmString& suffix) { suffix = "500"; };
  EXPECT_EQ(chosen->Generator(), "N-500");
  EXPECT_EQ(chosen->Generator(), "N-501");
  TGenerator* kept = NewProgram().NewGenerator("M-###", "001");
  kept->GenMask->SetSuffix("042");
  kept->OnNewRecord = [](TObject*, TmString&) {};
  EXPECT_EQ(kept->Generator(), "M-042");  // NullValue was not called

  TGenerator* handled = NewProgram().NewGenerator("B-##", "01", "02");
  std::vector<std::string> reported;
  handled->OnOverFlowMask = [&](TObject*, TmString suffix) { reported.push_back(suffix.str()); };
  for (const char* expected : {"B-01", "B-02", "B-03"})  // the handler decides
    EXPECT_EQ(handled->Generator(), expected);
  EXPECT_EQ(reported, std::vector<std::string>{"03"});
  EXPECT_EQ(NewProgram().NewGenerator("FIXED", "")->Generator(), "FIXED");
  EXPECT_EQ(RowCount(), 3);  // a mask without counting symbols has no row
  EXPECT_TRUE(messages.messages.empty());
}

// A table another program made with fixed-width columns: PostgreSQL pads
// char(n) text with blanks, which must not make a stamp unreadable (a fresh
// mark stale), an identity foreign or a stored value wrong.
TEST_P(GeneratorOnBoth, ACharTwentyTableWorksAsAnyOther) {
  CreateTable(
      "\"GenID\" float8, \"Prefix\" char(20), \"Suffix\" char(20), \"LastTime\" char(20), "
      "\"Try\" float8, \"State\" float8, \"Who\" char(20), PRIMARY KEY (\"GenID\", \"Prefix\")");
  TGenerator* gen = Drawn(3);
  TGenerator* waiter = NewProgram().NewGenerator("INV-####");
  EXPECT_EQ(gen->Undo(), "INV-0002");
  ASSERT_TRUE(gen->ReadDATA());  // holds the row: the waiter must find the mark fresh
  ASSERT_TRUE(waiter->GenTable->Locate("GenID;Prefix", Variant::Array({Variant(0), "INV-"})));
  EXPECT_FALSE(waiter->ReadDATA());
  EXPECT_EQ(Row().state, Variant(1));
  EXPECT_EQ(Row().tries, Variant(1));
  EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace qgen::test
