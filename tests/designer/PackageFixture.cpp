#include "tests/designer/PackageFixture.h"

#include <QLineEdit>
#include <QPushButton>

namespace qgen::test {

namespace {

std::unique_ptr<TPackage> package;

// The test main runs every environment registered before it starts.
::testing::Environment* const package_environment =
    ::testing::AddGlobalTestEnvironment(new PackageEnvironment);

const TPropertyInfo& PropertyOf(const TComponent& component, const std::string& property) {
  return *Classes().ClassOf(component)->FindProperty(property);
}

}  // namespace

void PackageEnvironment::SetUp() {
  package = std::make_unique<TPackage>(kPackagePath);
  package->Initialize();
  package->Register();
}

void PackageEnvironment::TearDown() {
  package.reset();
}

TPackage& PackageEnvironment::Package() {
  return *package;
}

CountingDesigner::CountingDesigner() : root_(Classes().Find("TDataModule")->Create(nullptr)) {
  root_->SetName("Form");
  root_->SetDesigning(true);
}

TComponent& CountingDesigner::Add(const std::string& class_name, const std::string& name) {
  TComponent* component = Classes().Find(class_name)->Create(root_.get());
  component->SetName(name);
  return *component;
}

std::string Get(const TComponent& component, const std::string& property) {
  return PropertyOf(component, property).get_text(component);
}

void Set(TComponent& component, const std::string& property, const std::string& value) {
  PropertyOf(component, property).set_text(component, value);
}

void AnswerMaskDialog(Close how, const MaskTexts& typed, MaskTexts* shown) {
  // By the controls' names: the dialog is the package's, its class unknown here.
  WhenModal("EMskDlg", [=](QWidget& dialog) {
    auto edit = [&](const char* name) { return dialog.findChild<QLineEdit*>(name); };
    auto button = [&](const char* name) { return dialog.findChild<QPushButton*>(name); };
    if (shown) {
      *shown = {edit("Edit1")->text().toStdString(), edit("svEdit")->text().toStdString(),
                edit("evEdit")->text().toStdString()};
    }
    if (how == Close::kOk) {
      Type(edit("Edit1"), QString::fromStdString(typed.mask));
      Type(edit("svEdit"), QString::fromStdString(typed.start_value));
      Type(edit("evEdit"), QString::fromStdString(typed.end_value));
      Click(button("Okbtn"));
    } else if (how == Close::kCancel) {
      Click(button("Cancelbtn"));
    } else {
      Click(button("Testbtn"));
      Click(button("Cancelbtn"));
      EXPECT_TRUE(dialog.isVisible());
      dialog.close();
    }
  });
}

}  // namespace qgen::test
