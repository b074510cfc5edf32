// Where in a form something went wrong: the file, the component and the
// property. The form reader and writer raise their EFormError through it, so
// every message names the place the same way.
#pragma once

#include <string>
#include <vector>

#include "framework/FormFile.h"

namespace qgen::form {

struct FormPlace {
  std::string file;        // "" when the form has no file (WriteForm)
  std::string component;   // "" for the file as a whole
  std::string class_name;  // shown beside the component when known
  std::string property;    // "" for the component as a whole

  FormPlace Component(const std::string& name, const std::string& cls = "") const {
    return {file, name, cls, ""};
  }
  FormPlace Property(const std::string& name) const { return {file, component, class_name, name}; }

  // Raises EFormError: `Form file "F", component "C" (Class), property "P": what`.
  [[noreturn]] void Fail(const std::string& what) const;
};

// "A, B, C", or `none` when the list is empty.
std::string JoinNames(const std::vector<std::string>& names, const std::string& none);

// An exception message of the library (engine text) as UTF-8, unchanged when
// it does not convert.
std::string MessageAsUtf8(const std::string& message, const std::string& codepage);

}  // namespace qgen::form
