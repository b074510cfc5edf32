// Unit gendsgn: the design-time side of TGenerator. Register puts both
// components on the palette page "Quonel" and names the editors: the component
// editor TGComponentEditor (verbs "Edit &Mask", "Setup  &DB", "&About") and the
// property editor TMaskPropertyEditor, whose ellipsis button opens the mask
// edit dialog on the Mask property. Both editors edit through
// EditGeneratorMask. Compiled into the package only: the runtime library does
// not depend on the designer.
#pragma once

#include <string>

#include "designer/ComponentEditor.h"
#include "designer/PropertyEditor.h"

namespace qgen {

class TGenerator;

// Opens a fresh mask edit dialog on `generator`'s Mask, StartValue and
// EndValue, modally (EditMaskTexts). On OK writes the dialog's three texts
// back through SetMask, then SetStartValue, then SetEndValue; on Cancel
// changes nothing. The limits go through the generator's own checks, which
// report what they reject. A mask that does not parse raises the parser's
// error from SetMask: the limits are then not written. A text that does not
// fit the code page raises EConvertError, and a limit longer than a TmString
// holds raises Exception, both before anything is written. The dialog is
// freed before anything is written, so in every case. Does not tell the
// designer; the callers decide that. Needs a QApplication.
void EditGeneratorMask(TGenerator* generator);

// The context menu of a TGenerator: 0 "Edit &Mask" edits the mask and limits,
// 1 "Setup  &DB" only marks the form as changed, 2 "&About" shows the about box.
class TGComponentEditor : public TComponentEditor {
 public:
  using TComponentEditor::TComponentEditor;
  // Verb 0: EditGeneratorMask, then the designer's Modified whatever the
  // dialog's result (not when the edit raised). Verb 1: Modified. Verb 2:
  // ShowAboutBoxQ("TGenerator", the package's version text). Others: nothing.
  void ExecuteVerb(int index) override;
  std::string GetVerb(int index) const override;
  int GetVerbCount() const override;
};

// The Mask property of TGenerator: typed in as a string, or edited in the
// mask edit dialog through the ellipsis button. Not offered when several
// components are selected.
class TMaskPropertyEditor : public TStringProperty {
 public:
  using TStringProperty::TStringProperty;
  // EditGeneratorMask on the first edited generator; no designer notification.
  void Edit() override;
  // paDialog only.
  TPropertyAttributes GetAttributes() const override;
};

namespace gendsgn {

// The package's version text, as the about box shows it.
extern const char* const kVersionText;

// Puts TGenerator and TUniKEY, in this order, on the palette page "Quonel";
// registers TMaskPropertyEditor for the string property Mask of TGenerator
// and TGComponentEditor for TGenerator.
void Register();

}  // namespace gendsgn

}  // namespace qgen
