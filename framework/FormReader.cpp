// The form reader: JSON in, a root component with its configured components out.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "framework/CodePage.h"
#include "framework/FormFile.h"
#include "framework/FormPlace.h"
#include "framework/Text.h"

namespace qgen {

namespace {

using Json = nlohmann::ordered_json;
using form::FormPlace;

// The parser keeps only the last value of a key given twice in one object.
// So that no value is dropped unnoticed, the keys given twice are noted per
// object (by the address of its key list, which stays where it is when the
// object is moved into its parent) and reported with their place later.
using DuplicateKeys = std::map<const void*, std::string>;

Json Parse(std::string_view text, const FormPlace& place, DuplicateKeys& duplicates) {
  std::vector<std::set<std::string>> keys;  // of each object being read
  std::vector<std::string> twice;           // the first key given twice, per object
  auto note = [&](int /*depth*/, Json::parse_event_t event, Json& parsed) {
    switch (event) {
      case Json::parse_event_t::object_start:
        keys.emplace_back();
        twice.emplace_back();
        break;
      case Json::parse_event_t::key: {
        const std::string& key = parsed.get_ref<const std::string&>();
        if (!keys.back().insert(key).second && twice.back().empty())
          twice.back() = key;
        break;
      }
      case Json::parse_event_t::object_end:
        if (!twice.back().empty() && parsed.is_object()) {
          duplicates[&parsed.get_ref<const Json::object_t&>()] = twice.back();
        }
        keys.pop_back();
        twice.pop_back();
        break;
      default:
        break;
    }
    return true;
  };
  try {
    return Json::parse(text.begin(), text.end(), note);
  } catch (const Json::exception& e) {
    // "[json.exception.parse_error.101] parse error at line 3, column 5: ...",
    // or a number too large for a double: "[json.exception.out_of_range.406]
    // number overflow parsing '1E400'".
    std::string reason = e.what();
    const auto bracket = reason.find("] ");
    if (bracket != std::string::npos)
      reason.erase(0, bracket + 2);
    place.Fail("not valid JSON: " + reason + "; correct the file");
  }
}

// The value as the message shows it, cut short when long.
std::string Shown(const Json& value) {
  std::string text = value.dump();
  if (text.size() > 40)
    text = text.substr(0, 37) + "...";
  if (value.is_string())
    return "the string " + text;
  if (value.is_number())
    return "the number " + text;
  if (value.is_object())
    return "an object";
  if (value.is_array())
    return "an array";
  return text;  // true, false, null
}

// Raises when `object` had a key given twice or holds a key not in `allowed`.
void CheckKeys(const Json& object, const std::vector<std::string>& allowed,
               const DuplicateKeys& duplicates, const FormPlace& place, const std::string& what) {
  const auto twice = duplicates.find(&object.get_ref<const Json::object_t&>());
  if (twice != duplicates.end()) {
    place.Fail("the key \"" + twice->second + "\" is given twice in " + what +
               "; keep one of them");
  }
  for (const auto& item : object.items()) {
    bool known = false;
    for (const std::string& key : allowed)
      known = known || item.key() == key;
    if (!known) {
      place.Fail("unknown key \"" + item.key() + "\" in " + what + "; the keys are " +
                 form::JoinNames(allowed, "") + "");
    }
  }
}

// The string under `key`, or `fallback` when absent (nullptr: it is required).
std::string StringKey(const Json& object, const std::string& key, const char* fallback,
                      const FormPlace& place, const std::string& what) {
  const auto it = object.find(key);
  if (it == object.end()) {
    if (fallback)
      return fallback;
    place.Fail(what + " has no \"" + key + "\"; give it as a string");
  }
  if (!it->is_string())
    place.Fail("\"" + key + "\" of " + what + " must be a string, not " + Shown(*it));
  return it->get<std::string>();
}

// One component as the file gives it, and once created, the component itself.
struct Entry {
  FormPlace place;
  const TClassInfo* info = nullptr;
  std::string name;
  const Json* properties = nullptr;  // nullptr when the file gives none
  TComponent* component = nullptr;   // owned by the root (or the root itself)
};

Entry ReadEntry(const Json& object, const TClassRegistry& classes, const DuplicateKeys& duplicates,
                const FormPlace& place, bool root) {
  const std::string what = root ? "the form's root" : "this component";
  if (!object.is_object())
    place.Fail(what + " must be a JSON object, not " + Shown(object));
  const std::vector<std::string> keys =
      root ? std::vector<std::string>{"class", "name", "properties", "components"}
           : std::vector<std::string>{"class", "name", "properties"};
  Entry entry;
  entry.name = StringKey(object, "name", root ? "" : nullptr, place, what);
  if (!root && entry.name.empty())
    place.Fail("the component's name is empty; give it a name");
  entry.place = place.Component(entry.name.empty() ? "(root)" : entry.name);
  CheckKeys(object, keys, duplicates, entry.place, what);
  const std::string class_name = StringKey(object, "class", nullptr, entry.place, what);
  entry.info = classes.Find(class_name);
  if (!entry.info) {
    entry.place.Fail("unknown class \"" + class_name + "\"; the registered classes are " +
                     form::JoinNames(classes.Names(), "(none)"));
  }
  entry.place.class_name = entry.info->Name();

  const auto properties = object.find("properties");
  if (properties != object.end()) {
    if (!properties->is_object()) {
      entry.place.Fail("\"properties\" must be a JSON object, not " + Shown(*properties));
    }
    const auto twice = duplicates.find(&properties->get_ref<const Json::object_t&>());
    if (twice != duplicates.end()) {
      entry.place.Property(twice->second).Fail("given twice; keep one of them");
    }
    // Every key names one published property, and no property is named twice
    // (property names match ASCII-case-insensitively).
    std::vector<std::string> property_names;
    for (const TPropertyInfo& p : entry.info->Properties())
      property_names.push_back(p.name);
    std::set<const TPropertyInfo*> named;
    for (const auto& item : properties->items()) {
      const TPropertyInfo* property = entry.info->FindProperty(item.key());
      if (!property) {
        entry.place.Property(item.key())
            .Fail(entry.info->Name() +
                  " has no published property of that name; its properties are " +
                  form::JoinNames(property_names, "(none)"));
      }
      if (!named.insert(property).second) {
        entry.place.Property(item.key())
            .Fail("given twice (as " + property->name + "); keep one of them");
      }
    }
    entry.properties = &*properties;
  }
  return entry;
}

// The file's value under the property's name (ASCII case-insensitive), or nullptr.
const Json* ValueOf(const Entry& entry, const TPropertyInfo& property) {
  if (!entry.properties)
    return nullptr;
  for (const auto& item : entry.properties->items()) {
    if (CompareText(item.key(), property.name) == 0)
      return &item.value();
  }
  return nullptr;
}

class Reader {
 public:
  Reader(const THandlerRegistry& handlers, const TFormOptions& options, const std::string& codepage)
      : handlers_(handlers), options_(options), codepage_(codepage) {}

  std::unique_ptr<TComponent> Read(std::string_view text, const std::string& file) {
    const TClassRegistry& classes = options_.classes ? *options_.classes : Classes();
    const FormPlace place{file, "", "", ""};
    DuplicateKeys duplicates;
    const Json form = Parse(text, place, duplicates);

    // Every entry is checked before any component exists.
    entries_.push_back(ReadEntry(form, classes, duplicates, place, true));
    const auto components = form.find("components");
    if (components != form.end()) {
      if (!components->is_array()) {
        place.Fail("\"components\" must be a JSON array, not " + Shown(*components));
      }
      int index = 0;
      for (const Json& object : *components) {
        ++index;
        const FormPlace at =
            place.Component(std::string("#") + std::to_string(index) + " of \"components\"");
        Entry entry = ReadEntry(object, classes, duplicates, at, false);
        for (std::size_t i = 1; i < entries_.size(); ++i) {
          if (CompareText(entries_[i].name, entry.name) == 0) {
            entry.place.Fail("a second component of this name (components " + std::to_string(i) +
                             " and " + std::to_string(index) + "); give each a name of its own");
          }
        }
        entries_.push_back(std::move(entry));
      }
    }

    // Create: the root, then its components, each marked as being loaded.
    std::unique_ptr<TComponent> root(Create(entries_[0], nullptr));
    for (std::size_t i = 1; i < entries_.size(); ++i)
      Create(entries_[i], root.get());

    // Configure: every component exists, so references resolve whatever the
    // order of the components in the file; a component is configured after
    // those it refers to, so that a setter that looks through a reference
    // (the generator takes its table from its data source) finds the
    // referenced component configured.
    for (const std::size_t index : ConfigurationOrder()) {
      const Entry& entry = entries_[index];
      for (const TPropertyInfo& property : entry.info->Properties()) {
        if (const Json* value = ValueOf(entry, property)) {
          Apply(entry, property, *value, *root);
        }
      }
    }

    // Loaded, in creation order; Loaded clears csLoading (cleared here as
    // well, for a descendant that does not call the inherited Loaded).
    for (const Entry& entry : entries_) {
      Guarded(entry.place, [&] { entry.component->Loaded(); });
      entry.component->SetLoading(false);
    }
    return root;
  }

 private:
  // Runs `step`; a failure of the library becomes an EFormError at `place`.
  template <class Step>
  void Guarded(const FormPlace& place, Step step) const {
    try {
      step();
    } catch (const EFormError&) {
      throw;
    } catch (const Exception& e) {
      place.Fail(form::MessageAsUtf8(e.what(), codepage_));
    }
  }

  // The entries, each after the entries its references name (depth first,
  // in file order; a cycle of references is broken where it closes).
  std::vector<std::size_t> ConfigurationOrder() const {
    std::map<std::string, std::size_t> by_name;  // upper-case name -> entry
    for (std::size_t i = 1; i < entries_.size(); ++i)
      by_name[UpperCaseAscii(entries_[i].name)] = i;
    std::vector<std::vector<std::size_t>> refers_to(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      for (const TPropertyInfo& property : entries_[i].info->Properties()) {
        const Json* value = ValueOf(entries_[i], property);
        if (property.kind != PropertyKind::Component || !value || !value->is_string())
          continue;
        const auto target = by_name.find(UpperCaseAscii(value->get<std::string>()));
        if (target != by_name.end())
          refers_to[i].push_back(target->second);
      }
    }
    // Without recursion: a long chain of references must not exhaust the stack.
    enum Mark { kNew, kOpen, kDone };
    std::vector<Mark> marks(entries_.size(), kNew);
    std::vector<std::size_t> order;
    for (std::size_t start = 0; start < entries_.size(); ++start) {
      if (marks[start] != kNew)
        continue;
      std::vector<std::pair<std::size_t, std::size_t>> stack{{start, 0}};  // entry, next reference
      marks[start] = kOpen;
      while (!stack.empty()) {
        auto& [entry, next] = stack.back();
        if (next < refers_to[entry].size()) {
          const std::size_t target = refers_to[entry][next++];
          if (marks[target] == kNew) {
            marks[target] = kOpen;
            stack.emplace_back(target, 0);
          }
          continue;
        }
        marks[entry] = kDone;
        order.push_back(entry);
        stack.pop_back();
      }
    }
    return order;
  }

  TComponent* Create(Entry& entry, TComponent* owner) {
    Guarded(entry.place, [&] { entry.component = entry.info->Create(owner); });
    if (!owner && options_.designing)
      entry.component->SetDesigning(true);
    entry.component->SetLoading(true);
    entry.component->SetName(entry.name);
    return entry.component;
  }

  // Sets one property of `entry`'s component from its JSON value, or fails
  // naming the place and what the value should have been.
  void Apply(const Entry& entry, const TPropertyInfo& property, const Json& value,
             const TComponent& root) {
    const FormPlace place = entry.place.Property(property.name);
    TComponent& component = *entry.component;
    switch (property.kind) {
      case PropertyKind::Text:
        return ApplyText(place, component, property, value);
      case PropertyKind::Integer:
        return ApplyInteger(place, component, property, value);
      case PropertyKind::Boolean:
        if (!value.is_boolean())
          place.Fail("expected true or false, found " + Shown(value));
        return Guarded(place, [&] { property.set_boolean(component, value.get<bool>()); });
      case PropertyKind::Component:
        return ApplyComponent(place, component, property, value, root);
      case PropertyKind::Event:
        return ApplyEvent(place, component, property, value);
    }
  }

  void ApplyText(const FormPlace& place, TComponent& component, const TPropertyInfo& property,
                 const Json& value) const {
    if (!value.is_string())
      place.Fail("expected text (a string), found " + Shown(value));
    std::string text = value.get<std::string>();
    if (property.encoding == TextEncoding::CodePage) {
      try {
        text = FromUtf8(text, codepage_);
      } catch (const EConvertError& e) {
        place.Fail(std::string(e.what()) + "; use characters of code page " + codepage_);
      }
    }
    Guarded(place, [&] { property.set_text(component, text); });
  }

  void ApplyInteger(const FormPlace& place, TComponent& component, const TPropertyInfo& property,
                    const Json& value) const {
    if (!value.is_number_integer())
      place.Fail("expected a whole number, found " + Shown(value));
    const bool fits = value.is_number_unsigned() ? value.get<std::uint64_t>() <= INT32_MAX
                                                 : value.get<std::int64_t>() >= INT32_MIN &&
                                                       value.get<std::int64_t>() <= INT32_MAX;
    if (!fits) {
      place.Fail(value.dump() + " is out of range; give a whole number from " +
                 std::to_string(INT32_MIN) + " to " + std::to_string(INT32_MAX));
    }
    const auto number = static_cast<std::int32_t>(value.get<std::int64_t>());
    Guarded(place, [&] { property.set_integer(component, number); });
  }

  void ApplyComponent(const FormPlace& place, TComponent& component, const TPropertyInfo& property,
                      const Json& value, const TComponent& root) const {
    if (!value.is_string()) {
      place.Fail("expected the name of a " + property.type_name +
                 " of this form (a string), found " + Shown(value));
    }
    const std::string name = value.get<std::string>();
    TComponent* target = root.FindComponent(name);
    if (!target) {
      std::vector<std::string> names;
      for (std::size_t i = 1; i < entries_.size(); ++i)
        names.push_back(entries_[i].name);
      place.Fail("no component named \"" + name + "\" in this form; its components are " +
                 form::JoinNames(names, "(none)"));
    }
    bool accepted = false;
    Guarded(place, [&] { accepted = property.set_component(component, target); });
    if (!accepted) {
      place.Fail("\"" + name + "\" is a " + ClassNameOf(*target) + "; this property needs a " +
                 property.type_name);
    }
  }

  void ApplyEvent(const FormPlace& place, TComponent& component, const TPropertyInfo& property,
                  const Json& value) const {
    if (!value.is_string())
      place.Fail("expected the name of a handler (a string), found " + Shown(value));
    const std::string name = value.get<std::string>();
    HandlerLookup result = HandlerLookup::Missing;
    Guarded(place, [&] { result = property.bind_handler(component, handlers_, name); });
    if (result == HandlerLookup::Missing) {
      place.Fail("no handler named \"" + name + "\"; the application offers " +
                 form::JoinNames(handlers_.Names(), "no handlers") +
                 ". Name one of those, or leave the event out");
    }
    if (result == HandlerLookup::OtherType) {
      place.Fail("the handler \"" + name + "\" is for another kind of event; this event needs a " +
                 property.type_name);
    }
  }

  std::string ClassNameOf(const TComponent& component) const {
    for (const Entry& entry : entries_) {
      if (entry.component == &component)
        return entry.info->Name();
    }
    return "component of another class";
  }

  const THandlerRegistry& handlers_;
  const TFormOptions& options_;
  const std::string codepage_;
  std::vector<Entry> entries_;
};

}  // namespace

std::unique_ptr<TComponent> ReadForm(std::string_view json, const std::string& file,
                                     const THandlerRegistry& handlers,
                                     const TFormOptions& options) {
  const std::string codepage = options.codepage.empty() ? DefaultCodePage() : options.codepage;
  return Reader(handlers, options, codepage).Read(json, file);
}

std::unique_ptr<TComponent> LoadForm(const std::string& path, const THandlerRegistry& handlers,
                                     const TFormOptions& options) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    const int error = errno;
    FormPlace{path, "", "", ""}.Fail(std::string("cannot be read: ") + std::strerror(error));
  }
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad())
    FormPlace{path, "", "", ""}.Fail("cannot be read to its end");
  return ReadForm(text.str(), path, handlers, options);
}

}  // namespace qgen
