// The GUI message sink: messages become modal Qt boxes that wait for the user.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "design/QtMessageSink.h"
#include "framework/Messages.h"

namespace qgen::test {
namespace {

struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool seen = false;
};

// Reads the box that the next message shows and presses its OK button.
void AnswerNextBox(SeenBox& seen) {
  QTimer::singleShot(0, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen = {box->windowTitle(), box->text(), box->icon(), true};
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  });
}

TEST(QtMessageSink, ShowsEachKindOfMessageInAModalBox) {
  QtMessageSink sink;
  SetApplicationTitle("qgen");
  SeenBox seen;

  AnswerNextBox(seen);
  ShowMessage("Select symbol to add!");
  ASSERT_TRUE(seen.seen);
  EXPECT_EQ(seen.title, "qgen");
  EXPECT_EQ(seen.text, "Select symbol to add!");
  EXPECT_EQ(seen.icon, QMessageBox::NoIcon);

  AnswerNextBox(seen = {});
  // Engine text is in the code page: 0xC0 is a capital A of Cyrillic.
  EXPECT_EQ(MessageBox("\xC0is not in the set!", "TGenMask", MB_ICONERROR), 1);
  ASSERT_TRUE(seen.seen);
  EXPECT_EQ(seen.title, "TGenMask");
  EXPECT_EQ(seen.text, QString::fromUtf8("\xD0\x90is not in the set!"));
  EXPECT_EQ(seen.icon, QMessageBox::Critical);

  AnswerNextBox(seen = {});
  MessageBox("Starting from the start value.", "Generator Information", MB_ICONINFORMATION);
  EXPECT_EQ(seen.icon, QMessageBox::Information);
}

}  // namespace
}  // namespace qgen::test
