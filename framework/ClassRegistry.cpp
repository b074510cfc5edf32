#include "framework/ClassRegistry.h"

#include "framework/Exception.h"
#include "framework/Text.h"

namespace qgen {

TClassInfo::TClassInfo(std::string name, std::type_index type, TComponentFactory factory,
                       std::vector<TPropertyInfo> inherited)
    : name_(std::move(name)),
      type_(type),
      factory_(std::move(factory)),
      properties_(std::move(inherited)) {}

const TPropertyInfo* TClassInfo::FindProperty(const std::string& name) const {
  for (const TPropertyInfo& property : properties_) {
    if (CompareText(property.name, name) == 0)
      return &property;
  }
  return nullptr;
}

void TClassInfo::AddProperty(TPropertyInfo property) {
  if (FindProperty(property.name)) {
    throw Exception("Class " + name_ + " has a published property " + property.name + " already");
  }
  properties_.push_back(std::move(property));
}

const TClassInfo* TClassRegistry::Find(const std::string& name) const {
  for (const auto& info : classes_) {
    if (CompareText(info->Name(), name) == 0)
      return info.get();
  }
  return nullptr;
}

const TClassInfo* TClassRegistry::Find(std::type_index type) const {
  for (const auto& info : classes_) {
    if (info->Type() == type)
      return info.get();
  }
  return nullptr;
}

std::vector<std::string> TClassRegistry::Names() const {
  std::vector<std::string> names;
  for (const auto& info : classes_)
    names.push_back(info->Name());
  return names;
}

TClassInfo& TClassRegistry::Add(const std::string& name, std::type_index type,
                                TComponentFactory factory, std::vector<TPropertyInfo> inherited) {
  if (name.empty())
    throw Exception("A registered class needs a name");
  if (const TClassInfo* other = Find(name)) {
    throw Exception("Class " + other->Name() + " is registered already");
  }
  if (const TClassInfo* other = Find(type)) {
    throw Exception("The type of " + name + " is registered already, as " + other->Name());
  }
  classes_.push_back(
      std::make_unique<TClassInfo>(name, type, std::move(factory), std::move(inherited)));
  return *classes_.back();
}

TClassRegistry& Classes() {
  static TClassRegistry registry;
  return registry;
}

}  // namespace qgen
