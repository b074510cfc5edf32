// A fixture that opens the mask edit dialog as the design-time editor does and
// drives it as a user would: mouse clicks, typing and focus changes. Messages
// are recorded, not shown; SVOK and EVOK start false as after loading.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "design/GenDlg.h"
#include "framework/Messages.h"

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

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Creates a dialog, sets Edit1, svEdit and evEdit to the three texts and
  // shows it (not modally), active.
  RecordingDialog& Open(const std::string& mask = "", const std::string& start = "",
                        const std::string& end = "");
  // Destroys the dialog, as the editor frees it after the modal loop.
  void Close();

  // A left click in the middle of `widget`.
  static void Click(QWidget* widget);
  // Chooses radio item `index` of RG with the mouse.
  void ChooseKind(int index);
  // Clicks into `edit`, selects its text and types `text` over it (clearing it
  // when `text` is empty).
  void Type(TEdit* edit, const QString& text);
  // Presses Tab in the focused control.
  void PressTab();
  // Presses Alt+`key` in the focused control and waits for `button`, whose
  // accelerator it is, to be clicked; the focus stays where it was.
  void PressAccelerator(TButton* button, Qt::Key key);
  // Composes one symbol: chooses the kind, types `text` into Edit2 when it is
  // editable, and clicks Addbtn.
  void Add(int kind, const QString& text = QString());

  // The names of the children whose own Enabled flag is off, in child order.
  std::vector<std::string> Disabled() const;
  // The value shown in the test panel.
  std::string TestValue() const;

  std::unique_ptr<RecordingDialog> dialog;
  MessageRecorder messages;
};

// Item indices of RG.
enum SymbolKind { kStatic, kSet, kProc, kNumber, kLetter, kCharnum };

}  // namespace qgen::test
