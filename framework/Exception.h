// The exceptions of the framework stand-in. Exception is the general class that
// components raise and callers catch; the others say which layer failed.
#pragma once

#include <stdexcept>
#include <string>

namespace qgen {

// General exception: a message text, shown to the user as it stands.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// Raised by the data-access layer: a database, table, field or record failure.
class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
};

// Raised by text and variant conversions (StrToInt, code pages, Variant).
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace qgen
