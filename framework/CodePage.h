// Conversion between the single-byte code page that the engines work in
// (Windows-1251 by default) and the UTF-8 that everything outside the process
// uses: the terminal, database text and form files. Backed by iconv.
#pragma once

#include <string>
#include <string_view>

namespace qgen {

// The process-wide code page of engine text; "WINDOWS-1251" unless changed.
const std::string& DefaultCodePage();

// Chooses the process-wide code page. Raises EConvertError when iconv does not
// know the name, or when it is not a single-byte code page.
void SetDefaultCodePage(const std::string& name);

// Code-page bytes to UTF-8. Every byte of a single-byte code page has a meaning
// except a few unassigned ones, which raise EConvertError naming the byte.
std::string ToUtf8(std::string_view bytes, const std::string& codepage = DefaultCodePage());

// UTF-8 to code-page bytes. A character the code page cannot hold, or text that
// is not valid UTF-8, raises EConvertError that names the character and the
// code page: never a silent '?'.
std::string FromUtf8(std::string_view utf8, const std::string& codepage = DefaultCodePage());

}  // namespace qgen
