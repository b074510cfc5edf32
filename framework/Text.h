// Text routines of the framework stand-in: the comparisons, conversions and
// formatting that the components use on single-byte text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qgen {

// Compares two texts byte by byte, treating the ASCII letters a..z as A..Z and
// every other byte by its code; a text that is the beginning of a longer one
// sorts first. Returns <0, 0 or >0. Ignores the locale.
int CompareText(std::string_view a, std::string_view b);

// The decimal text of a whole number (optional sign, optional blanks around).
// Raises EConvertError naming the text when it is not a 32-bit whole number.
std::int32_t StrToInt(std::string_view text);

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qgen
