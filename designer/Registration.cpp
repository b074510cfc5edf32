#include "designer/Registration.h"

#include <algorithm>

#include "framework/Exception.h"
#include "framework/Text.h"

namespace qgen {

namespace {

// The editor of a property kind, where no editor is registered.
TPropertyEditorClass KindEditor(PropertyKind kind) {
  switch (kind) {
    case PropertyKind::Text:
      return PropertyEditorClass<TStringProperty>();
    case PropertyKind::Integer:
      return PropertyEditorClass<TIntegerProperty>();
    case PropertyKind::Boolean:
      return PropertyEditorClass<TBooleanProperty>();
    case PropertyKind::Component:
      return PropertyEditorClass<TComponentProperty>();
    case PropertyKind::Event:
      return PropertyEditorClass<TMethodProperty>();
  }
  return PropertyEditorClass<TStringProperty>();
}

const TClassInfo& ClassInfoOf(const TComponent& component) {
  const TClassInfo* info = Classes().ClassOf(component);
  if (!info) {
    throw Exception("The component \"" + component.Name() +
                    "\" is of a class that is not in the class registry");
  }
  return *info;
}

}  // namespace

void TDesignRegistry::AddComponents(const std::string& page,
                                    const std::vector<TComponentClass>& classes) {
  if (page.empty())
    throw Exception("RegisterComponents needs a palette page name");
  for (const TComponentClass& cls : classes) {
    if (!cls.info)
      throw Exception("RegisterComponents on page " + page + ": a class reference is empty");
  }
  auto it = std::find_if(pages_.begin(), pages_.end(),
                         [&](const TPalettePage& p) { return CompareText(p.name, page) == 0; });
  if (it == pages_.end()) {
    pages_.push_back({page, {}});
    it = pages_.end() - 1;
  }
  for (const TComponentClass& cls : classes) {
    if (std::find(it->classes.begin(), it->classes.end(), cls) == it->classes.end())
      it->classes.push_back(cls);
  }
  named_pages_.push_back(it->name);
}

void TDesignRegistry::AddPropertyEditor(const std::string& property_type,
                                        TComponentClass component_class,
                                        const std::string& property_name,
                                        TPropertyEditorClass editor) {
  if (property_type.empty() || !editor)
    throw Exception("RegisterPropertyEditor needs a property type and an editor class");
  property_editors_.push_back({property_type, component_class, property_name, std::move(editor)});
}

void TDesignRegistry::AddComponentEditor(TComponentClass component_class,
                                         TComponentEditorClass editor) {
  if (!component_class.info || !editor)
    throw Exception("RegisterComponentEditor needs a component class and an editor class");
  component_editors_.push_back({component_class, std::move(editor)});
}

const TPalettePage* TDesignRegistry::FindPage(const std::string& name) const {
  for (const TPalettePage& page : pages_) {
    if (CompareText(page.name, name) == 0)
      return &page;
  }
  return nullptr;
}

TPropertyEditorClass TDesignRegistry::PropertyEditorFor(const TComponent& component,
                                                        const TPropertyInfo& property) const {
  for (auto it = property_editors_.rbegin(); it != property_editors_.rend(); ++it) {
    if (CompareText(it->property_type, property.type_name) != 0)
      continue;
    if (it->component_class.info && !it->component_class.InstanceOf(component))
      continue;
    if (!it->property_name.empty() && CompareText(it->property_name, property.name) != 0)
      continue;
    return it->editor;
  }
  return KindEditor(property.kind);
}

TComponentEditorClass TDesignRegistry::ComponentEditorFor(const TComponent& component) const {
  for (auto it = component_editors_.rbegin(); it != component_editors_.rend(); ++it) {
    if (it->component_class.InstanceOf(component))
      return it->editor;
  }
  return ComponentEditorClass<TComponentEditor>();
}

TDesignRegistry& DesignRegistry() {
  static TDesignRegistry registry;
  return registry;
}

void RegisterComponents(const std::string& page, std::initializer_list<TComponentClass> classes) {
  DesignRegistry().AddComponents(page, classes);
}

void RegisterPropertyEditor(const std::string& property_type, TComponentClass component_class,
                            const std::string& property_name, TPropertyEditorClass editor) {
  DesignRegistry().AddPropertyEditor(property_type, component_class, property_name,
                                     std::move(editor));
}

void RegisterComponentEditor(TComponentClass component_class, TComponentEditorClass editor) {
  DesignRegistry().AddComponentEditor(component_class, std::move(editor));
}

std::unique_ptr<TComponentEditor> GetComponentEditor(TComponent& component, IDesigner& designer) {
  return DesignRegistry().ComponentEditorFor(component)(component, designer);
}

std::vector<std::unique_ptr<TPropertyEditor>> GetPropertyEditors(
    const std::vector<TComponent*>& selection, IDesigner& designer) {
  std::vector<std::unique_ptr<TPropertyEditor>> editors;
  if (selection.empty())
    return editors;
  // Each property is read and written through the accessors of the first
  // component's class, which fit components of that class only.
  const TClassInfo& first = ClassInfoOf(*selection.front());
  for (TComponent* component : selection) {
    if (&ClassInfoOf(*component) != &first)
      return editors;
  }
  for (const TPropertyInfo& property : first.Properties()) {
    auto editor = DesignRegistry().PropertyEditorFor(*selection.front(), property)(
        designer, selection, property);
    if (selection.size() > 1 && !(editor->GetAttributes() & paMultiSelect))
      continue;
    editors.push_back(std::move(editor));
  }
  return editors;
}

}  // namespace qgen
