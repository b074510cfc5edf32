// Helpers for the data-access layer's error messages. Exception texts are
// engine text (the process code page), like every other message; database
// libraries report in UTF-8, so their reasons are converted on the way in.
#pragma once

#include <string>
#include <string_view>

namespace qgen {

// UTF-8 text from a database library as engine text. A character the code page
// cannot hold is shown as '?': this is a message, not data.
std::string ReasonText(std::string_view utf8);

// `uri` with any password replaced by "***", fit to appear in a message.
std::string DisplayUri(const std::string& uri);

}  // namespace qgen
