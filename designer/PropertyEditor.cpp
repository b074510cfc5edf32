#include "designer/PropertyEditor.h"

#include <algorithm>
#include <utility>

#include "designer/Designer.h"
#include "framework/CodePage.h"
#include "framework/Component.h"
#include "framework/Exception.h"
#include "framework/Text.h"

namespace qgen {

namespace {

// The value of `property` in `component`, as text that compares equal exactly
// when the values are equal.
std::string RawValue(const TPropertyInfo& property, const TComponent& component) {
  switch (property.kind) {
    case PropertyKind::Text:
      return property.get_text(component);
    case PropertyKind::Integer:
      return std::to_string(property.get_integer(component));
    case PropertyKind::Boolean:
      return property.get_boolean(component) ? "True" : "False";
    case PropertyKind::Component: {
      const TComponent* target = property.get_component(component);
      return target ? target->Name() : std::string();
    }
    case PropertyKind::Event:
      return property.get_handler_name(component);
  }
  return {};
}

}  // namespace

TPropertyEditor::TPropertyEditor(IDesigner& designer, std::vector<TComponent*> components,
                                 const TPropertyInfo& property)
    : designer_(&designer), components_(std::move(components)), property_(&property) {
  if (components_.empty())
    throw Exception("A property editor needs at least one component");
}

TComponent* TPropertyEditor::GetComponent(int index) const {
  if (index < 0 || index >= PropCount()) {
    throw Exception("Property " + GetName() + " is edited on " + std::to_string(PropCount()) +
                    " component(s); there is no component " + std::to_string(index));
  }
  return components_[static_cast<std::size_t>(index)];
}

bool TPropertyEditor::AllEqual() const {
  const std::string first = RawValue(*property_, *components_.front());
  return std::all_of(components_.begin() + 1, components_.end(),
                     [&](const TComponent* c) { return RawValue(*property_, *c) == first; });
}

void TPropertyEditor::Edit() {
  if (!(GetAttributes() & paValueList))
    return;
  const std::vector<std::string> values = GetValues();
  if (values.empty())
    return;
  auto it = std::find(values.begin(), values.end(), GetValue());
  if (it == values.end() || ++it == values.end())
    it = values.begin();
  SetValue(*it);
}

TPropertyAttributes TPropertyEditor::GetAttributes() const {
  return paMultiSelect | paRevertable;
}

std::vector<std::string> TPropertyEditor::GetValues() const {
  return {};
}

void TPropertyEditor::Modified() {
  designer_->Modified();
}

// TStringProperty

std::string TStringProperty::GetValue() const {
  const std::string value = GetPropInfo().get_text(*Components().front());
  return GetPropInfo().encoding == TextEncoding::CodePage ? ToUtf8(value) : value;
}

void TStringProperty::SetValue(const std::string& value) {
  const std::string text =
      GetPropInfo().encoding == TextEncoding::CodePage ? FromUtf8(value) : value;
  for (TComponent* component : Components())
    GetPropInfo().set_text(*component, text);
  Modified();
}

// TIntegerProperty

std::string TIntegerProperty::GetValue() const {
  return std::to_string(GetPropInfo().get_integer(*Components().front()));
}

void TIntegerProperty::SetValue(const std::string& value) {
  const std::int32_t number = StrToInt(value);
  for (TComponent* component : Components())
    GetPropInfo().set_integer(*component, number);
  Modified();
}

// TBooleanProperty

TPropertyAttributes TBooleanProperty::GetAttributes() const {
  return paMultiSelect | paValueList | paSortList | paRevertable;
}

std::string TBooleanProperty::GetValue() const {
  return GetPropInfo().get_boolean(*Components().front()) ? "True" : "False";
}

std::vector<std::string> TBooleanProperty::GetValues() const {
  return {"False", "True"};
}

void TBooleanProperty::SetValue(const std::string& value) {
  bool flag = false;
  if (CompareText(value, "True") == 0) {
    flag = true;
  } else if (CompareText(value, "False") != 0) {
    throw EConvertError("'" + value + "' is not a valid value of " + GetName() +
                        ": choose True or False");
  }
  for (TComponent* component : Components())
    GetPropInfo().set_boolean(*component, flag);
  Modified();
}

// TComponentProperty

TPropertyAttributes TComponentProperty::GetAttributes() const {
  return paMultiSelect | paValueList | paSortList | paRevertable;
}

std::string TComponentProperty::GetValue() const {
  const TComponent* target = GetPropInfo().get_component(*Components().front());
  return target ? target->Name() : std::string();
}

std::vector<std::string> TComponentProperty::GetValues() const {
  std::vector<std::string> names;
  const TComponent* root = Designer()->Root();
  if (!root)
    return names;
  for (int i = 0; i < root->ComponentCount(); ++i) {
    const TComponent* candidate = root->Components(i);
    if (!candidate->Name().empty() && GetPropInfo().accepts_component(*candidate))
      names.push_back(candidate->Name());
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  return names;
}

void TComponentProperty::SetValue(const std::string& value) {
  TComponent* target = nullptr;
  if (!value.empty()) {
    const TComponent* root = Designer()->Root();
    target = root ? root->FindComponent(value) : nullptr;
    if (!target)
      throw Exception("The form has no component named \"" + value + "\"");
    if (!GetPropInfo().accepts_component(*target)) {
      throw Exception("\"" + value + "\" is not a " + GetPropInfo().type_name + ": " + GetName() +
                      " cannot refer to it");
    }
  }
  for (TComponent* component : Components())
    GetPropInfo().set_component(*component, target);
  Modified();
}

// TMethodProperty

TPropertyAttributes TMethodProperty::GetAttributes() const {
  return paMultiSelect | paReadOnly;
}

std::string TMethodProperty::GetValue() const {
  return GetPropInfo().get_handler_name(*Components().front());
}

void TMethodProperty::SetValue(const std::string& /*value*/) {
  throw Exception("The event " + GetName() +
                  " is bound by the program that reads the form; it cannot be set here");
}

}  // namespace qgen
