#include "framework/Text.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "framework/Exception.h"

namespace qgen {

namespace {
unsigned char UpperAscii(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? c - 32 : c;
}
}  // namespace

int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const int ca = UpperAscii(static_cast<unsigned char>(a[i]));
    const int cb = UpperAscii(static_cast<unsigned char>(b[i]));
    if (ca != cb)
      return ca - cb;
  }
  if (a.size() == b.size())
    return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string UpperCaseAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper)
    c = static_cast<char>(UpperAscii(static_cast<unsigned char>(c)));
  return upper;
}

std::string_view Trim(std::string_view text, std::string_view blanks) {
  const std::size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos)
    return text.substr(0, 0);
  return TrimRight(text.substr(first), blanks);
}

std::string_view TrimRight(std::string_view text, std::string_view blanks) {
  const std::size_t last = text.find_last_not_of(blanks);
  return text.substr(0, last == std::string_view::npos ? 0 : last + 1);
}

std::int32_t StrToInt(std::string_view text) {
  const std::string digits(Trim(text, " "));
  const auto bad = [&] {
    std::string message("'");
    message.append(text).append("' is not a valid integer value");
    return EConvertError(message);
  };
  if (digits.empty())
    throw bad();
  std::size_t i = (digits[0] == '-' || digits[0] == '+') ? 1 : 0;
  if (i == digits.size())
    throw bad();
  for (std::size_t k = i; k < digits.size(); ++k) {
    if (digits[k] < '0' || digits[k] > '9')
      throw bad();
  }
  errno = 0;
  const long long value = std::strtoll(digits.c_str(), nullptr, 10);
  if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
    throw bad();
  return static_cast<std::int32_t>(value);
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int size = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string out;
  if (size > 0) {
    out.resize(static_cast<std::size_t>(size) + 1);
    std::vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<std::size_t>(size));
  }
  va_end(args);
  return out;
}

}  // namespace qgen
