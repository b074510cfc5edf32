// TComponentClass: a class reference as the registration calls take it, such
// as TGenerator in RegisterComponents("Quonel", {ClassOf<TGenerator>()}). It
// joins the class's entry in the framework's class registry (name, factory,
// published properties) with a test for instances of the class or of classes
// derived from it, which the editor look-ups need.
#pragma once

#include <string>
#include <typeinfo>

#include "framework/ClassRegistry.h"
#include "framework/Component.h"
#include "framework/Exception.h"

namespace qgen {

struct TComponentClass {
  const TClassInfo* info = nullptr;  // nullptr: no class (any class, where allowed)
  bool (*is_instance)(const TComponent&) = nullptr;

  const std::string& Name() const { return info->Name(); }
  // True when `component` is of this class or of a class derived from it.
  bool InstanceOf(const TComponent& component) const {
    return is_instance && is_instance(component);
  }
  bool operator==(const TComponentClass& other) const { return info == other.info; }
};

// The reference of class C. C must have been registered with the framework's
// class registry (Classes()) before; raises Exception otherwise.
template <class C>
TComponentClass ClassOf() {
  const TClassInfo* info = Classes().Find(typeid(C));
  if (!info) {
    throw Exception(std::string("The component class ") + typeid(C).name() +
                    " is not in the class registry: register it before naming it to the designer");
  }
  return {info, [](const TComponent& c) { return dynamic_cast<const C*>(&c) != nullptr; }};
}

}  // namespace qgen
