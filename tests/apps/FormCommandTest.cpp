// Form files in the qgen tool, run as the built program in a fresh directory:
// the README's commands on the example form, `qgen form check`, and --form in
// place of the options a form sets for next, session and stamp.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framework/FormFile.h"
#include "gensrc/Generator.h"
#include "tests/support/QgenProcess.h"
#include "tests/support/TestSupport.h"
#include "unikey/StandardClasses.h"

namespace qgen {
namespace {

using test::QgenOutcome;
using test::QgenProcess;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// The example form in the source tree.
std::string ExampleForm() {
  std::string here = __FILE__;  // .../tests/apps/FormCommandTest.cpp
  return here.substr(0, here.rfind("/tests/")) + "/examples/invoice.form.json";
}

class FormCommandTest : public ::testing::Test {
 protected:
  // Runs qgen in this test's directory (where qgen.db is made), with `input`
  // on standard input.
  QgenOutcome Run(const std::vector<std::string>& args, const std::string& input = "") {
    return QgenProcess::Run(args, {.cwd = dir.path()}, input);
  }

  test::TempDir dir;
};

TEST_F(FormCommandTest, TheReadmeCommandsIssueNumbersFromTheExampleForm) {
  QgenOutcome r =
      Run({"next", "--form", ExampleForm(), "--component", "InvoiceNumbers", "-n", "3"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "INV-0001\nINV-0002\nINV-0003\n");
  EXPECT_EQ(r.err, "");

  r = Run({"next", "--form", ExampleForm(), "--component", "InvoiceNumbers"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "INV-0004\n");  // the same sequence, kept in ./qgen.db

  // The form binds GetUserPrefixes to the tool's UserOption handler.
  r = Run(
      {"next", "--form", ExampleForm(), "--component", "BranchReceipts", "--user", "K", "-n", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "RK-00001\nRK-00002\n");

  r = Run({"session", "--form", ExampleForm(), "--component", "invoicenumbers"},
          "next\nundo\nnext\nquit\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "INV-0005\nINV-0004\nINV-0005\n");

  r = Run({"form", "check", ExampleForm()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("  InvoiceNumbers: TGenerator\n"
                       "    Mask = \"INV-####\"\n"
                       "    DataSource = GeneratorSource\n"
                       "    StartValue = \"0001\"\n"
                       "    EndValue = \"9999\"\n"
                       "    GeneratorType = 0  (default)\n"
                       "    GetUserPrefixes = (none)  (default)\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("    GetUserPrefixes = UserOption\n"), std::string::npos) << r.out;
}

TEST_F(FormCommandTest, TheExampleFormIsInTheWritersOwnForm) {
  RegisterStandardClasses();
  TFormOptions options;
  options.designing = true;
  THandlerRegistry handlers;
  handlers.Add<TGenProcEvent>("UserOption", [](TObject*, TmString&) {});
  const auto root = LoadForm(ExampleForm(), handlers, options);
  EXPECT_EQ(WriteForm(*root), Slurp(ExampleForm()));
}

TEST_F(FormCommandTest, StampTakesItsTableFieldAndSuffixHandlerFromAForm) {
  WriteFile(dir.File("orders.form.json"), R"({"class": "TDataModule", "components": [
    {"class": "TDatabase", "name": "Db", "properties": {"URI": "shop.db"}},
    {"class": "TTable", "name": "Orders", "properties": {"Database": "Db", "TableName": "orders"}},
    {"class": "TDataSource", "name": "OrdersSource", "properties": {"DataSet": "Orders"}},
    {"class": "TUniKEY", "name": "OrderKeys", "properties":
      {"DataSource": "OrdersSource", "DataField": "id", "BeforeUniKeyMADE": "SuffixOption"}}]})");
  const QgenOutcome r =
      Run({"stamp", "--form", "orders.form.json", "--create", "--suffix", "-B7", "-n", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.out.size(), 2 * 21u) << r.out;  // two keys of 17 digits, the suffix and a newline
  EXPECT_EQ(r.out.substr(17, 4), "-B7\n");
  EXPECT_EQ(r.out.substr(38, 4), "-B7\n");
  EXPECT_NE(r.out.substr(0, 17), r.out.substr(21, 17));
}

TEST_F(FormCommandTest, MistakesWithFormsAreClearErrors) {
  WriteFile(dir.File("broken.json"), "{\"class\": \"TDataModule\",\n \"components\": [}\n");
  WriteFile(dir.File("nomask.json"), R"({"class": "TDataModule", "components": [
    {"class": "TDatabase", "name": "Db"},
    {"class": "TTable", "name": "T", "properties": {"Database": "Db", "TableName": "GENTBL"}},
    {"class": "TDataSource", "name": "S", "properties": {"DataSet": "T"}},
    {"class": "TGenerator", "name": "G", "properties": {"DataSource": "S"}}]})");
  WriteFile(dir.File("limits.json"), R"({"class": "TDataModule", "components": [
    {"class": "TGenerator", "name": "G", "properties":
      {"Mask": "##", "StartValue": "50", "EndValue": "10"}}]})");
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const std::vector<Case> cases = {
      {{"next", "--form", "broken.json"},
       "qgen: error: Form file \"broken.json\": not valid JSON: parse error at line 2, column"},
      {{"next", "--form", "missing.json"},
       "qgen: error: Form file \"missing.json\": cannot be read: No such file or directory"},
      {{"next", "--form", ExampleForm()},
       "has 2 TGenerator components (InvoiceNumbers, BranchReceipts): choose one with "
       "--component"},
      {{"next", "--form", ExampleForm(), "--component", "GeneratorTable"},
       "Component \"GeneratorTable\" of form file \"" + ExampleForm() +
           "\" is a TTable, not a TGenerator"},
      {{"next", "--form", ExampleForm(), "--component", "BranchReceipts"},
       "the mask has 1 @ symbol(s): give their characters with --user"},
      {{"next", "--form", ExampleForm(), "--mask", "##"}, "--mask excludes --form"},
      {{"next", "--component", "InvoiceNumbers"}, "--component requires --form"},
      {{"next", "--form", "nomask.json"},
       "Generator \"G\" of form file \"nomask.json\" has no Mask"},
      {{"stamp", "--form", ExampleForm()}, "has no TUniKEY"},
      {{"stamp", "-n", "1"},
       "give the table and its key field with --table and --field, or --form"},
      {{"form", "check", "limits.json"},
       "Generator Information: EndValue must be greater than StartValue"},
  };
  // A form whose limits conflict: the notice once, then why nothing is issued.
  WriteFile(dir.File("conflict.json"), R"({"class": "TDataModule", "components": [
    {"class": "TDatabase", "name": "Db"},
    {"class": "TTable", "name": "T", "properties": {"Database": "Db", "TableName": "GENTBL"}},
    {"class": "TDataSource", "name": "S", "properties": {"DataSet": "T"}},
    {"class": "TGenerator", "name": "G", "properties":
      {"Mask": "##", "DataSource": "S", "StartValue": "50", "EndValue": "10"}}]})");
  const QgenOutcome conflict = Run({"next", "--form", "conflict.json"});
  EXPECT_EQ(conflict.status, 1);
  EXPECT_EQ(conflict.out, "");
  EXPECT_EQ(conflict.err,
            "Generator Information: EndValue must be greater than StartValue\n"
            "qgen: error: Generator \"G\" of form file \"conflict.json\": its StartValue must "
            "sort before its EndValue (see the message above): correct the limits in the form\n");

  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + (c.args.size() > 2 ? c.args[2] : ""));
    const QgenOutcome r = Run(c.args);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace qgen
