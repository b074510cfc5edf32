// Form files in the qgen tool, run as the built program in a fresh directory:
// the README's commands on the example form, `qgen form check`, and --form in
// place of the options a form sets for next, session and stamp.
#include <string>
#include <vector>

#include "tests/support/QgenProcess.h"
#include "tests/support/TestSupport.h"

namespace qgen::test {
namespace {

const std::string kExample = QGEN_SOURCE_DIR "/examples/invoice.form.json";

class FormCommand : public ::testing::Test {
 protected:
  // Runs qgen in this test's directory (where qgen.db is made).
  QgenOutcome Run(const std::vector<std::string>& args, const std::string& input = "") {
    return QgenProcess::Run(args, {.cwd = dir_.path()}, input);
  }
  // Writes a form: a database, its table `table` and a data source S on it,
  // then `component` (a JSON object).
  void Form(const std::string& name, const std::string& table, const std::string& component) {
    WriteFile(dir_.File(name), R"({"class": "TDataModule", "components": [
      {"class": "TDatabase", "name": "Db"},
      {"class": "TTable", "name": "T", "properties": {"Database": "Db", "TableName": ")" +
                                   table + R"("}},
      {"class": "TDataSource", "name": "S", "properties": {"DataSet": "T"}}, )" +
                                   component + "]}");
  }

  TempDir dir_;
};

TEST_F(FormCommand, TheReadmeCommandsIssueNumbersFromTheExampleForm) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> steps = {
      {{"next", "--form", kExample, "--component", "InvoiceNumbers", "-n", "3"},
       "INV-0001\nINV-0002\nINV-0003\n"},
      {{"next", "--form", kExample, "--component", "InvoiceNumbers"}, "INV-0004\n"},
      // The form binds GetUserPrefixes to the tool's UserOption handler.
      {{"next", "--form", kExample, "--component", "BranchReceipts", "--user", "K", "-n", "2"},
       "RK-00001\nRK-00002\n"},
      {{"session", "--form", kExample, "--component", "invoicenumbers"}, "INV-0005\n"},
  };
  for (const auto& [args, out] : steps) {
    const QgenOutcome r = Run(args, "next\n");
    EXPECT_EQ(r.out, out) << r.err;
    EXPECT_EQ(r.err, "");
  }
  const QgenOutcome check = Run({"form", "check", kExample});
  EXPECT_THAT(check.out, HasSubstr("  InvoiceNumbers: TGenerator\n    Mask = \"INV-####\"\n"));
  EXPECT_THAT(check.out, HasSubstr("    GeneratorType = 0  (default)\n"));
  EXPECT_THAT(check.out, HasSubstr("    GetUserPrefixes = UserOption\n"));
}

TEST_F(FormCommand, StampTakesItsTableFieldAndSuffixHandlerFromAForm) {
  Form("orders.json", "orders", R"({"class": "TUniKEY", "name": "Keys", "properties":
      {"DataSource": "S", "DataField": "id", "BeforeUniKeyMADE": "SuffixOption"}})");
  const QgenOutcome r =
      Run({"stamp", "--form", "orders.json", "--create", "--suffix", "-B7", "-n", "2"});
  const std::vector<std::string> keys = Lines(r.out);
  ASSERT_EQ(keys.size(), 2u) << r.err;
  EXPECT_EQ(keys[0].substr(17) + keys[1].substr(17), "-B7-B7");
  EXPECT_NE(keys[0], keys[1]);
}

TEST_F(FormCommand, MistakesWithFormsAreClearErrors) {
  Form("nomask.json", "GENTBL", R"({"class": "TGenerator", "name": "G", "properties":
      {"DataSource": "S"}})");
  Form("limits.json", "GENTBL", R"({"class": "TGenerator", "name": "G", "properties":
      {"Mask": "##", "DataSource": "S", "StartValue": "50", "EndValue": "10"}})");
  const Refusals cases = {
      {{"next", "--form", kExample},
       "has 2 TGenerator components (InvoiceNumbers, BranchReceipts): choose one with "
       "--component"},
      {{"next", "--form", kExample, "--component", "GeneratorTable"},
       "Component \"GeneratorTable\" of form file \"" + kExample +
           "\" is a TTable, not a TGenerator"},
      {{"next", "--form", kExample, "--component", "BranchReceipts"},
       "the mask has 1 @ symbol(s): give their characters with --user"},
      {{"next", "--form", kExample, "--mask", "##"}, "--mask excludes --form"},
      {{"next", "--form", "nomask.json"},
       "Generator \"G\" of form file \"nomask.json\" has no Mask"},
      {{"stamp", "--form", kExample}, "has no TUniKEY"},
      {{"stamp", "-n", "1"},
       "give the table and its key field with --table and --field, or --form"},
      // Conflicting limits: the notice once, then why nothing is issued.
      {{"next", "--form", "limits.json"},
       "Generator Information: EndValue must be greater than StartValue\n"
       "qgen: error: Generator \"G\" of form file \"limits.json\": its StartValue must sort "
       "before its EndValue (see the message above): correct the limits in the form\n"},
  };
  ExpectRefused(cases, {.cwd = dir_.path()});
}

}  // namespace
}  // namespace qgen::test
