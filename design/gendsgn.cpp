#include "design/gendsgn.h"

#include "design/EditMask.h"
#include "design/UniKEYRegister.h"
#include "design/qcommon/AboutBox.h"
#include "design/qgenpkg.h"
#include "designer/Designer.h"
#include "designer/Registration.h"
#include "framework/Exception.h"
#include "framework/Text.h"
#include "gensrc/Generator.h"
#include "gensrc/GeneratorRegistration.h"

#ifndef QGEN_PACKAGE_VERSION
#error "QGEN_PACKAGE_VERSION (major.minor) comes from the build"
#endif

namespace qgen {

namespace {

// A limit as the generator takes it. A TmString would cut a longer text short
// without a word, and the cut text might even fit the mask.
TmString Limit(const std::string& text, const char* which) {
  if (text.size() > TmString::kMaxLength) {
    throw Exception(std::string(which) + " holds at most " + std::to_string(TmString::kMaxLength) +
                    " characters; the one entered has " + std::to_string(text.size()) +
                    ". Shorten it and edit the mask again.");
  }
  return TmString(text);
}

TGenerator& GeneratorOf(TComponent* component) {
  auto* generator = dynamic_cast<TGenerator*>(component);
  if (!generator)
    throw Exception("The mask editor edits TGenerator components only");
  return *generator;
}

}  // namespace

void EditGeneratorMask(TGenerator* generator) {
  MaskTexts texts{generator->Mask(), generator->StartValue().str(), generator->EndValue().str()};
  if (!EditMaskTexts(texts))
    return;

  const TmString start = Limit(texts.start_value, "StartValue");
  const TmString end = Limit(texts.end_value, "EndValue");
  generator->SetMask(texts.mask);
  // The start value is compared with the end value the generator holds when
  // it is set. A new pair that lies wholly above the old end would lose its
  // start value to that comparison, so the old end is let go of first; the new
  // pair is then compared with itself when the end value is set.
  if (!start.empty() && !generator->EndValue().empty() &&
      CompareText(generator->EndValue(), start) <= 0) {
    generator->SetEndValue(TmString());
  }
  generator->SetStartValue(start);
  generator->SetEndValue(end);
}

// TGComponentEditor

void TGComponentEditor::ExecuteVerb(int index) {
  switch (index) {
    case 0:
      EditGeneratorMask(&GeneratorOf(Component()));
      GetDesigner()->Modified();
      break;
    case 1:
      GetDesigner()->Modified();
      break;
    case 2:
      ShowAboutBoxQ("TGenerator", gendsgn::kVersionText);
      break;
    default:
      break;
  }
}

std::string TGComponentEditor::GetVerb(int index) const {
  switch (index) {
    case 0:
      return "Edit &Mask";
    case 1:
      return "Setup  &DB";
    case 2:
      return "&About";
    default:
      return {};
  }
}

int TGComponentEditor::GetVerbCount() const {
  return 3;
}

// TMaskPropertyEditor

void TMaskPropertyEditor::Edit() {
  EditGeneratorMask(&GeneratorOf(GetComponent(0)));
}

TPropertyAttributes TMaskPropertyEditor::GetAttributes() const {
  return paDialog;
}

namespace gendsgn {

const char* const kVersionText = "qgen components, version " QGEN_PACKAGE_VERSION;

void Register() {
  // The class references: the classes' published properties go into the
  // class registry, which the designer creates and streams them through.
  RegisterGeneratorClasses(Classes());
  RegisterComponents(qgenpkg::kPalettePage, {ClassOf<TGenerator>(), unikey::UniKEYClass()});
  RegisterPropertyEditor(kStringType, ClassOf<TGenerator>(), "Mask",
                         PropertyEditorClass<TMaskPropertyEditor>());
  RegisterComponentEditor(ClassOf<TGenerator>(), ComponentEditorClass<TGComponentEditor>());
}

}  // namespace gendsgn

}  // namespace qgen
