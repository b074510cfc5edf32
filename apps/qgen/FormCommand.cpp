// qgen form check FILE: loads a form file as a form designer does (no
// database is opened) and lists its components with every published
// property, so that a form can be checked before a program relies on it.
#include <cstdio>
#include <memory>
#include <string>

#include "apps/qgen/Commands.h"
#include "apps/qgen/FormSetup.h"
#include "framework/ClassRegistry.h"
#include "framework/Messages.h"
#include "unikey/StandardHandlers.h"

namespace qgen::tool {

namespace {

// Engine text in double quotes, as terminal text.
std::string Quoted(const std::string& engine_text) {
  return "\"" + ToTerminal(engine_text) + "\"";
}

std::string ValueOf(const TPropertyInfo& property, const TComponent& component) {
  switch (property.kind) {
    case PropertyKind::Text: {
      const std::string text = property.get_text(component);
      return property.encoding == TextEncoding::Utf8 ? "\"" + text + "\"" : Quoted(text);
    }
    case PropertyKind::Integer:
      return std::to_string(property.get_integer(component));
    case PropertyKind::Boolean:
      return property.get_boolean(component) ? "true" : "false";
    case PropertyKind::Component: {
      const TComponent* target = property.get_component(component);
      return target ? target->Name() : "(none)";
    }
    case PropertyKind::Event: {
      if (!property.event_assigned(component))
        return "(none)";
      return property.get_handler_name(component);
    }
  }
  return "";
}

void ListComponent(const TComponent& component, const std::string& indent) {
  const TClassInfo* info = Classes().ClassOf(component);
  WriteUtf8Line(indent + (component.Name().empty() ? "(root)" : component.Name()) + ": " +
                (info ? info->Name() : "?"));
  if (!info)
    return;
  for (const TPropertyInfo& property : info->Properties()) {
    WriteUtf8Line(indent + "  " + property.name + " = " + ValueOf(property, component) +
                  (property.stored(component) ? "" : "  (default)"));
  }
}

// Collects the messages that loading shows, to print them with the listing.
class Collected : public MessageSink {
 public:
  Collected() : previous_(SetMessageSink(this)) {}
  Collected(const Collected&) = delete;
  Collected& operator=(const Collected&) = delete;
  ~Collected() override { SetMessageSink(previous_); }
  void Show(const ShownMessage& message) override { shown.push_back(message); }
  std::vector<ShownMessage> shown;

 private:
  MessageSink* previous_;
};

void Check(const std::string& file) {
  Collected messages;
  const std::unique_ptr<TComponent> root =
      LoadToolForm(file, ToolHandlers("", ""), /*designing=*/true);
  WriteUtf8Line("Form file " + file + ": " + std::to_string(root->ComponentCount()) +
                " component(s)");
  ListComponent(*root, "");
  for (int i = 0; i < root->ComponentCount(); ++i)
    ListComponent(*root->Components(i), "  ");
  if (!messages.shown.empty()) {
    for (const ShownMessage& message : messages.shown) {
      std::string text = message.caption + ": " + message.text;
      try {
        text = ToTerminal(text);
      } catch (const EConvertError&) {
      }
      std::fprintf(stderr, "qgen: %s\n", text.c_str());
    }
    throw TerminalError("the form loads, but its components reported " +
                        std::to_string(messages.shown.size()) +
                        " problem(s) while loading (above): correct the form");
  }
}

}  // namespace

void AddFormCommand(CLI::App& app) {
  CLI::App* form = app.add_subcommand("form", "Work with form files (JSON component set-ups)");
  form->require_subcommand(1);
  auto file = std::make_shared<std::string>();
  CLI::App* check = form->add_subcommand(
      "check",
      "Load a form file as a form designer does (no database is opened) and list its\n"
      "components with every published property; \"(default)\" marks a value that is not\n"
      "stored. Handlers the tool offers: " +
          std::string(kUserOptionHandler) + " (GetUserPrefixes: the --user characters) and " +
          kSuffixOptionHandler + " (BeforeUniKeyMADE: the --suffix text).");
  check->add_option("FILE", *file, "The form file")->required();
  check->callback([file] { Check(*file); });
}

}  // namespace qgen::tool
