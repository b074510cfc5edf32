// Text routines of the framework stand-in: the comparisons, conversions and
// formatting that the components use on single-byte text. ASCII upper-casing
// and trimming live here and nowhere else. Any thread may call them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qgen {

// Compares two texts byte by byte, treating the ASCII letters a..z as A..Z and
// every other byte by its code; a text that is the beginning of a longer one
// sorts first. Returns <0, 0 or >0. Ignores the locale.
int CompareText(std::string_view a, std::string_view b);

// `text` with the ASCII letters a..z made A..Z; every other byte (upper-half
// letters of the code page included) as it is. Ignores the locale.
std::string UpperCaseAscii(std::string_view text);

// The ASCII white space that Trim and TrimRight remove unless told otherwise.
inline constexpr std::string_view kAsciiBlanks = " \t\n\v\f\r";
// `text` without the bytes of `blanks` at both ends (Trim) or at its end
// (TrimRight); a view into `text`.
std::string_view Trim(std::string_view text, std::string_view blanks = kAsciiBlanks);
std::string_view TrimRight(std::string_view text, std::string_view blanks = kAsciiBlanks);

// The decimal text of a whole number (optional sign, optional blanks around).
// Raises EConvertError naming the text when it is not a 32-bit whole number.
std::int32_t StrToInt(std::string_view text);

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qgen
