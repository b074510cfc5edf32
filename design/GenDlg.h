// Unit GenDlg: TEMskDlg, the modal "Edit mask dialog" in which a designer
// composes a mask symbol by symbol, types its start and end values, has them
// checked against the mask and tries the mask out by counting its value up and
// down. The design-time editors are its users: they create a dialog, fill in
// Edit1 (mask), svEdit (start value) and evEdit (end value), show it modally
// and on mrOk read the three texts back. The dialog changes no TGenerator: all
// its mask work is done by its own engine, Mt.
#pragma once

#include <memory>

#include "design/Controls.h"
#include "design/Form.h"
#include "gensrc/GenMask.h"

namespace qgen {

class TEMskDlg : public TForm {
 public:
  // Builds the form with all its controls, then runs FormCreate.
  TEMskDlg();
  // Runs FormDestroy.
  ~TEMskDlg() override;

  // The controls, in declaration order. Owned by the form (Qt parent).
  TEdit* Edit1;
  TLabel* Label1;
  TRadioGroup* RG;
  TButton* Addbtn;
  TButton* Okbtn;
  TButton* Cancelbtn;
  TEdit* Edit2;
  TLabel* Label2;
  TButton* Erasebtn;
  TButton* Testbtn;
  TBevel* Bevel1;
  TBevel* Bevel2;
  TBitBtn* Plusbtn;
  TBitBtn* Endbtn;
  TEdit* Edit3;
  TBevel* Bevel3;
  TBitBtn* Minusbtn;
  TBevel* Bevel4;
  TEdit* svEdit;
  TEdit* evEdit;
  TLabel* Label3;
  TLabel* Label4;

  // Heights of the form: compose mode hides the test panel, test mode shows it.
  static constexpr int kComposeHeight = 262;
  static constexpr int kTestHeight = 319;

  // The handlers, bound to the controls' and the form's events.
  void FormCreate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void FormShow(TObject* Sender);
  // Edit2 is editable for a static symbol and a set, read-only and greyed
  // (with Label2) for the kinds that take no text.
  void RGClick(TObject* Sender);
  // Appends the symbol of the chosen kind to the mask and parses it; with no
  // kind chosen, shows "Select symbol to add!". Either way Testbtn, svEdit and
  // evEdit are then enabled exactly when the mask is not empty.
  void AddbtnClick(TObject* Sender);
  // A typed change of the mask: parses it and enables svEdit and evEdit when it
  // is not empty. Testbtn keeps its state.
  void Edit1Change(TObject* Sender);
  // Clears the mask and both values (their flags too) and disables Testbtn.
  void ErasebtnClick(TObject* Sender);
  // Checks the value on leaving its edit: empty gives false; the wrong length
  // shows "Invalid StartValue" ("Invalid EndValue"); otherwise the engine
  // validates it and reports its own errors.
  void svEditExit(TObject* Sender);
  void evEditExit(TObject* Sender);
  // Validates the non-empty values once more; the dialog closes with mrOk anyway.
  void OkbtnClick(TObject* Sender);
  // Opens the test panel and shows the first test value; everything but the
  // panel is disabled.
  void TestbtnClick(TObject* Sender);
  void PlusbtnClick(TObject* Sender);
  void MinusbtnClick(TObject* Sender);
  // Closes the test panel and enables everything but the panel's display,
  // Endbtn and Minusbtn.
  void EndbtnClick(TObject* Sender);
};

// The dialog's mask engine, created by FormCreate and freed by FormDestroy. It
// has no callbacks: '@' symbols show as "@", the limits wrap without handlers
// and Validate reports through message boxes. One engine serves the dialogs
// that are open; it lives until the last of them is destroyed.
extern std::unique_ptr<TGenMask> Mt;
// True when svEdit (evEdit) last held a valid start (end) value for the mask.
// False at load; they outlive every dialog and are not reset when one opens.
extern bool SVOK;
extern bool EVOK;
// The unit's form variable. Nothing assigns it: callers create their own dialog.
extern TEMskDlg* EMskDlg;

}  // namespace qgen
