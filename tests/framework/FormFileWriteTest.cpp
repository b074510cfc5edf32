// Writing forms that cannot be written as they stand: each refusal names the
// component and the property, and a failed save leaves the old file alone.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "dataaccess/DataSource.h"
#include "dataaccess/Table.h"
#include "framework/DataModule.h"
#include "framework/Messages.h"
#include "tests/framework/FormFileFixture.h"

namespace qgen::test {
namespace {

// Expects WriteForm to refuse `root`, naming `component` and `property`.
void ExpectRefused(const TComponent& root, const TClassRegistry& classes,
                   const std::string& component, const std::string& property,
                   const std::string& says) {
  TFormOptions options;
  options.classes = &classes;
  try {
    WriteForm(root, options);
    ADD_FAILURE() << "written: " << says;
  } catch (const EFormError& e) {
    EXPECT_EQ(e.ComponentName(), component) << e.what();
    EXPECT_EQ(e.PropertyName(), property) << e.what();
    EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
  }
}

TEST_F(FormFileTest, WhatAFormFileCannotHoldIsRefusedByName) {
  {
    TDataModule root(nullptr);
    auto* generator = new TGenerator(&root);
    generator->SetName("Numbers");
    generator->OnUndoFailed = [](TObject*, TmString) {};
    ExpectRefused(root, classes, "Numbers", "OnUndoFailed", "assigned in code");
  }
  {
    MessageRecorder messages;  // the generator tries to open the data source's (missing) table
    TDataModule root(nullptr);
    TDataSource outside(nullptr);
    outside.SetName("Elsewhere");
    auto* generator = new TGenerator(&root);
    generator->SetName("Numbers");
    generator->FSetDataSource(&outside);
    ExpectRefused(root, classes, "Numbers", "DataSource",
                  "refers to \"Elsewhere\", which is not a component of this form");
  }
  {
    struct Unregistered : TComponent {
      using TComponent::TComponent;
    };
    TDataModule root(nullptr);
    (new Unregistered(&root))->SetName("Odd");
    ExpectRefused(root, classes, "Odd", "", "its class is not registered");
  }
  {
    TDataModule root(nullptr);
    new TTable(&root);
    ExpectRefused(root, classes, "#1 of the form's components", "", "has no name");
  }
  {
    TDataModule root(nullptr);
    auto* table = new TTable(&root);
    table->SetName("T");
    table->SetTableName("\x98");  // a byte that Windows-1251 leaves unassigned
    ExpectRefused(root, classes, "T", "TableName", "cannot be written to a form file");
  }
}

TEST_F(FormFileTest, AFailedSaveLeavesTheOldFile) {
  const std::string path = dir.File("keep.form.json");
  {
    std::ofstream out(path, std::ios::binary);
    out << "old";
  }
  TDataModule root(nullptr);
  auto* generator = new TGenerator(&root);
  generator->SetName("Numbers");
  generator->OnUndoFailed = [](TObject*, TmString) {};
  TFormOptions options;
  options.classes = &classes;
  EXPECT_THROW(SaveForm(path, root, options), EFormError);
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "old");

  generator->OnUndoFailed = nullptr;
  try {
    SaveForm(dir.File("no/such/dir/form.json"), root, options);
    ADD_FAILURE() << "saved";
  } catch (const EFormError& e) {
    EXPECT_NE(std::string(e.what()).find("Form file \"" + dir.File("no/such/dir/form.json") +
                                         "\": cannot be written: No such file"),
              std::string::npos)
        << e.what();
  }
}

}  // namespace
}  // namespace qgen::test
