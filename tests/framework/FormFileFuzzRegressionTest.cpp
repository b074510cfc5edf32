// Inputs the form-file fuzz target found faults with, kept as tests: each must
// be refused with EFormError, never with another exception.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/framework/FormFileFixture.h"

namespace qgen::test {
namespace {

TEST_F(FormFileTest, NumbersTooLargeForADoubleAreRefusedAsBadJson) {
  const std::vector<std::string> forms = {
      // The fuzzer's input: a number with a huge exponent inside the components.
      "{\n  \"class\": \"TDataModule\",\n  \"name\": \"Invoicing\",\n  \"components\": "
      "[7777777777777777777777E77777777[77777777777777777777777777\n7\n{          "
      "\"classyyyyyyyyyyyyyt}\n  ]\n}\n",
      // The same where a property expects a number.
      R"({"class": "TDataModule", "name": "M", "components": [
        {"class": "TDatabase", "name": "Db", "properties": {"BusyTimeout": 1E400}}]})",
      R"({"class": "TDataModule", "name": "M", "components": [], "x": -1e999})",
  };
  for (const std::string& form : forms) {
    try {
      Read(form, "big.json", /*designing=*/true);
      ADD_FAILURE() << "accepted: " << form;
    } catch (const EFormError& e) {
      EXPECT_EQ(e.File(), "big.json");
      EXPECT_NE(std::string(e.what()).find("not valid JSON"), std::string::npos) << e.what();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "raised something other than EFormError: " << e.what();
    }
  }
}

}  // namespace
}  // namespace qgen::test
