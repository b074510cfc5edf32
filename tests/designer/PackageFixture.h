// The package under test, libqgenpkg.so, loaded once for the test run the way
// a designer loads it (Initialize, then its registration routines), and
// answering the mask edit dialog that its editors open.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "design/EditMask.h"
#include "designer/Package.h"
#include "framework/ClassRegistry.h"
#include "tests/support/qt/QtUser.h"

namespace qgen::test {

inline constexpr const char* kPackagePath = QGEN_TEST_PACKAGE;

// Loads the package for the test run as a designer does (Initialize, then its
// registration routines); TearDown lets go of it, which finalises it.
class PackageEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    package = std::make_unique<TPackage>(kPackagePath);
    package->Initialize();
    package->Register();
  }
  void TearDown() override { package.reset(); }
  static inline std::unique_ptr<TPackage> package;  // between SetUp and TearDown
};

// Answers the next mask edit dialog: types the texts into Edit1, svEdit and
// evEdit, then clicks OK or Cancel; `shown` (when given) receives the texts it
// showed when it opened.
enum class Close { kOk, kCancel };
void AnswerMaskDialog(Close how, const MaskTexts& typed = {}, MaskTexts* shown = nullptr);

}  // namespace qgen::test
