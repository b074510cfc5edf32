// The form designer's registration interface. A package's registration
// routines put its component classes on palette pages and name the editors
// the designer uses for a component class or for one of its properties; the
// designer program reads the result from DesignRegistry(). Everything runs on
// the designer's thread; nothing here is thread-safe.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "designer/ComponentClass.h"
#include "designer/ComponentEditor.h"
#include "designer/PropertyEditor.h"

namespace qgen {

// An editor class: makes an editor for what the designer has selected.
using TPropertyEditorClass = std::function<std::unique_ptr<TPropertyEditor>(
    IDesigner&, std::vector<TComponent*>, const TPropertyInfo&)>;
using TComponentEditorClass =
    std::function<std::unique_ptr<TComponentEditor>(TComponent&, IDesigner&)>;

// The class reference of editor class E.
template <class E>
TPropertyEditorClass PropertyEditorClass() {
  return [](IDesigner& designer, std::vector<TComponent*> components,
            const TPropertyInfo& property) -> std::unique_ptr<TPropertyEditor> {
    return std::make_unique<E>(designer, std::move(components), property);
  };
}
template <class E>
TComponentEditorClass ComponentEditorClass() {
  return [](TComponent& component, IDesigner& designer) -> std::unique_ptr<TComponentEditor> {
    return std::make_unique<E>(component, designer);
  };
}

// One page of the component palette: its classes in the order they came.
struct TPalettePage {
  std::string name;
  std::vector<TComponentClass> classes;
};

class TDesignRegistry {
 public:
  TDesignRegistry() = default;
  TDesignRegistry(const TDesignRegistry&) = delete;
  TDesignRegistry& operator=(const TDesignRegistry&) = delete;

  // Appends `classes` to the page `page` (created after the existing pages
  // when new). A class that the page holds already stays where it is: a second
  // registration on the same page is ignored. Raises Exception for an empty
  // page name or a class reference without a class.
  void AddComponents(const std::string& page, const std::vector<TComponentClass>& classes);
  // The editor `editor` is used for properties of type `property_type` (a
  // registry type name such as kStringType) of components of `component_class`
  // (or derived; none: of any class) named `property_name` ("": any name).
  void AddPropertyEditor(const std::string& property_type, TComponentClass component_class,
                         const std::string& property_name, TPropertyEditorClass editor);
  // The editor `editor` serves every component of `component_class` (or derived).
  void AddComponentEditor(TComponentClass component_class, TComponentEditorClass editor);

  // The pages in the order they were first named.
  const std::vector<TPalettePage>& Pages() const { return pages_; }
  // The page of every AddComponents call, in call order, also of calls that
  // added nothing new: a designer sees from it which page a package's
  // registration routines named.
  const std::vector<std::string>& NamedPages() const { return named_pages_; }
  // The page of that name (ASCII case-insensitive), or nullptr.
  const TPalettePage* FindPage(const std::string& name) const;

  // The editor for `property` of `component`: of the registrations whose type,
  // class and name match, the one made last; without one, the editor of the
  // property's kind (TStringProperty, TIntegerProperty, ...).
  TPropertyEditorClass PropertyEditorFor(const TComponent& component,
                                         const TPropertyInfo& property) const;
  // The editor registered last for `component`'s class or a class it derives
  // from; without one, a TComponentEditor, which has no verbs.
  TComponentEditorClass ComponentEditorFor(const TComponent& component) const;

 private:
  struct PropertyEditorEntry {
    std::string property_type;
    TComponentClass component_class;
    std::string property_name;
    TPropertyEditorClass editor;
  };
  struct ComponentEditorEntry {
    TComponentClass component_class;
    TComponentEditorClass editor;
  };

  std::vector<TPalettePage> pages_;
  std::vector<std::string> named_pages_;
  std::vector<PropertyEditorEntry> property_editors_;
  std::vector<ComponentEditorEntry> component_editors_;
};

// The registry that the registration routines below fill and the designer reads.
TDesignRegistry& DesignRegistry();

// Offers `classes` as tools on the palette page `page`.
void RegisterComponents(const std::string& page, std::initializer_list<TComponentClass> classes);
// Uses `editor` for that one property of that class (see AddPropertyEditor).
void RegisterPropertyEditor(const std::string& property_type, TComponentClass component_class,
                            const std::string& property_name, TPropertyEditorClass editor);
// Uses `editor` for every selected component of that class.
void RegisterComponentEditor(TComponentClass component_class, TComponentEditorClass editor);

// The component editor for `component`, created for this one use.
std::unique_ptr<TComponentEditor> GetComponentEditor(TComponent& component, IDesigner& designer);

// The editors of the property list for `selection`: one for each published
// property of the selected components' class, in declaration order. With
// several components selected, a property whose editor lacks paMultiSelect is
// left out, and components of different classes share no property (none is
// listed). Raises Exception for a component whose class is not in the class
// registry.
std::vector<std::unique_ptr<TPropertyEditor>> GetPropertyEditors(
    const std::vector<TComponent*>& selection, IDesigner& designer);

}  // namespace qgen
