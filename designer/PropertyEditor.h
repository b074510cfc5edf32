// Property editors: what the designer's property list asks about one published
// property of the selected components. Values cross as the list shows them,
// UTF-8 text. The designer creates an editor for each property it lists and
// frees it when the selection changes. TStringProperty, TIntegerProperty,
// TBooleanProperty, TComponentProperty and TMethodProperty serve the property
// kinds of the class registry; RegisterPropertyEditor names others for one
// property of a class.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/PublishedProperty.h"

namespace qgen {

class IDesigner;
class TComponent;

// What the property list offers for a property (a set of these bits).
enum TPropertyAttribute : std::uint32_t {
  paValueList = 1u << 0,  // a drop-down list of the values GetValues gives
  paSubProperties = 1u << 1,
  paDialog = 1u << 2,       // an ellipsis button that calls Edit
  paMultiSelect = 1u << 3,  // also listed when several components are selected
  paAutoUpdate = 1u << 4,
  paSortList = 1u << 5,  // the value list is shown sorted
  paReadOnly = 1u << 6,  // the value cannot be typed in
  paRevertable = 1u << 7,
};
using TPropertyAttributes = std::uint32_t;

// The type name the class registry gives string properties, for RegisterPropertyEditor.
inline constexpr const char* kStringType = "string";

class TPropertyEditor {
 public:
  // An editor of `property` on `components` (at least one, all of a class
  // that has the property), on the form `designer` shows. None is owned.
  TPropertyEditor(IDesigner& designer, std::vector<TComponent*> components,
                  const TPropertyInfo& property);
  TPropertyEditor(const TPropertyEditor&) = delete;
  TPropertyEditor& operator=(const TPropertyEditor&) = delete;
  virtual ~TPropertyEditor() = default;

  // The edited component `index` (0 .. PropCount()-1); raises Exception for another.
  TComponent* GetComponent(int index) const;
  int PropCount() const { return static_cast<int>(components_.size()); }
  IDesigner* Designer() const { return designer_; }
  const TPropertyInfo& GetPropInfo() const { return *property_; }
  const std::string& GetName() const { return property_->name; }

  // True when every edited component has the value of the first.
  virtual bool AllEqual() const;
  // The ellipsis button or a double click on the value. With a value list it
  // moves to the next value (after the last, to the first); otherwise nothing.
  virtual void Edit();
  // paMultiSelect | paRevertable.
  virtual TPropertyAttributes GetAttributes() const;
  // The value of the first component, as the list shows it.
  virtual std::string GetValue() const = 0;
  // The values a value list offers; none here.
  virtual std::vector<std::string> GetValues() const;
  // Writes `value` into every edited component through the property's setter,
  // then tells the designer (Modified). Raises what parsing the text or a
  // setter raises; components before the failing one keep the new value.
  virtual void SetValue(const std::string& value) = 0;

 protected:
  // The designer's Modified.
  void Modified();
  const std::vector<TComponent*>& Components() const { return components_; }

 private:
  IDesigner* designer_;
  std::vector<TComponent*> components_;
  const TPropertyInfo* property_;
};

// A string property: typed in as text. Text kept in the engine's code page is
// shown as UTF-8; a character the code page cannot hold raises EConvertError.
class TStringProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  std::string GetValue() const override;
  void SetValue(const std::string& value) override;
};

// A 32-bit whole number; text that is not one raises EConvertError.
class TIntegerProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  std::string GetValue() const override;
  void SetValue(const std::string& value) override;
};

// True or False, from a value list.
class TBooleanProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  TPropertyAttributes GetAttributes() const override;
  std::string GetValue() const override;
  std::vector<std::string> GetValues() const override;
  void SetValue(const std::string& value) override;
};

// A reference to another component of the form, by name; "" for none. The
// value list holds the form's components that the property takes.
class TComponentProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  TPropertyAttributes GetAttributes() const override;
  std::string GetValue() const override;
  std::vector<std::string> GetValues() const override;
  // Raises Exception when the form has no component of that name or when it
  // is not of the property's class.
  void SetValue(const std::string& value) override;
};

// An event: shows the name of the bound handler. Handlers are the program's
// that reads the form, so the designer cannot bind one: read-only.
class TMethodProperty : public TPropertyEditor {
 public:
  using TPropertyEditor::TPropertyEditor;
  TPropertyAttributes GetAttributes() const override;
  std::string GetValue() const override;
  // Raises Exception: a handler cannot be bound at design time.
  void SetValue(const std::string& value) override;
};

}  // namespace qgen
