// qcommon: what the maker's packages share at design time. ShowAboutBoxQ shows
// the about box that a component editor's "About" verb opens.
#pragma once

#include <string>

namespace qgen {

// Shows a modal about box (title "About <class_name>", object name "AboutBox")
// that names the class and shows `version_text`, both UTF-8, and returns when
// the user closes it. Needs a QApplication; call it on the GUI thread.
void ShowAboutBoxQ(const std::string& class_name, const std::string& version_text);

}  // namespace qgen
