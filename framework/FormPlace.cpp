#include "framework/FormPlace.h"

#include "framework/CodePage.h"

namespace qgen::form {

void FormPlace::Fail(const std::string& what) const {
  std::string text = file.empty() ? "Form" : "Form file \"" + file + "\"";
  if (!component.empty()) {
    text += ", component \"" + component + "\"";
    if (!class_name.empty())
      text += " (" + class_name + ")";
  }
  if (!property.empty())
    text += ", property \"" + property + "\"";
  throw EFormError(text + ": " + what, file, component, property);
}

std::string JoinNames(const std::vector<std::string>& names, const std::string& none) {
  if (names.empty())
    return none;
  std::string text;
  for (const std::string& name : names)
    text += (text.empty() ? "" : ", ") + name;
  return text;
}

std::string MessageAsUtf8(const std::string& message, const std::string& codepage) {
  try {
    return ToUtf8(message, codepage);
  } catch (const EConvertError&) {
    return message;
  }
}

}  // namespace qgen::form
