#include "tests/design/DialogDriver.h"

#include <QApplication>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

namespace qgen::test {

void DialogTest::SetUp() {
  SVOK = false;
  EVOK = false;
}

void DialogTest::TearDown() {
  Close();
}

RecordingDialog& DialogTest::Open(const std::string& mask, const std::string& start,
                                  const std::string& end) {
  dialog = std::make_unique<RecordingDialog>();
  dialog->Edit1->SetText(mask);
  dialog->svEdit->SetText(start);
  dialog->evEdit->SetText(end);
  dialog->show();
  QApplication::setActiveWindow(dialog.get());
  EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  return *dialog;
}

void DialogTest::Close() {
  dialog.reset();
}

void DialogTest::Click(QWidget* widget) {
  QTest::mouseClick(widget, Qt::LeftButton);
}

void DialogTest::ChooseKind(int index) {
  // On the round indicator: the rest of the item's width is not clickable.
  QRadioButton* item = dialog->RG->Item(index);
  QTest::mouseClick(item, Qt::LeftButton, Qt::NoModifier, QPoint(7, item->height() / 2));
}

void DialogTest::Type(TEdit* edit, const QString& text) {
  Click(edit);
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  if (text.isEmpty())
    QTest::keyClick(edit, Qt::Key_Delete);
  // One key event per character, each carrying its text (keyClicks knows
  // only ASCII keys).
  for (const QChar c : text)
    QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, c, Qt::NoModifier);
}

void DialogTest::PressTab() {
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
}

void DialogTest::PressAccelerator(TButton* button, Qt::Key key) {
  QSignalSpy clicked(button, &QPushButton::clicked);
  QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
  // A mnemonic clicks its button after a short visible press.
  EXPECT_TRUE(clicked.count() > 0 || clicked.wait(2000));
}

void DialogTest::Add(int kind, const QString& text) {
  ChooseKind(kind);
  if (!dialog->Edit2->ReadOnly())
    Type(dialog->Edit2, text);
  Click(dialog->Addbtn);
}

std::vector<std::string> DialogTest::Disabled() const {
  std::vector<std::string> names;
  for (int i = 0; i < dialog->ControlCount(); ++i) {
    QWidget* control = dialog->Controls(i);
    if (control->testAttribute(Qt::WA_ForceDisabled))
      names.push_back(control->objectName().toStdString());
  }
  return names;
}

std::string DialogTest::TestValue() const {
  return dialog->Edit3->Text();
}

}  // namespace qgen::test
