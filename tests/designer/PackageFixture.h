// The package under test, libqgenpkg.so, loaded once for the test run the way
// a designer loads it (Initialize, then its registration routines), and the
// helpers that the design-time tests share: a designer that counts Modified,
// components made through the class registry, and answering the modal
// dialogs that the editors open.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "designer/Designer.h"
#include "designer/Package.h"
#include "framework/ClassRegistry.h"
#include "framework/Component.h"

namespace qgen::test {

// The path of the package built with the tests.
inline constexpr const char* kPackagePath = QGEN_TEST_PACKAGE;

class PackageEnvironment : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;
  // The loaded package; valid between SetUp and TearDown.
  static TPackage& Package();
};

// A designer that counts the calls of Modified.
class CountingDesigner : public IDesigner {
 public:
  // A design-mode data module as the form's root.
  CountingDesigner();
  ~CountingDesigner() override;
  void Modified() override { ++modified; }
  TComponent* Root() const override { return root_.get(); }

  // A component of the registered class `class_name` on the form, named `name`.
  TComponent& Add(const std::string& class_name, const std::string& name);

  int modified = 0;

 private:
  std::unique_ptr<TComponent> root_;
};

// Reads and writes a published text property through the class registry.
std::string Get(const TComponent& component, const std::string& property);
void Set(TComponent& component, const std::string& property, const std::string& value);

// Arms a timer that waits for a modal window named `object_name` (e.g.
// "EMskDlg", "AboutBox") and runs `answer` on it. Call it before the action
// that opens the window. The answer must close the window.
void WhenModal(const char* object_name, std::function<void(QWidget*)> answer);

// Answers the mask edit dialog: types the mask, start and end value into
// Edit1, svEdit and evEdit, then clicks Okbtn (or Cancelbtn when `ok` is false).
void AnswerMaskDialog(const std::string& mask, const std::string& start, const std::string& end,
                      bool ok = true);

// What the mask edit dialog showed when it opened: Edit1, svEdit, evEdit.
struct ShownTexts {
  std::string mask, start, end;
};

// Answers the mask edit dialog with Cancel, keeping what it showed in `shown`.
void CancelMaskDialog(ShownTexts* shown = nullptr);

// True while a mask edit dialog exists.
bool MaskDialogAlive();

}  // namespace qgen::test
