// THandlerRegistry: the event handlers an application offers to its form files,
// by name. A form file names a handler in an event property; the form reader
// looks the name up here and binds the handler, which keeps the name so that
// the form can be written back. The application fills the registry before it
// reads a form. Names compare ASCII-case-insensitively.
#pragma once

#include <any>
#include <string>
#include <utility>
#include <vector>

#include "framework/Exception.h"
#include "framework/Text.h"

namespace qgen {

enum class HandlerLookup { Found, Missing, OtherType };

class THandlerRegistry {
 public:
  // Offers `handler` (a TEvent of the event type it is meant for, e.g.
  // TGOverFlowEvent) under `name`. One name may stand for handlers of several
  // event types (a program whose handlers take any event's arguments offers
  // one of each); raises Exception when `name` is empty or already taken for
  // events of this type.
  template <class Event>
  void Add(const std::string& name, Event handler) {
    if (name.empty())
      throw Exception("A handler needs a name");
    for (const Entry* entry : FindEntries(name)) {
      if (std::any_cast<Event>(&entry->handler))
        throw Exception("There is already a handler named \"" + name + "\"");
    }
    entries_.push_back({name, std::any(handler.Named(name))});
  }

  // Looks up the handler `name` for an event of type Event. Found: `out` is the
  // handler, carrying its registered name. OtherType: a handler of that name
  // exists for events of another type; `out` is unchanged.
  template <class Event>
  HandlerLookup Lookup(const std::string& name, Event& out) const {
    const std::vector<const Entry*> entries = FindEntries(name);
    for (const Entry* entry : entries) {
      if (const Event* handler = std::any_cast<Event>(&entry->handler)) {
        out = *handler;
        return HandlerLookup::Found;
      }
    }
    return entries.empty() ? HandlerLookup::Missing : HandlerLookup::OtherType;
  }

  // The registered names, each once, in the order they were first added.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const Entry& entry : entries_) {
      if (FindEntries(entry.name).front() == &entry)
        names.push_back(entry.name);
    }
    return names;
  }

 private:
  struct Entry {
    std::string name;
    std::any handler;
  };

  std::vector<const Entry*> FindEntries(const std::string& name) const {
    std::vector<const Entry*> found;
    for (const Entry& entry : entries_) {
      if (CompareText(entry.name, name) == 0)
        found.push_back(&entry);
    }
    return found;
  }

  std::vector<Entry> entries_;
};

}  // namespace qgen
