#include "design/Controls.h"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QRadioButton>
#include <algorithm>
#include <exception>

#include "design/Form.h"
#include "framework/CodePage.h"
#include "framework/Exception.h"
#include "framework/Messages.h"
#include "framework/Text.h"

namespace qgen {

void RunHandler(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const Exception& e) {
    MessageBox(e.Message(), ApplicationTitle(), MB_ICONERROR);
  } catch (const std::exception& e) {
    MessageBox(e.what(), ApplicationTitle(), MB_ICONERROR);
  }
}

void Fire(const TNotifyEvent& event, TObject* sender) {
  if (event)
    RunHandler([&] { event(sender); });
}

std::string EngineText(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  try {
    return FromUtf8(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
  } catch (const EConvertError&) {
    // Name the character by its code point: the message is shown through the
    // code page that could not hold the character.
    for (const char32_t c : text.toUcs4()) {
      const QByteArray one = QString::fromUcs4(&c, 1).toUtf8();
      try {
        FromUtf8(std::string_view(one.constData(), static_cast<std::size_t>(one.size())));
      } catch (const EConvertError&) {
        throw EConvertError(
            Format("The character U+%04X cannot be written in code page %s; leave it out or "
                   "choose another code page",
                   static_cast<unsigned>(c), DefaultCodePage().c_str()));
      }
    }
    throw;
  }
}

QString DisplayText(std::string_view bytes) {
  const std::string utf8 = ToUtf8(bytes);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// --- TEdit

TEdit::TEdit(QWidget* parent) : TControl<QLineEdit>(parent) {
  QObject::connect(this, &QLineEdit::textChanged, [this] { Fire(OnChange, this); });
}

std::string TEdit::Text() const {
  return EngineText(text());
}

void TEdit::SetText(std::string_view text) {
  setText(DisplayText(text));
  setModified(false);
}

void TEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // Losing the focus to another window (a message box above the form) is no
  // exit from the edit: the focus comes back to it.
  const Qt::FocusReason reason = event->reason();
  if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
    Fire(OnExit, this);
}

// --- TLabel

TLabel::TLabel(QWidget* parent, const QString& caption) : TControl<QLabel>(parent) {
  setText(caption);
  setTextFormat(Qt::PlainText);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // A label is painted, not a window of its own: clicks go to what lies below.
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TLabel::SetBounds(int left, int top, int width, int height) {
  const int text_width = QFontMetrics(font()).horizontalAdvance(text());
  setGeometry(left, top, std::max(width, text_width), height);
}

// --- TButton

TButton::TButton(QWidget* parent, const QString& caption) : TControl<QPushButton>(parent) {
  setText(caption);
  // The form chooses the button that answers Enter (see Default).
  setAutoDefault(false);
  QObject::connect(this, &QPushButton::clicked, [this] { Click(); });
}

void TButton::Click() {
  Fire(OnClick, this);
  if (modal_result_ != mrNone) {
    if (auto* form = dynamic_cast<TForm*>(window()))
      form->SetModalResult(modal_result_);
  }
}

TBitBtn::TBitBtn(QWidget* parent) : TButton(parent, QString()) {}

void TBitBtn::SetGlyph(const QPixmap& glyph) {
  setIcon(QIcon(glyph));
  setIconSize(glyph.size());
}

// --- TBevel

TBevel::TBevel(QWidget* parent, TBevelShape shape) : TControl<QFrame>(parent) {
  setFrameShape(shape == bsTopLine ? QFrame::HLine : QFrame::Box);
  setFrameShadow(QFrame::Sunken);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

// --- TRadioGroup

TRadioGroup::TRadioGroup(QWidget* parent, const QString& caption)
    : TControl<QGroupBox>(parent), group_(new QButtonGroup(this)) {
  setTitle(caption);
  group_->setExclusive(true);
  QObject::connect(group_, &QButtonGroup::idClicked, [this] { Fire(OnClick, this); });
}

void TRadioGroup::SetItems(const QStringList& items) {
  for (QRadioButton* button : buttons_)
    delete button;
  buttons_.clear();
  for (const QString& text : items) {
    auto* button = new QRadioButton(text, this);
    group_->addButton(button, static_cast<int>(buttons_.size()));
    buttons_.push_back(button);
    button->show();
  }
  ArrangeButtons();
}

void TRadioGroup::SetColumns(int columns) {
  columns_ = columns < 1 ? 1 : columns;
  ArrangeButtons();
}

int TRadioGroup::ItemIndex() const {
  return group_->checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
  if (index >= 0 && index < ItemCount()) {
    Item(index)->setChecked(true);
    return;
  }
  // An exclusive group refuses to uncheck its last checked button.
  group_->setExclusive(false);
  for (QRadioButton* button : buttons_)
    button->setChecked(false);
  group_->setExclusive(true);
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  ArrangeButtons();
}

void TRadioGroup::ArrangeButtons() {
  const int count = ItemCount();
  if (count == 0)
    return;
  const int per_column = (count + columns_ - 1) / columns_;
  const int text_height = QFontMetrics(font()).height();
  // Below the caption the rows share the height evenly; what is left over is
  // split above and below them.
  const int rows_height = height() - text_height - 5;
  const int row_height = rows_height / per_column;
  const int top = text_height + 1 + (rows_height % per_column) / 2;
  const int column_width = (width() - 10) / columns_;
  for (int i = 0; i < count; ++i) {
    const int column = i / per_column;
    const int row = i % per_column;
    Item(i)->setGeometry(column * column_width + 8, top + row * row_height, column_width - 10,
                         row_height);
  }
}

}  // namespace qgen
