// The GUI message sink: messages become modal Qt boxes that wait for the user
// until the sink goes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <memory>

#include "design/QtMessageSink.h"
#include "framework/Messages.h"
#include "tests/support/qt/QtUser.h"

namespace qgen::test {
namespace {

TEST(QtMessageSink, ShowsEachKindOfMessageInAModalBoxAndPutsTheFormerSinkBack) {
  MessageRecorder former;
  auto sink = std::make_unique<QtMessageSink>();
  SetApplicationTitle("qgen");
  const struct {
    std::function<void()> show;  // returns when the box is answered
    const char* box;             // caption | text | icon
  } rows[] = {
      {[] { ShowMessage("Select symbol to add!"); }, "qgen | Select symbol to add! | 0"},
      // Engine text is in the code page: 0xC0 is a capital A of Cyrillic.
      {[] { MessageBox("\xC0 is not in the set!", "TGenMask", MB_ICONERROR); },
       "TGenMask | \xD0\x90 is not in the set! | 3"},
      {[] { MessageBox("Again.", "Generator Information", MB_ICONINFORMATION); },
       "Generator Information | Again. | 1"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.box);
    QString seen;
    WhenModal<QMessageBox>([&seen](QMessageBox& box) {
      seen = box.windowTitle() + " | " + box.text() + " | " + QString::number(box.icon());
      Click(box.button(QMessageBox::Ok));
    });
    row.show();
    EXPECT_EQ(seen.toStdString(), row.box);
  }
  sink.reset();
  ShowMessage("Gone.");
  EXPECT_EQ(former.Texts(), std::vector<std::string>{"Gone."});
}

}  // namespace
}  // namespace qgen::test
