// Stand-ins for the visual library's standard controls, written on Qt Widgets.
// Each keeps Qt's look and input handling and adds the properties and events
// that the design-time forms are written against: Text, Enabled, ReadOnly,
// Modified, ItemIndex, OnClick, OnChange, OnExit. Text crosses between Qt's
// Unicode and the engine's single-byte code page here, and only here.
#pragma once

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Event.h"
#include "framework/Object.h"

class QRadioButton;
class QButtonGroup;

namespace qgen {

// How a form closes: what a button's ModalResult sets and ShowModal returns.
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2 };

// Runs an event handler the way the framework does: an exception that leaves
// the handler ends it there and is shown in an error box (caption: the
// application title); it never reaches Qt's event loop.
void RunHandler(const std::function<void()>& handler);

// Raises `event` (when assigned) with `sender`, through RunHandler.
void Fire(const TNotifyEvent& event, TObject* sender);

// Qt text to engine bytes. Raises EConvertError naming the first character that
// the code page cannot hold (as U+XXXX, so the message itself stays showable).
std::string EngineText(const QString& text);
// Engine bytes to Qt text. Raises EConvertError for a byte the code page does
// not define.
QString DisplayText(std::string_view bytes);

// What every control adds to its Qt widget: its own Enabled flag, absolute
// placement and a hint. A control is also a TObject, so that it can be the
// Sender of its events.
template <class Widget>
class TControl : public Widget, public TObject {
 public:
  explicit TControl(QWidget* parent) : Widget(parent) {}

  // The control's own flag: a disabled parent does not clear it.
  bool Enabled() const { return !this->testAttribute(Qt::WA_ForceDisabled); }
  void SetEnabled(bool enabled) { this->setEnabled(enabled); }

  // Left, Top, Width and Height in pixels of the parent's client area.
  void SetBounds(int left, int top, int width, int height) {
    this->setGeometry(left, top, width, height);
  }
  // The hint shown when the pointer rests on the control.
  void SetHint(const QString& hint) { this->setToolTip(hint); }
};

// A one-line edit.
class TEdit : public TControl<QLineEdit> {
 public:
  explicit TEdit(QWidget* parent);

  // The text in the engine's code page; raises EConvertError (see EngineText).
  std::string Text() const;
  // Replaces the text and clears Modified, as a change made by the program.
  void SetText(std::string_view text);

  bool ReadOnly() const { return isReadOnly(); }
  void SetReadOnly(bool read_only) { setReadOnly(read_only); }

  // Set when the user changed the text by typing (or cutting, pasting, undoing);
  // cleared by SetText.
  bool Modified() const { return isModified(); }
  void SetModified(bool modified) { setModified(modified); }

  // The text changed, by the user or by SetText.
  TNotifyEvent OnChange;
  // The focus moved from this edit to another control of its form. Focus lost
  // to another window (a message box, another program) does not count.
  TNotifyEvent OnExit;

 protected:
  void focusOutEvent(QFocusEvent* event) override;
};

// A static text. Its width follows its caption (never narrower than placed),
// so a wider face than the one it was laid out for does not cut it short.
class TLabel : public TControl<QLabel> {
 public:
  TLabel(QWidget* parent, const QString& caption);
  void SetBounds(int left, int top, int width, int height);
};

// A push button. A click runs OnClick and then, when ModalResult is set,
// closes the form with that result.
class TButton : public TControl<QPushButton> {
 public:
  TButton(QWidget* parent, const QString& caption);

  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult result) { modal_result_ = result; }

  // A default button answers the Enter key when no other button has the focus
  // (the form chooses the first enabled one in its child order).
  bool Default() const { return default_; }
  void SetDefault(bool value) { default_ = value; }

  // What a click does: OnClick, then the form's ModalResult.
  void Click();

  TNotifyEvent OnClick;

 private:
  TModalResult modal_result_ = mrNone;
  bool default_ = false;
};

// A button that shows a picture (its glyph) instead of, or beside, a caption.
class TBitBtn : public TButton {
 public:
  explicit TBitBtn(QWidget* parent);
  void SetGlyph(const QPixmap& glyph);
};

// A sunken line or frame that only groups other controls visually.
enum TBevelShape { bsBox, bsTopLine };

class TBevel : public TControl<QFrame> {
 public:
  TBevel(QWidget* parent, TBevelShape shape);
};

// A captioned box of radio buttons laid out in columns; ItemIndex is the chosen
// item, -1 when none is.
class TRadioGroup : public TControl<QGroupBox> {
 public:
  TRadioGroup(QWidget* parent, const QString& caption);

  void SetItems(const QStringList& items);
  void SetColumns(int columns);
  int ItemCount() const { return static_cast<int>(buttons_.size()); }
  QRadioButton* Item(int index) const { return buttons_.at(static_cast<std::size_t>(index)); }

  int ItemIndex() const;
  // Checks item `index`, or none for -1; does not raise OnClick.
  void SetItemIndex(int index);

  // The user chose an item.
  TNotifyEvent OnClick;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Places the items column by column, filling each column from the top.
  void ArrangeButtons();

  QButtonGroup* group_;
  std::vector<QRadioButton*> buttons_;
  int columns_ = 1;
};

}  // namespace qgen
