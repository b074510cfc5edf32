#include "tests/design/DialogDriver.h"

namespace qgen::test {

void DialogTest::Open(const std::string& mask, const std::string& start, const std::string& end) {
  dialog.reset();
  dialog = std::make_unique<RecordingDialog>();
  dialog->Edit1->SetText(mask);
  dialog->svEdit->SetText(start);
  dialog->evEdit->SetText(end);
  dialog->show();
  QApplication::setActiveWindow(dialog.get());
  EXPECT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
}

std::string DialogTest::Count(const char* steps) {
  std::string shown = dialog->Edit3->Text();
  for (const char* step = steps; *step; ++step) {
    Click(*step == '+' ? dialog->Plusbtn : dialog->Minusbtn);
    shown += " " + dialog->Edit3->Text();
  }
  return shown;
}

std::string DialogTest::Field(const std::string& key) const {
  std::string list;
  auto add = [&list](const std::string& item, const char* between) {
    list += (list.empty() || item.empty() ? "" : between) + item;
  };
  if (key == "off") {
    for (int i = 0; i < dialog->ControlCount(); ++i) {
      if (dialog->Controls(i)->testAttribute(Qt::WA_ForceDisabled))
        add(dialog->Controls(i)->objectName().toStdString(), ",");
    }
  } else if (key == "said") {
    for (const ShownMessage& m : messages.messages)
      add(m.simple ? m.text : m.caption + ": " + m.text, " / ");
  } else if (key == "flags") {
    add(SVOK ? "SV" : "", ",");
    add(EVOK ? "EV" : "", ",");
  }
  if (key == "off" || key == "said" || key == "flags")
    return list;
  if (auto* edit = dialog->findChild<TEdit*>(QString::fromStdString(key)))
    return edit->Text();
  if (key == "suffix")
    return Mt->GetSuffix().str();
  if (key == "limits")
    return Mt->StartValue.str() + "|" + Mt->EndValue.str();
  if (key == "height")
    return std::to_string(dialog->Height());
  if (key == "focus")
    return QApplication::focusWidget()->objectName().toStdString();
  if (key == "ro")
    return std::to_string(dialog->Edit2->ReadOnly());
  ADD_FAILURE() << "Expect knows no " << key;
  return {};
}

}  // namespace qgen::test
