// The exceptions of the framework stand-in. Exception is the general class that
// components raise and callers catch; the others say which layer failed.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace qgen {

// General exception: a message text, shown to the user as it stands.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};

// Raised by the data-access layer: a database, table, field or record failure.
// When the database itself refused, the error carries the database's code for
// the failure, so that callers tell failures apart without reading the text.
class EDatabaseError : public Exception {
 public:
  using Exception::Exception;
  // A failure PostgreSQL reported, with its SQLSTATE (e.g. "55P03").
  EDatabaseError(const std::string& message, std::string sql_state)
      : Exception(message), sql_state_(std::move(sql_state)) {}
  // A failure SQLite reported, with its extended result code (e.g. 517).
  EDatabaseError(const std::string& message, int result_code)
      : Exception(message), result_code_(result_code) {}
  // `cause` told with another message (more context), its codes kept.
  EDatabaseError(const std::string& message, const EDatabaseError& cause)
      : Exception(message), sql_state_(cause.sql_state_), result_code_(cause.result_code_) {}

  // PostgreSQL's SQLSTATE of the failure; "" when PostgreSQL did not report it.
  const std::string& SqlState() const { return sql_state_; }
  // SQLite's extended result code (SQLITE_BUSY is 5, SQLITE_IOERR_WRITE 778);
  // 0 when SQLite did not report the failure.
  int ResultCode() const { return result_code_; }

 private:
  std::string sql_state_;
  int result_code_ = 0;
};

// Raised by text and variant conversions (StrToInt, code pages, Variant).
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace qgen
