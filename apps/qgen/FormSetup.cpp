#include "apps/qgen/FormSetup.h"

#include "apps/qgen/Terminal.h"
#include "dataaccess/DataSource.h"
#include "dataaccess/Table.h"
#include "framework/FormFile.h"
#include "framework/Messages.h"
#include "gensrc/Generator.h"
#include "gensrc/GeneratorTable.h"
#include "unikey/StandardClasses.h"
#include "unikey/StandardHandlers.h"
#include "unikey/UniKEY.h"

namespace qgen::tool {

namespace {

std::string ClassNameOf(const TComponent& component) {
  const TClassInfo* info = Classes().ClassOf(component);
  return info ? info->Name() : "component of an unregistered class";
}

std::string NameList(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names)
    text += (text.empty() ? "" : ", ") + name;
  return text.empty() ? "(none)" : text;
}

// Creates the generator table of `generator` when it is missing; the form is
// loaded as at design time, so nothing has tried to open the table yet.
void PrepareTable(const TGenerator& generator, const std::string& what) {
  if (!generator.DataSource()) {
    throw TerminalError(what +
                        " has no DataSource: set it in the form to a TDataSource whose "
                        "DataSet is the generator table");
  }
  auto* table = dynamic_cast<TTable*>(generator.DataSource()->DataSet());
  if (!table) {
    throw TerminalError(what + ": its DataSource \"" + generator.DataSource()->Name() +
                        "\" has no TTable as its DataSet; point it at the generator table");
  }
  if (!table->Database()) {
    throw TerminalError(what + ": the table \"" + table->Name() +
                        "\" has no Database; set it in the form");
  }
  if (table->TableName().empty()) {
    throw TerminalError(what + ": the table \"" + table->Name() +
                        "\" has no TableName; set it in the form (the tool's default is " +
                        kDefaultGeneratorTable + ")");
  }
  EnsureGeneratorTable(*table->Database(), table->TableName());
}

}  // namespace

void AddFormOptions(CLI::App& command, FormOptions& options,
                    const std::vector<CLI::Option*>& replaced) {
  std::string names;
  for (const CLI::Option* option : replaced)
    names += (names.empty() ? "" : ", ") + option->get_name();
  CLI::Option* form = command.add_option(
      "--form", options.file, "Form file (JSON) that sets the component up, in place of " + names);
  for (CLI::Option* option : replaced)
    form->excludes(option);
  command
      .add_option("--component", options.component,
                  "The component of the form to use (needed when the form has several)")
      ->needs(form);
}

THandlerRegistry ToolHandlers(const std::string& user, const std::string& suffix) {
  return StandardHandlers([user](TObject*, TmString& characters) { characters = user; },
                          [suffix](TObject*, std::string& stamp) { stamp = suffix; });
}

std::unique_ptr<TComponent> LoadToolForm(const std::string& file, const THandlerRegistry& handlers,
                                         bool designing) {
  RegisterStandardClasses();
  TFormOptions options;
  options.designing = designing;
  try {
    return LoadForm(file, handlers, options);
  } catch (const EFormError& e) {
    throw TerminalError(e.what());  // UTF-8 already, as the file is
  }
}

TComponent& PickComponent(const TComponent& root, const std::string& file, const std::string& name,
                          const std::string& class_name, bool (*is_wanted)(const TComponent&)) {
  std::vector<std::string> all;
  std::vector<TComponent*> wanted;
  for (int i = 0; i < root.ComponentCount(); ++i) {
    all.push_back(root.Components(i)->Name());
    if (is_wanted(*root.Components(i)))
      wanted.push_back(root.Components(i));
  }
  if (!name.empty()) {
    TComponent* component = root.FindComponent(name);
    if (!component) {
      throw TerminalError("Form file \"" + file + "\" has no component named \"" + name +
                          "\"; its components are " + NameList(all));
    }
    if (!is_wanted(*component)) {
      throw TerminalError("Component \"" + name + "\" of form file \"" + file + "\" is a " +
                          ClassNameOf(*component) + ", not a " + class_name);
    }
    return *component;
  }
  if (wanted.size() == 1)
    return *wanted.front();
  std::vector<std::string> names;
  for (const TComponent* component : wanted)
    names.push_back(component->Name());
  if (wanted.empty())
    throw TerminalError("Form file \"" + file + "\" has no " + class_name);
  throw TerminalError("Form file \"" + file + "\" has " + std::to_string(wanted.size()) + " " +
                      class_name + " components (" + NameList(names) +
                      "): choose one with --component");
}

TGenerator& LoadFormGenerator(const FormOptions& options, const std::string& user, bool user_given,
                              std::unique_ptr<TComponent>& root) {
  const THandlerRegistry handlers = ToolHandlers(user, "");
  {
    // The run-time load below shows whatever the form's setters report; shown
    // here as well, every notice would appear twice.
    const MessageRecorder quiet;
    const auto draft = LoadToolForm(options.file, handlers, /*designing=*/true);
    const TGenerator& generator = PickComponent<TGenerator>(*draft, options, "TGenerator");
    PrepareTable(generator,
                 "Generator \"" + generator.Name() + "\" of form file \"" + options.file + "\"");
  }

  root = LoadToolForm(options.file, handlers);
  TGenerator& generator = PickComponent<TGenerator>(*root, options, "TGenerator");
  const std::string what =
      "Generator \"" + generator.Name() + "\" of form file \"" + options.file + "\"";
  if (generator.Mask().empty())
    throw TerminalError(what + " has no Mask: set one in the form, e.g. \"INV-####\"");

  const int user_symbols = generator.GenMask->CountSymbols(PROC);
  if (user_symbols > 0 && !user_given) {
    throw TerminalError(what + ": the mask has " + std::to_string(user_symbols) +
                        " @ symbol(s): give their characters with --user");
  }
  if (user_given && static_cast<int>(user.size()) != user_symbols) {
    throw TerminalError("--user has " + std::to_string(user.size()) +
                        " character(s) but the mask has " + std::to_string(user_symbols) +
                        " @ symbol(s): give one character per @");
  }
  // A form that leaves GetUserPrefixes out still gets the --user characters.
  if (user_symbols > 0 && !generator.GetUserPrefixes) {
    handlers.Lookup(kUserOptionHandler, generator.GetUserPrefixes);
  }

  if (generator.GenError) {
    if (!generator.GenTable || !generator.GenTable->Active()) {
      throw TerminalError(what +
                          " cannot open its generator table (see the message above): "
                          "check the form's database and table");
    }
    throw TerminalError(what +
                        ": its StartValue must sort before its EndValue (see the "
                        "message above): correct the limits in the form");
  }
  // The engine reported every character that does not fit, and kept no limit.
  if (!generator.StartValue().empty() && generator.GenMask->StartValue.empty()) {
    throw TerminalError(what + ": the start value \"" + ToTerminal(generator.StartValue().str()) +
                        "\" does not fit the counting part of \"" + ToTerminal(generator.Mask()) +
                        "\"");
  }
  if (!generator.EndValue().empty() && generator.GenMask->EndValue.empty()) {
    throw TerminalError(what + ": the end value \"" + ToTerminal(generator.EndValue().str()) +
                        "\" does not fit the counting part of \"" + ToTerminal(generator.Mask()) +
                        "\"");
  }
  return generator;
}

TTable& StampTableOf(const TUniKEY& stamper, const std::string& file) {
  const std::string what = "Key stamper \"" + stamper.Name() + "\" of form file \"" + file + "\"";
  if (!stamper.DataSource()) {
    throw TerminalError(what +
                        " has no DataSource: set it in the form to a TDataSource whose "
                        "DataSet is the table to stamp");
  }
  auto* table = dynamic_cast<TTable*>(stamper.DataSource()->DataSet());
  if (!table) {
    throw TerminalError(what + ": its DataSource \"" + stamper.DataSource()->Name() +
                        "\" has no TTable as its DataSet; point it at the table to stamp");
  }
  if (!table->Database())
    throw TerminalError(what + ": the table \"" + table->Name() + "\" has no Database");
  if (table->TableName().empty())
    throw TerminalError(what + ": the table \"" + table->Name() + "\" has no TableName");
  if (stamper.GetDataField().empty())
    throw TerminalError(what + " has no DataField: name the key field in the form");
  return *table;
}

}  // namespace qgen::tool
