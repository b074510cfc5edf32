#include "tests/designer/PackageFixture.h"

#include <QLineEdit>
#include <QPushButton>

namespace qgen::test {

namespace {

::testing::Environment* const package_environment =
    ::testing::AddGlobalTestEnvironment(new PackageEnvironment);

}  // namespace

void AnswerMaskDialog(Close how, const MaskTexts& typed, MaskTexts* shown) {
  // By the controls' names: the dialog is the package's, its class unknown here.
  WhenModal("EMskDlg", [=](QWidget& dialog) {
    auto edit = [&](const char* name) { return dialog.findChild<QLineEdit*>(name); };
    if (shown) {
      *shown = {edit("Edit1")->text().toStdString(), edit("svEdit")->text().toStdString(),
                edit("evEdit")->text().toStdString()};
    }
    Type(edit("Edit1"), QString::fromStdString(typed.mask));
    Type(edit("svEdit"), QString::fromStdString(typed.start_value));
    Type(edit("evEdit"), QString::fromStdString(typed.end_value));
    Click(dialog.findChild<QPushButton*>(how == Close::kOk ? "Okbtn" : "Cancelbtn"));
  });
}

}  // namespace qgen::test
