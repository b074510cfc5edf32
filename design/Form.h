// TForm: the visual library's form, written on QDialog. It keeps its child
// controls in an order of its own (the order in which the form's code walks
// them), gives the outer Height that the form's code sets, redraws at once on
// Update, answers Enter with its default button and runs modally with a
// TModalResult. The design-time dialogs derive from it.
#pragma once

#include <QDialog>
#include <vector>

#include "design/Controls.h"
#include "framework/Event.h"
#include "framework/Object.h"

namespace qgen {

class TForm : public QDialog, public TObject {
 public:
  // Caption and border height together: the outer height of a form exceeds its
  // client area by this much, as the forms were laid out.
  static constexpr int kNonClientHeight = 27;

  // A form with a fixed-size dialog border (caption and close box, no minimise
  // or maximise) and no owner window.
  TForm();

  // The outer height: the client area plus kNonClientHeight.
  int Height() const { return height() + kNonClientHeight; }
  // Sets the outer height; the width stays fixed.
  void SetHeight(int height);
  // Fixes the size of the client area.
  void SetClientSize(int width, int height);

  // Redraws the form and its controls at once, without waiting for the event loop.
  virtual void Update();

  // The child controls in the form's own order: Controls(0) .. Controls(ControlCount()-1).
  int ControlCount() const { return static_cast<int>(controls_.size()); }
  QWidget* Controls(int index) const { return controls_.at(static_cast<std::size_t>(index)); }
  // Appends `control` (a child of this form) to that order.
  void InsertControl(QWidget* control) { controls_.push_back(control); }

  // Setting a result other than mrNone closes a modal form with it.
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult result);

  // Shows the form modally, centred on the screen; returns mrOk when it was
  // closed with that result and mrCancel otherwise (a Cancel button, the close box).
  TModalResult ShowModal();

  // Raised when the form is about to become visible, before it is centred.
  TNotifyEvent OnShow;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::vector<QWidget*> controls_;  // children, not owned here (Qt's parent owns them)
  TModalResult modal_result_ = mrNone;
};

}  // namespace qgen
