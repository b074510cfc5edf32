// The package under test, libqgenpkg.so, loaded once for the test run the way
// a designer loads it (Initialize, then its registration routines), and what
// the design-time tests share: a designer that counts Modified, components
// made through the class registry, and answering the mask edit dialog.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "design/EditMask.h"
#include "designer/Designer.h"
#include "designer/Package.h"
#include "framework/ClassRegistry.h"
#include "framework/Component.h"
#include "tests/support/qt/QtUser.h"

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

// A designer that counts the calls of Modified, on a design-mode data module.
class CountingDesigner : public IDesigner {
 public:
  CountingDesigner();
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

// How the test closes the next mask edit dialog: OK after typing the texts
// into Edit1, svEdit and evEdit; Cancel; or the close box after switching to
// test mode, where Cancel is disabled.
enum class Close { kOk, kCancel, kCloseBoxInTestMode };
// Answers the next mask edit dialog; `shown` (when given) receives the texts
// it showed when it opened.
void AnswerMaskDialog(Close how, const MaskTexts& typed = {}, MaskTexts* shown = nullptr);

}  // namespace qgen::test
