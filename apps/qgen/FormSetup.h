// Form files in the qgen tool: the --form and --component options that stand
// in for the options a form sets, the handlers the tool offers to forms, and
// loading a form and picking the component a subcommand works with.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

#include "framework/ClassRegistry.h"
#include "framework/Component.h"
#include "framework/HandlerRegistry.h"

namespace qgen {
class TGenerator;
class TTable;
class TUniKEY;
}  // namespace qgen

namespace qgen::tool {

struct FormOptions {
  std::string file;       // "" when no --form is given
  std::string component;  // "" for the only component of the class wanted
};

// Adds --form FILE and --component NAME to `command`. --form excludes each of
// `replaced` (the options that the form sets instead); --component needs --form.
void AddFormOptions(CLI::App& command, FormOptions& options,
                    const std::vector<CLI::Option*>& replaced);

// The tool's handlers (unikey/StandardHandlers.h): UserOption puts `user`
// (engine text) in place of the characters of the mask's @ symbols;
// SuffixOption sets the key's suffix to `suffix` (engine text).
THandlerRegistry ToolHandlers(const std::string& user, const std::string& suffix);

// Loads the form file `file` with the standard classes and `handlers`, at run
// time or, with `designing`, as a form designer does (nothing is opened).
// Raises TerminalError with the reader's message.
std::unique_ptr<TComponent> LoadToolForm(const std::string& file, const THandlerRegistry& handlers,
                                         bool designing = false);

// The component of `root` named `name` (or, when `name` is empty, the only
// component of class T); `class_name` names T in messages. Raises
// TerminalError when there is no such component, when it is of another class,
// or when `name` is empty and the form has none or several of class T.
TComponent& PickComponent(const TComponent& root, const std::string& file, const std::string& name,
                          const std::string& class_name, bool (*is_wanted)(const TComponent&));

template <class T>
T& PickComponent(const TComponent& root, const FormOptions& options,
                 const std::string& class_name) {
  return static_cast<T&>(
      PickComponent(root, options.file, options.component, class_name,
                    [](const TComponent& c) { return dynamic_cast<const T*>(&c) != nullptr; }));
}

// The generator that `options` names in its form, loaded at run time with its
// generator table created first when it is missing, and checked as the
// command-line set-up checks its options: GetUserPrefixes gets the --user
// characters (`user_given`: --user was given; `user` is engine text), and a
// generator that cannot work (no table, limits that do not fit or conflict)
// raises an Exception saying why. `root` receives the form, which owns the
// generator.
TGenerator& LoadFormGenerator(const FormOptions& options, const std::string& user, bool user_given,
                              std::unique_ptr<TComponent>& root);

// The table that `stamper` (of the form file `file`) stamps keys into: its
// DataSource's DataSet, a TTable with a Database and a TableName, and the
// stamper names its DataField. Raises TerminalError saying what the form lacks.
TTable& StampTableOf(const TUniKEY& stamper, const std::string& file);

}  // namespace qgen::tool
