// A fixture that opens the mask edit dialog as the design-time editor does,
// drives it as a user would (mouse clicks, typing, focus changes) and checks
// what the user sees in one line: Expect("Edit1=INV-##; off=Testbtn,Edit3").
// Messages are recorded, not shown; SVOK and EVOK start false as after loading.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QRadioButton>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "design/GenDlg.h"
#include "framework/Messages.h"
#include "tests/support/qt/QtUser.h"

namespace qgen::test {

// The dialog, recording the form's height at every Update (each redraw of
// the height animations).
class RecordingDialog : public TEMskDlg {
 public:
  void Update() override {
    updates.push_back(Height());
    TEMskDlg::Update();
  }
  std::vector<int> updates;
};

// Item indices of RG; kNone chooses none.
enum SymbolKind { kNone = -1, kStatic, kSet, kProc, kNumber, kLetter, kCharnum };

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SVOK = EVOK = false;
    SetApplicationTitle("qgen");
  }

  // Creates a dialog (freeing the one before, and its engine with it), sets
  // Edit1, svEdit and evEdit to the three texts and shows it, active.
  void Open(const std::string& mask = "", const std::string& start = "",
            const std::string& end = "");
  // Chooses RG's item `kind` with the mouse, on its round indicator.
  void ChooseKind(int kind) {
    QRadioButton* item = dialog->RG->Item(kind);
    QTest::mouseClick(item, Qt::LeftButton, Qt::NoModifier, QPoint(7, item->height() / 2));
  }
  // Chooses the kind (unless kNone), types `text` into Edit2 when it is
  // editable, and clicks Addbtn.
  void Add(int kind, const QString& text = QString()) {
    if (kind != kNone)
      ChooseKind(kind);
    if (!dialog->Edit2->ReadOnly())
      Type(dialog->Edit2, text);
    Click(dialog->Addbtn);
  }
  void PressTab() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }
  // Clicks Plusbtn ('+') and Minusbtn ('-') as `steps` says; returns the test
  // value before and after each click, separated by blanks.
  std::string Count(const char* steps);

  // ExpectState with the keys Edit1, svEdit, evEdit, Edit2 and Edit3 (the
  // edits' texts), off (the controls disabled, in child order), flags (SV and
  // EV for SVOK and EVOK), suffix and limits (start|end) of Mt, height, focus,
  // ro (Edit2 read-only) and said (the messages since the last check,
  // "caption: text" for message boxes, joined by " / ").
  void Expect(const std::string& state) {
    ExpectState(state, [this](const std::string& key) { return Field(key); });
    messages.Clear();
  }

  MessageRecorder messages;
  std::unique_ptr<RecordingDialog> dialog;

 private:
  std::string Field(const std::string& key) const;
};

}  // namespace qgen::test
