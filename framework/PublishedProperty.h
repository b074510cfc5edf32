// TPropertyInfo: one published property of a registered class, as form files
// see it: its name, its kind and type name, how it is read and written, and
// whether its current value is stored (a default value is not written). The
// class registry builds these; the form reader and writer use them on
// components of the class (or of classes derived from it) only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "framework/Component.h"
#include "framework/HandlerRegistry.h"

namespace qgen {

enum class PropertyKind {
  Text,       // a string; a JSON string
  Integer,    // a 32-bit whole number; a JSON number without fraction
  Boolean,    // a JSON true or false
  Component,  // a reference to another component of the form, by name
  Event,      // a handler of the application, by name
};

// How text crosses the form file: converted between the engine's code page
// and UTF-8, or taken as UTF-8 unchanged (file paths, URIs, code-page names).
enum class TextEncoding { CodePage, Utf8 };

struct TPropertyInfo {
  std::string name;
  PropertyKind kind = PropertyKind::Text;
  // As listings show it: "string", "Integer", "Boolean", or the class or
  // event type, e.g. "TDataSource", "TGOverFlowEvent".
  std::string type_name;
  TextEncoding encoding = TextEncoding::CodePage;  // Text only

  // Whether the current value is written to a form file. Text: when not
  // empty; Integer and Boolean: when not the default; Component and Event:
  // when assigned.
  std::function<bool(const TComponent&)> stored;

  // The accessors of the property's kind; the others are empty. Setters raise
  // what the component's setter raises.
  std::function<std::string(const TComponent&)> get_text;
  std::function<void(TComponent&, const std::string&)> set_text;
  std::function<std::int32_t(const TComponent&)> get_integer;
  std::function<void(TComponent&, std::int32_t)> set_integer;
  std::function<bool(const TComponent&)> get_boolean;
  std::function<void(TComponent&, bool)> set_boolean;
  std::function<TComponent*(const TComponent&)> get_component;
  // Sets the reference; false, with nothing changed, when `target` is not of
  // the property's class.
  std::function<bool(TComponent&, TComponent* target)> set_component;
  // Whether set_component would take `target` (it is of the property's class),
  // so that a form designer can offer only the components that fit.
  std::function<bool(const TComponent& target)> accepts_component;
  // The bound handler's registered name ("" when unassigned or assigned in code).
  std::function<std::string(const TComponent&)> get_handler_name;
  std::function<bool(const TComponent&)> event_assigned;
  // Binds the handler registered as `name`; Found, or why nothing was bound.
  std::function<HandlerLookup(TComponent&, const THandlerRegistry&, const std::string& name)>
      bind_handler;
};

}  // namespace qgen
