#include "design/Form.h"

#include <QKeyEvent>
#include <QPalette>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

namespace qgen {

TForm::TForm()
    : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint) {
  setSizeGripEnabled(false);
  // The form's ground is the button-face colour.
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Button));
  setPalette(colours);
  setAutoFillBackground(true);
}

void TForm::SetHeight(int height) {
  setFixedSize(width(), std::max(0, height - kNonClientHeight));
}

void TForm::SetClientSize(int width, int height) {
  setFixedSize(width, height);
}

void TForm::Update() {
  repaint();
}

void TForm::SetModalResult(TModalResult result) {
  modal_result_ = result;
  if (result != mrNone)
    done(result);
}

TModalResult TForm::ShowModal() {
  modal_result_ = mrNone;
  return exec() == mrOk ? mrOk : mrCancel;
}

void TForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous())
    return;  // the window system showing it again
  Fire(OnShow, this);
  if (QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - Height()) / 2);
  }
}

void TForm::keyPressEvent(QKeyEvent* event) {
  const bool plain = event->modifiers() == Qt::NoModifier ||
                     (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter);
  if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    event->accept();
    // A focused button answers Enter itself; otherwise the first enabled
    // default button in the form's child order does.
    if (auto* focused = dynamic_cast<TButton*>(focusWidget())) {
      focused->Click();
      return;
    }
    for (QWidget* control : controls_) {
      auto* button = dynamic_cast<TButton*>(control);
      if (button && button->Default() && button->isEnabled() && button->isVisible()) {
        button->Click();
        return;
      }
    }
    return;
  }
  if (plain && event->key() == Qt::Key_Escape) {
    // No button of the form is a cancel button: Escape does not close it.
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

}  // namespace qgen
