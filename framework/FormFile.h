// Form files: a root component (usually a TDataModule) and the named
// components it owns, with their published properties, kept as JSON (UTF-8).
// The reader creates and configures the components through the class registry
// and binds event properties to the application's handlers by name; the writer
// writes them back in the same, canonical form, so a file that was written by
// the writer reads and writes back byte for byte.
//
//   {
//     "class": "TDataModule",
//     "name": "Invoices",
//     "components": [
//       { "class": "TDatabase", "name": "Db", "properties": { "URI": "qgen.db" } },
//       ...
//     ]
//   }
//
// Text properties are engine text: converted from UTF-8 to the code page when
// read and back when written (except those marked TextEncoding::Utf8).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "framework/ClassRegistry.h"
#include "framework/Component.h"
#include "framework/Exception.h"
#include "framework/HandlerRegistry.h"

namespace qgen {

// A form that cannot be read or written. The message names the file, the
// component and the property concerned and says what was wrong; unlike most
// messages of the library it is UTF-8 text, as the file is.
class EFormError : public Exception {
 public:
  EFormError(const std::string& message, std::string file, std::string component,
             std::string property)
      : Exception(message),
        file_(std::move(file)),
        component_(std::move(component)),
        property_(std::move(property)) {}

  const std::string& File() const { return file_; }
  const std::string& ComponentName() const { return component_; }  // "" for the whole file
  const std::string& PropertyName() const { return property_; }    // "" for the whole component

 private:
  std::string file_;
  std::string component_;
  std::string property_;
};

struct TFormOptions {
  // The classes the form may name; nullptr means Classes().
  const TClassRegistry* classes = nullptr;
  // The code page of engine text; "" means DefaultCodePage().
  std::string codepage;
  // Reading only: create the components in design mode (csDesigning), as a
  // form designer does; their Loaded then opens nothing.
  bool designing = false;
};

// Reads a form from `json`; `file` names it in messages. Creates the root and
// each component (owned by the root) with csLoading set, applies each
// component's properties in declaration order whatever their order in the
// file, with component references resolved by name among the form's components
// and event properties bound to `handlers` by name; then clears csLoading and
// calls Loaded on every component, the root first, in creation order.
// Raises EFormError for malformed JSON (with line and column), an unknown
// class, key or property, a value of the wrong type, a reference or handler
// name that resolves to nothing, two components of one name, and for what a
// setter or Loaded raises. Nothing is left half-loaded: on error, every
// component created so far is freed.
std::unique_ptr<TComponent> ReadForm(std::string_view json, const std::string& file,
                                     const THandlerRegistry& handlers,
                                     const TFormOptions& options = {});

// ReadForm on the contents of the file at `path`; a file that cannot be read
// raises EFormError.
std::unique_ptr<TComponent> LoadForm(const std::string& path, const THandlerRegistry& handlers,
                                     const TFormOptions& options = {});

// The form of `root` and the components it owns, as JSON ending in a newline:
// the stored published properties in declaration order, references by the
// referenced component's name and handlers by the name they were bound by.
// Raises EFormError for a class that is not registered, a component without a
// name, a reference to a component outside the form, a handler assigned in code
// (it has no name to write), or text the code page cannot convert.
std::string WriteForm(const TComponent& root, const TFormOptions& options = {});

// WriteForm into the file at `path`, replacing it only once the whole form is
// written. Raises EFormError when the file cannot be written.
void SaveForm(const std::string& path, const TComponent& root, const TFormOptions& options = {});

}  // namespace qgen
