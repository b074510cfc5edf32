// The dialog as the design-time editor runs it: modally, on three texts that
// come back only with OK, and with an engine of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <functional>

#include "design/EditMask.h"
#include "design/GenDlg.h"
#include "framework/Messages.h"
#include "gensrc/Generator.h"

namespace qgen::test {
namespace {

// Runs `user` on the modal dialog once it is up.
void WhenShown(std::function<void(TEMskDlg&)> user) {
  QTimer::singleShot(0, [user] {
    auto* dialog = dynamic_cast<TEMskDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    user(*dialog);
  });
}

class EditMaskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SVOK = false;
    EVOK = false;
  }
  MessageRecorder messages;
};

TEST_F(EditMaskTest, OkGivesBackTheThreeTexts) {
  MaskTexts texts{"INV-##", "05", "95"};
  WhenShown([](TEMskDlg& dialog) {
    EXPECT_EQ(dialog.Height(), TEMskDlg::kComposeHeight);
    EXPECT_TRUE(dialog.Testbtn->Enabled());
    QTest::mouseClick(dialog.Erasebtn, Qt::LeftButton);
    QTest::mouseClick(dialog.Edit1, Qt::LeftButton);
    QTest::keyClicks(dialog.Edit1, "NO/$$");
    QTest::mouseClick(dialog.svEdit, Qt::LeftButton);
    QTest::keyClicks(dialog.svEdit, "AA");
    QTest::mouseClick(dialog.Okbtn, Qt::LeftButton);
  });
  ASSERT_TRUE(EditMaskTexts(texts));
  EXPECT_EQ(texts.mask, "NO/$$");
  EXPECT_EQ(texts.start_value, "AA");
  EXPECT_EQ(texts.end_value, "");
  EXPECT_TRUE(SVOK);
  EXPECT_EQ(Mt, nullptr);  // freed with the dialog
}

TEST_F(EditMaskTest, CancelAndTheCloseBoxLeaveTheTextsAlone) {
  const std::function<void(TEMskDlg&)> ways[] = {
      [](TEMskDlg& dialog) { QTest::mouseClick(dialog.Cancelbtn, Qt::LeftButton); },
      [](TEMskDlg& dialog) { dialog.close(); },
      [](TEMskDlg& dialog) {  // in test mode, where Cancel is disabled
        QTest::mouseClick(dialog.Testbtn, Qt::LeftButton);
        QTest::mouseClick(dialog.Cancelbtn, Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible());
        dialog.close();
      },
  };
  for (const auto& way : ways) {
    MaskTexts texts{"INV-##", "05", "95"};
    WhenShown([&way](TEMskDlg& dialog) {
      QTest::mouseClick(dialog.evEdit, Qt::LeftButton);
      QTest::keyClicks(dialog.evEdit, "0");
      way(dialog);
    });
    EXPECT_FALSE(EditMaskTexts(texts));
    EXPECT_EQ(texts.mask, "INV-##");
    EXPECT_EQ(texts.start_value, "05");
    EXPECT_EQ(texts.end_value, "95");
  }
}

TEST_F(EditMaskTest, UsingTheDialogChangesNoGenerator) {
  TGenerator generator(nullptr);
  generator.SetMask("AB-##");
  generator.SetStartValue("05");
  generator.SetEndValue("50");
  generator.GenMask->NullValue();
  MaskTexts texts{generator.Mask(), generator.StartValue().str(), generator.EndValue().str()};
  WhenShown([&generator](TEMskDlg& dialog) {
    EXPECT_NE(Mt.get(), generator.GenMask.get());
    QTest::mouseClick(dialog.Testbtn, Qt::LeftButton);
    for (int i = 0; i < 3; ++i)
      QTest::mouseClick(dialog.Plusbtn, Qt::LeftButton);
    QTest::mouseClick(dialog.Endbtn, Qt::LeftButton);
    QTest::mouseClick(dialog.Erasebtn, Qt::LeftButton);
    QTest::mouseClick(dialog.Edit1, Qt::LeftButton);
    QTest::keyClicks(dialog.Edit1, "[XY]");
    QTest::mouseClick(dialog.Okbtn, Qt::LeftButton);
  });
  ASSERT_TRUE(EditMaskTexts(texts));
  EXPECT_EQ(texts.mask, "[XY]");
  EXPECT_EQ(generator.Mask(), "AB-##");
  EXPECT_EQ(generator.StartValue().str(), "05");
  EXPECT_EQ(generator.EndValue().str(), "50");
  EXPECT_EQ(generator.GenMask->GetMskValue().str(), "AB-05");
}

TEST_F(EditMaskTest, TwoDialogsShareOneEngineUntilTheLastIsGone) {
  auto first = std::make_unique<TEMskDlg>();
  TGenMask* engine = Mt.get();
  auto second = std::make_unique<TEMskDlg>();
  EXPECT_EQ(Mt.get(), engine);
  first.reset();
  ASSERT_NE(Mt, nullptr);  // the second dialog still works
  second->Edit1->SetText("##");
  second->show();
  EXPECT_EQ(Mt->GetSuffix().size(), 2u);
  second.reset();
  EXPECT_EQ(Mt, nullptr);
}

}  // namespace
}  // namespace qgen::test
