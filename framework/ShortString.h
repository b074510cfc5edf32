// ShortString<N>: a string of at most N single-byte characters, the bounded
// strings of the engine's units (a mask value is a ShortString<100>, the last
// key a unique-key component remembers a ShortString<20>). A longer input is
// cut to its first N characters; characters appended beyond N are dropped. It
// may hold any byte, NUL included, except when built from a const char*, which
// ends at its NUL.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

namespace qgen {

template <std::size_t N>
class ShortString {
 public:
  static constexpr std::size_t kMaxLength = N;

  ShortString() = default;
  ShortString(std::string_view text)  // NOLINT: implicit, a value given as text
      : text_(text.substr(0, kMaxLength)) {}
  ShortString(const std::string& text)  // NOLINT: implicit
      : ShortString(std::string_view(text)) {}
  ShortString(const char* text)  // NOLINT: implicit; nullptr gives the empty string
      : ShortString(text ? std::string_view(text) : std::string_view()) {}

  const std::string& str() const { return text_; }
  std::size_t size() const { return text_.size(); }
  bool empty() const { return text_.empty(); }

  // The character at 0-based index i; '\0' at or beyond size(). Read-only: a
  // value is changed by assigning, appending or clear().
  char operator[](std::size_t i) const { return i < text_.size() ? text_[i] : '\0'; }

  // Appends c, or drops it when the string already holds N characters.
  void push_back(char c) {
    if (text_.size() < kMaxLength)
      text_.push_back(c);
  }
  // Appends as many characters of text as fit.
  void append(std::string_view text) { text_.append(text.substr(0, kMaxLength - text_.size())); }
  void clear() { text_.clear(); }

  operator std::string_view() const { return text_; }  // NOLINT: implicit view

  friend bool operator==(const ShortString& a, const ShortString& b) = default;

  // Writes the bytes as they stand (tests print values this way).
  friend std::ostream& operator<<(std::ostream& out, const ShortString& value) {
    return out << value.text_;
  }

 private:
  std::string text_;
};

}  // namespace qgen
