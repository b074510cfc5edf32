// TrString: a string of at most 20 single-byte characters, the type of the
// last key that TUniKEY remembers. A longer input is cut to its first 20
// characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qgen {

class TrString {
 public:
  static constexpr std::size_t kMaxLength = 20;

  TrString() = default;
  TrString(std::string_view text)  // NOLINT: implicit, a value given as text
      : text_(text.substr(0, kMaxLength)) {}
  TrString(const std::string& text)  // NOLINT: implicit
      : TrString(std::string_view(text)) {}
  TrString(const char* text)  // NOLINT: implicit; nullptr gives the empty string
      : TrString(text ? std::string_view(text) : std::string_view()) {}

  const std::string& str() const { return text_; }
  std::size_t size() const { return text_.size(); }
  bool empty() const { return text_.empty(); }
  void clear() { text_.clear(); }

  operator std::string_view() const { return text_; }  // NOLINT: implicit view

  friend bool operator==(const TrString& a, const TrString& b) = default;

 private:
  std::string text_;
};

}  // namespace qgen
