#include "design/GenDlg.h"

#include <QFont>
#include <QPalette>
#include <QRadioButton>
#include <QStringList>
#include <string>

#include "design/Glyphs.h"
#include "framework/Messages.h"

namespace qgen {

std::unique_ptr<TGenMask> Mt;
bool SVOK = false;
bool EVOK = false;
TEMskDlg* EMskDlg = nullptr;

namespace {

// Dialogs between their FormCreate and FormDestroy. They share Mt, so the
// engine is freed only with the last of them: a dialog never works on an
// engine that another dialog has freed.
int open_dialogs = 0;

// The dialog's font, or the nearest sans-serif face the system has.
QFont DialogFont() {
  QFont font;
  font.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial",
                    "DejaVu Sans Condensed", "DejaVu Sans"});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  return font;
}

// Creates a control of the form, names it, places it and appends it to the
// form's child order.
template <class Control, class... Args>
Control* Place(TForm* form, const char* name, int left, int top, int width, int height,
               Args&&... args) {
  auto* control = new Control(form, std::forward<Args>(args)...);
  control->setObjectName(QString::fromLatin1(name));
  control->SetBounds(left, top, width, height);
  form->InsertControl(control);
  return control;
}

}  // namespace

TEMskDlg::TEMskDlg() {
  setObjectName(QStringLiteral("EMskDlg"));
  setWindowTitle(QStringLiteral("Edit mask dialog"));
  setFont(DialogFont());
  SetClientSize(425, 292);

  // The child order: the painted controls first (so that they lie below the
  // others), then the windowed ones; the test panel's four come last.
  Label1 = Place<TLabel>(this, "Label1", 8, 132, 59, 13, "Result Mask");
  Label2 = Place<TLabel>(this, "Label2", 8, 100, 57, 13, "Text to add:");
  Bevel1 = Place<TBevel>(this, "Bevel1", 6, 124, 420, 2, bsTopLine);
  Bevel2 = Place<TBevel>(this, "Bevel2", 8, 244, 409, 41, bsBox);
  Bevel3 = Place<TBevel>(this, "Bevel3", 2, 238, 420, 2, bsTopLine);
  Bevel4 = Place<TBevel>(this, "Bevel4", 2, 172, 420, 2, bsTopLine);
  Label3 = Place<TLabel>(this, "Label3", 5, 184, 52, 13, "StartValue:");
  Label4 = Place<TLabel>(this, "Label4", 228, 184, 49, 13, "EndValue:");
  Edit1 = Place<TEdit>(this, "Edit1", 8, 144, 408, 21);
  RG = Place<TRadioGroup>(this, "RG", 8, 0, 409, 89, "Symbol in mask");
  Addbtn = Place<TButton>(this, "Addbtn", 200, 96, 81, 19, "&Add");
  Okbtn = Place<TButton>(this, "Okbtn", 248, 210, 75, 19, "&Ok");
  Cancelbtn = Place<TButton>(this, "Cancelbtn", 342, 210, 73, 19, "&Cancel");
  Edit2 = Place<TEdit>(this, "Edit2", 72, 96, 121, 21);
  svEdit = Place<TEdit>(this, "svEdit", 69, 180, 130, 21);
  evEdit = Place<TEdit>(this, "evEdit", 284, 180, 132, 21);
  Erasebtn = Place<TButton>(this, "Erasebtn", 342, 96, 74, 19, "&Erase");
  Testbtn = Place<TButton>(this, "Testbtn", 8, 210, 75, 19, "&Test");
  Plusbtn = Place<TBitBtn>(this, "Plusbtn", 344, 247, 25, 17);
  Endbtn = Place<TBitBtn>(this, "Endbtn", 376, 247, 33, 34);
  Edit3 = Place<TEdit>(this, "Edit3", 16, 252, 321, 21);
  Minusbtn = Place<TBitBtn>(this, "Minusbtn", 344, 264, 25, 17);

  RG->SetColumns(2);
  RG->SetItems({"Static symbol", "Enumerated set of characters", "User Procedure symbol",
                "Incremental Number", "Incremental character", "Incremental charnum [0..9A..Z]"});
  RG->SetItemIndex(-1);

  // The mask edit shows the button face, yet it is typed into.
  QPalette face = Edit1->palette();
  face.setColor(QPalette::Base, face.color(QPalette::Button));
  Edit1->setPalette(face);

  QFont italic = Testbtn->font();
  italic.setItalic(true);
  Testbtn->setFont(italic);
  Testbtn->SetEnabled(false);
  Testbtn->SetHint(QStringLiteral("Test mask behaviour"));

  Okbtn->SetDefault(true);
  Okbtn->SetModalResult(mrOk);
  Cancelbtn->SetModalResult(mrCancel);

  Edit3->SetEnabled(false);
  Plusbtn->SetGlyph(PlusGlyph());
  Plusbtn->SetDefault(true);
  Plusbtn->SetHint(QStringLiteral("Increment"));
  Endbtn->SetGlyph(CrossGlyph());
  Endbtn->SetHint(QStringLiteral("End test"));
  Minusbtn->SetGlyph(MinusGlyph());
  Minusbtn->SetDefault(true);
  Minusbtn->SetHint(QStringLiteral("Decrement"));

  // Tab order 0 .. 13. The radio group is entered through its items.
  QWidget* tab_order[] = {Edit1,       RG->Item(0), RG->Item(1), RG->Item(2), RG->Item(3),
                          RG->Item(4), RG->Item(5), Addbtn,      Okbtn,       Cancelbtn,
                          svEdit,      evEdit,      Edit2,       Erasebtn,    Testbtn,
                          Plusbtn,     Endbtn,      Edit3,       Minusbtn};
  for (std::size_t i = 1; i < std::size(tab_order); ++i)
    setTabOrder(tab_order[i - 1], tab_order[i]);
  Edit1->setFocus();

  OnShow = TNotifyEvent::Bind<&TEMskDlg::FormShow>(this);
  RG->OnClick = TNotifyEvent::Bind<&TEMskDlg::RGClick>(this);
  Addbtn->OnClick = TNotifyEvent::Bind<&TEMskDlg::AddbtnClick>(this);
  Edit1->OnChange = TNotifyEvent::Bind<&TEMskDlg::Edit1Change>(this);
  Erasebtn->OnClick = TNotifyEvent::Bind<&TEMskDlg::ErasebtnClick>(this);
  svEdit->OnExit = TNotifyEvent::Bind<&TEMskDlg::svEditExit>(this);
  evEdit->OnExit = TNotifyEvent::Bind<&TEMskDlg::evEditExit>(this);
  Okbtn->OnClick = TNotifyEvent::Bind<&TEMskDlg::OkbtnClick>(this);
  Testbtn->OnClick = TNotifyEvent::Bind<&TEMskDlg::TestbtnClick>(this);
  Plusbtn->OnClick = TNotifyEvent::Bind<&TEMskDlg::PlusbtnClick>(this);
  Minusbtn->OnClick = TNotifyEvent::Bind<&TEMskDlg::MinusbtnClick>(this);
  Endbtn->OnClick = TNotifyEvent::Bind<&TEMskDlg::EndbtnClick>(this);

  FormCreate(this);
}

TEMskDlg::~TEMskDlg() {
  // The controls go on raising events while Qt takes them down: detach first.
  Edit1->OnChange = nullptr;
  svEdit->OnExit = nullptr;
  evEdit->OnExit = nullptr;
  FormDestroy(this);
}

void TEMskDlg::FormCreate(TObject* /*Sender*/) {
  if (open_dialogs++ == 0 || !Mt)
    Mt = std::make_unique<TGenMask>();
}

void TEMskDlg::FormDestroy(TObject* /*Sender*/) {
  if (open_dialogs > 0)
    --open_dialogs;
  if (open_dialogs == 0)
    Mt.reset();
}

void TEMskDlg::FormShow(TObject* /*Sender*/) {
  Testbtn->SetEnabled(!Edit1->Text().empty());
  try {
    if (!Edit1->Text().empty()) {
      Mt->ScanMask(Edit1->Text());
      const std::string start = svEdit->Text();
      if (!start.empty())
        Mt->SetStartValue(start);
      const std::string end = evEdit->Text();
      if (!end.empty())
        Mt->SetEndValue(end);
      svEdit->SetEnabled(Testbtn->Enabled());
      evEdit->SetEnabled(Testbtn->Enabled());
    }
  } catch (...) {
    // A stored mask that does not parse is reported, but the dialog still
    // opens in compose mode rather than with the test panel showing.
    SetHeight(kComposeHeight);
    throw;
  }
  SetHeight(kComposeHeight);
}

void TEMskDlg::RGClick(TObject* /*Sender*/) {
  const int index = RG->ItemIndex();
  Edit2->SetReadOnly(!(index == 0 || index == 1));
  Label2->SetEnabled(!Edit2->ReadOnly());
  Edit2->SetEnabled(Label2->Enabled());
}

void TEMskDlg::AddbtnClick(TObject* /*Sender*/) {
  std::string piece;
  const int index = RG->ItemIndex();
  switch (index) {
    case 0:
      piece = Edit2->Text();
      break;
    case 1: {
      // An empty set would have no character to stand on: add nothing.
      const std::string members = Edit2->Text();
      if (!members.empty())
        piece = "[" + members + "]";
      break;
    }
    case 2:
      piece = "@";
      break;
    case 3:
      piece = "#";
      break;
    case 4:
      piece = "$";
      break;
    case 5:
      piece = "&";
      break;
    default:
      ShowMessage("Select symbol to add!");
      break;
  }
  if (index >= 0 && index <= 5) {
    Edit1->SetText(Edit1->Text() + piece);
    Mt->ScanMask(Edit1->Text());
  }
  const bool has_mask = !Edit1->Text().empty();
  Testbtn->SetEnabled(has_mask);
  svEdit->SetEnabled(has_mask);
  evEdit->SetEnabled(has_mask);
}

void TEMskDlg::Edit1Change(TObject* /*Sender*/) {
  if (!Edit1->Modified())
    return;  // set by the program, not typed
  Mt->ScanMask(Edit1->Text());
  const bool has_mask = !Edit1->Text().empty();
  svEdit->SetEnabled(has_mask);
  evEdit->SetEnabled(has_mask);
}

void TEMskDlg::ErasebtnClick(TObject* /*Sender*/) {
  Edit1->SetText("");
  svEdit->SetText("");
  SVOK = false;
  evEdit->SetText("");
  EVOK = false;
  Testbtn->SetEnabled(false);
}

namespace {

// What leaving a value edit decides: empty is not valid, the wrong length is
// reported by the dialog, anything else by the engine. The flag is false until
// the check has passed, also when the text cannot be read at all.
void CheckValueOnExit(TEdit* edit, bool& flag, const char* wrong_length) {
  flag = false;
  const std::string value = edit->Text();
  if (value.empty())
    return;
  if (value.size() != Mt->GetSuffix().size()) {
    ShowMessage(wrong_length);
    return;
  }
  flag = Mt->Validate(value);
}

}  // namespace

void TEMskDlg::svEditExit(TObject* /*Sender*/) {
  CheckValueOnExit(svEdit, SVOK, "Invalid StartValue");
}

void TEMskDlg::evEditExit(TObject* /*Sender*/) {
  CheckValueOnExit(evEdit, EVOK, "Invalid EndValue");
}

void TEMskDlg::OkbtnClick(TObject* /*Sender*/) {
  const std::string start = svEdit->Text();
  if (!start.empty())
    SVOK = Mt->Validate(start);
  const std::string end = evEdit->Text();
  if (!end.empty())
    EVOK = Mt->Validate(end);
}

void TEMskDlg::TestbtnClick(TObject* /*Sender*/) {
  SetHeight(kComposeHeight);
  while (Height() < kTestHeight) {
    SetHeight(Height() + 5);
    Update();
  }
  SetHeight(kTestHeight);

  Mt->ScanMask(Edit1->Text());
  if (SVOK) {
    // Counting starts at the start value, but only at one the engine accepts
    // for this mask: a value left valid by an earlier opening may not fit a
    // mask changed since, and is then reported and not counted from.
    const std::string start = svEdit->Text();
    Mt->SetStartValue(start);
    if (Mt->StartValue.empty())
      Mt->NullValue();
    else
      Mt->SetSuffix(start);
  } else {
    Mt->NullValue();
  }
  if (EVOK)
    Mt->SetEndValue(evEdit->Text());
  Edit3->SetText(Mt->GetMskValue().str());

  for (int i = 0; i <= ControlCount() - 5; ++i)
    Controls(i)->setEnabled(false);
}

void TEMskDlg::PlusbtnClick(TObject* /*Sender*/) {
  Mt->Increment();
  Edit3->SetText(Mt->GetMskValue().str());
}

void TEMskDlg::MinusbtnClick(TObject* /*Sender*/) {
  Mt->Decrement();
  Edit3->SetText(Mt->GetMskValue().str());
}

void TEMskDlg::EndbtnClick(TObject* /*Sender*/) {
  for (int i = 0; i <= ControlCount() - 4; ++i)
    Controls(i)->setEnabled(true);
  SetHeight(kTestHeight);
  while (Height() > kComposeHeight) {
    SetHeight(Height() - 10);
    Update();
  }
  SetHeight(kComposeHeight);
}

}  // namespace qgen
