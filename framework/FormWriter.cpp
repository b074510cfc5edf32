// The form writer: a root component and its components out as canonical JSON.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

#include "framework/CodePage.h"
#include "framework/FormFile.h"
#include "framework/FormPlace.h"
#include "framework/Text.h"

namespace qgen {

namespace {

using Json = nlohmann::ordered_json;
using form::FormPlace;

class Writer {
 public:
  Writer(const TComponent& root, const TClassRegistry& classes, std::string codepage,
         std::string file)
      : root_(root), classes_(classes), codepage_(std::move(codepage)), file_(std::move(file)) {}

  std::string Write() {
    const FormPlace place{file_, "", "", ""};
    Json form = Json::object();
    const FormPlace root_place = place.Component(root_.Name().empty() ? "(root)" : root_.Name());
    Header(form, root_, root_place);

    Json components = Json::array();
    for (int i = 0; i < root_.ComponentCount(); ++i) {
      const TComponent& component = *root_.Components(i);
      const FormPlace at = place.Component(component.Name());
      if (component.Name().empty()) {
        place.Component(std::string("#") + std::to_string(i + 1) + " of the form's components")
            .Fail("the component has no name; a form file names every component");
      }
      for (int j = 0; j < i; ++j) {
        if (CompareText(root_.Components(j)->Name(), component.Name()) == 0) {
          at.Fail("two components of this name; give each a name of its own");
        }
      }
      if (component.ComponentCount() > 0) {
        at.Fail("owns components of its own, which a form file does not hold");
      }
      Json object = Json::object();
      Header(object, component, at);
      components.push_back(std::move(object));
    }
    if (!components.empty())
      form["components"] = std::move(components);
    return form.dump(2) + "\n";
  }

 private:
  // "class", "name" and the stored properties of `component`.
  void Header(Json& object, const TComponent& component, FormPlace place) {
    const TClassInfo* info = classes_.ClassOf(component);
    if (!info)
      place.Fail("its class is not registered, so it cannot be written to a form file");
    place.class_name = info->Name();
    object["class"] = info->Name();
    object["name"] = AsUtf8Name(component.Name(), place);
    Json properties = Json::object();
    for (const TPropertyInfo& property : info->Properties()) {
      if (!property.stored(component))
        continue;
      properties[property.name] = Value(component, property, place.Property(property.name));
    }
    if (!properties.empty())
      object["properties"] = std::move(properties);
  }

  Json Value(const TComponent& component, const TPropertyInfo& property, const FormPlace& place) {
    switch (property.kind) {
      case PropertyKind::Text: {
        const std::string text = property.get_text(component);
        if (property.encoding == TextEncoding::Utf8)
          return Checked(text, place);
        std::string utf8;
        try {
          utf8 = ToUtf8(text, codepage_);
        } catch (const EConvertError& e) {
          place.Fail(std::string(e.what()) + "; it cannot be written to a form file");
        }
        return utf8;
      }
      case PropertyKind::Integer:
        return property.get_integer(component);
      case PropertyKind::Boolean:
        return property.get_boolean(component);
      case PropertyKind::Component: {
        const TComponent* target = property.get_component(component);
        if (target->Owner() != &root_) {
          place.Fail("refers to \"" + target->Name() +
                     "\", which is not a component of this form; a form file refers to its own "
                     "components only");
        }
        return Checked(target->Name(), place);
      }
      case PropertyKind::Event: {
        const std::string name = property.get_handler_name(component);
        if (name.empty()) {
          place.Fail(
              "the handler was assigned in code and has no name to write; offer it in a "
              "THandlerRegistry and bind it by name");
        }
        return Checked(name, place);
      }
    }
    place.Fail("a property of an unknown kind");
  }

  // Names are written as the component holds them; they must be UTF-8 already.
  std::string AsUtf8Name(const std::string& name, const FormPlace& place) {
    return Checked(name, place).get<std::string>();
  }

  // `text` as a JSON string; raises when it is not valid UTF-8.
  static Json Checked(const std::string& text, const FormPlace& place) {
    Json value = text;
    try {
      (void)value.dump();
    } catch (const Json::type_error&) {
      place.Fail("\"" + text + "\" is not UTF-8 text, which a form file needs");
    }
    return value;
  }

  const TComponent& root_;
  const TClassRegistry& classes_;
  const std::string codepage_;
  const std::string file_;
};

std::string Write(const TComponent& root, const TFormOptions& options, const std::string& file) {
  const TClassRegistry& classes = options.classes ? *options.classes : Classes();
  const std::string codepage = options.codepage.empty() ? DefaultCodePage() : options.codepage;
  return Writer(root, classes, codepage, file).Write();
}

}  // namespace

std::string WriteForm(const TComponent& root, const TFormOptions& options) {
  return Write(root, options, "");
}

void SaveForm(const std::string& path, const TComponent& root, const TFormOptions& options) {
  const std::string text = Write(root, options, path);
  // Written beside the file and renamed over it, so that a failed write
  // leaves the old file as it was.
  const std::string temporary = path + ".tmp";
  const FormPlace place{path, "", "", ""};
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) {
      const int error = errno;
      place.Fail("cannot be written: " + std::string(std::strerror(error)));
    }
    out << text;
    out.flush();
    if (!out) {
      const int error = errno;
      std::remove(temporary.c_str());
      place.Fail("cannot be written: " + std::string(std::strerror(error)));
    }
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    std::remove(temporary.c_str());
    place.Fail("cannot be replaced: " + std::string(std::strerror(error)));
  }
}

}  // namespace qgen
