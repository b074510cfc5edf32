// The class registry: class name -> a factory that creates a component with an
// owner, and the class's published properties in declaration order (those of
// its base class first). Form files name classes and properties; the form
// reader creates and configures components through this registry, the writer
// reads them back through it.
//
// Each library registers its own classes (RegisterStandardClasses in
// unikey/StandardClasses.h registers them all); applications and tests may add
// their own, e.g. a descendant of a registered class:
//
//   registry.Register<TMyGenerator, TGenerator>("TMyGenerator");
//
// Not thread-safe: register before reading forms, on one thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <typeindex>
#include <typeinfo>
#include <utility>
#include <vector>

#include "framework/Component.h"
#include "framework/PublishedProperty.h"

namespace qgen {

using TComponentFactory = std::function<TComponent*(TComponent* owner)>;

class TClassInfo {
 public:
  TClassInfo(std::string name, std::type_index type, TComponentFactory factory,
             std::vector<TPropertyInfo> inherited);
  TClassInfo(const TClassInfo&) = delete;
  TClassInfo& operator=(const TClassInfo&) = delete;

  const std::string& Name() const { return name_; }
  std::type_index Type() const { return type_; }
  // A new instance owned by `owner` (may be nullptr).
  TComponent* Create(TComponent* owner) const { return factory_(owner); }

  // Published properties in declaration order, inherited ones first.
  const std::vector<TPropertyInfo>& Properties() const { return properties_; }
  // The property of that name (ASCII case-insensitive), or nullptr.
  const TPropertyInfo* FindProperty(const std::string& name) const;
  // Appends a property. Raises Exception when the class has one of that name.
  void AddProperty(TPropertyInfo property);

 private:
  std::string name_;
  std::type_index type_;
  TComponentFactory factory_;
  std::vector<TPropertyInfo> properties_;
};

// Declares the published properties of class C, in declaration order. Getters
// take `const C&`, setters `C&` and the value.
template <class C>
class TClassBuilder {
 public:
  explicit TClassBuilder(TClassInfo& info) : info_(info) {}

  // A string property; stored when not empty.
  template <class Get, class Set>
  TClassBuilder& Text(const std::string& name, Get get, Set set,
                      TextEncoding encoding = TextEncoding::CodePage) {
    TPropertyInfo p = Start(name, PropertyKind::Text, "string");
    p.encoding = encoding;
    p.get_text = [get](const TComponent& c) { return std::string(get(Self(c))); };
    p.set_text = [set](TComponent& c, const std::string& v) { set(Self(c), v); };
    p.stored = [get](const TComponent& c) { return !std::string(get(Self(c))).empty(); };
    info_.AddProperty(std::move(p));
    return *this;
  }

  // A 32-bit whole number; stored when it differs from `default_value`.
  template <class Get, class Set>
  TClassBuilder& Integer(const std::string& name, Get get, Set set,
                         std::int32_t default_value = 0) {
    TPropertyInfo p = Start(name, PropertyKind::Integer, "Integer");
    p.get_integer = [get](const TComponent& c) { return std::int32_t(get(Self(c))); };
    p.set_integer = [set](TComponent& c, std::int32_t v) { set(Self(c), v); };
    p.stored = [get, default_value](const TComponent& c) { return get(Self(c)) != default_value; };
    info_.AddProperty(std::move(p));
    return *this;
  }

  // A Boolean; stored when true (false is the default).
  template <class Get, class Set>
  TClassBuilder& Boolean(const std::string& name, Get get, Set set) {
    TPropertyInfo p = Start(name, PropertyKind::Boolean, "Boolean");
    p.get_boolean = [get](const TComponent& c) { return bool(get(Self(c))); };
    p.set_boolean = [set](TComponent& c, bool v) { set(Self(c), v); };
    p.stored = [get](const TComponent& c) { return bool(get(Self(c))); };
    info_.AddProperty(std::move(p));
    return *this;
  }

  // A reference to a component of class Target (or derived from it), shown
  // in listings as `type_name`; stored when assigned.
  template <class Target, class Get, class Set>
  TClassBuilder& Reference(const std::string& name, const std::string& type_name, Get get,
                           Set set) {
    static_assert(std::is_base_of_v<TComponent, Target>);
    TPropertyInfo p = Start(name, PropertyKind::Component, type_name);
    p.get_component = [get](const TComponent& c) -> TComponent* { return get(Self(c)); };
    p.set_component = [set](TComponent& c, TComponent* target) {
      Target* typed = dynamic_cast<Target*>(target);
      if (target && !typed)
        return false;
      set(Self(c), typed);
      return true;
    };
    p.accepts_component = [](const TComponent& target) {
      return dynamic_cast<const Target*>(&target) != nullptr;
    };
    p.stored = [get](const TComponent& c) { return get(Self(c)) != nullptr; };
    info_.AddProperty(std::move(p));
    return *this;
  }

  // An event: the public member `member` of type Event (a TEvent), shown in
  // listings as `type_name`; stored when assigned.
  template <class Event>
  TClassBuilder& EventProperty(const std::string& name, const std::string& type_name,
                               Event C::*member) {
    TPropertyInfo p = Start(name, PropertyKind::Event, type_name);
    p.get_handler_name = [member](const TComponent& c) { return (Self(c).*member).HandlerName(); };
    p.event_assigned = [member](const TComponent& c) { return (Self(c).*member).Assigned(); };
    p.bind_handler = [member](TComponent& c, const THandlerRegistry& handlers,
                              const std::string& handler) {
      Event event;
      const HandlerLookup result = handlers.Lookup(handler, event);
      if (result == HandlerLookup::Found)
        Self(c).*member = event;
      return result;
    };
    p.stored = p.event_assigned;
    info_.AddProperty(std::move(p));
    return *this;
  }

 private:
  // The registry hands these accessors components of class C (or derived) only.
  static const C& Self(const TComponent& c) { return static_cast<const C&>(c); }
  static C& Self(TComponent& c) { return static_cast<C&>(c); }

  static TPropertyInfo Start(const std::string& name, PropertyKind kind, std::string type_name) {
    TPropertyInfo p;
    p.name = name;
    p.kind = kind;
    p.type_name = std::move(type_name);
    return p;
  }

  TClassInfo& info_;
};

class TClassRegistry {
 public:
  TClassRegistry() = default;
  TClassRegistry(const TClassRegistry&) = delete;
  TClassRegistry& operator=(const TClassRegistry&) = delete;

  // Registers class C under `name`, with no published properties but those
  // the returned builder declares. Raises Exception when a class of that name
  // (ASCII case-insensitive) or the type C is registered already.
  template <class C>
  TClassBuilder<C> Register(const std::string& name) {
    static_assert(std::is_base_of_v<TComponent, C>);
    return TClassBuilder<C>(Add(name, typeid(C), Factory<C>(), {}));
  }

  // Registers class C, derived from the registered class Base, under `name`: it
  // has Base's published properties, then those the builder declares.
  template <class C, class Base>
  TClassBuilder<C> Register(const std::string& name) {
    static_assert(std::is_base_of_v<Base, C>);
    const TClassInfo* base = Find(typeid(Base));
    if (!base)
      throw Exception("Register the base class of " + name + " first");
    return TClassBuilder<C>(Add(name, typeid(C), Factory<C>(), base->Properties()));
  }

  // The class of that name (ASCII case-insensitive), or nullptr.
  const TClassInfo* Find(const std::string& name) const;
  // The class registered for exactly this type, or nullptr.
  const TClassInfo* Find(std::type_index type) const;
  // The class of `component`'s own (most derived) type, or nullptr.
  const TClassInfo* ClassOf(const TComponent& component) const { return Find(typeid(component)); }

  // Every registered class name, in registration order.
  std::vector<std::string> Names() const;

 private:
  template <class C>
  static TComponentFactory Factory() {
    return [](TComponent* owner) -> TComponent* { return new C(owner); };
  }
  TClassInfo& Add(const std::string& name, std::type_index type, TComponentFactory factory,
                  std::vector<TPropertyInfo> inherited);

  std::vector<std::unique_ptr<TClassInfo>> classes_;
};

// The process-wide registry that form files use unless told otherwise.
TClassRegistry& Classes();

}  // namespace qgen
