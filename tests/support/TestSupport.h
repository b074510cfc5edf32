// Helpers shared by the tests: temporary directories, files, the database URI
// that the test command hands in, and the message of an expected exception.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <utility>

namespace qgen::test {

using ::testing::HasSubstr;

// A fresh directory under `base` (by default $TMPDIR, else /tmp), removed with
// its contents when destroyed.
class TempDir {
 public:
  explicit TempDir(const char* base = nullptr);
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The whole content of a file, byte for byte; raises std::runtime_error when it
// cannot be read.
std::string ReadFile(const std::string& path);
// Replaces the content of a file (creating it); raises std::runtime_error when
// it cannot be written.
void WriteFile(const std::string& path, const std::string& text);

// The message of the exception of type E that `call` raises. Records a test
// failure and returns "" when it raises nothing; an exception of another type
// passes through (and fails the test).
template <class E = std::exception, class Call>
std::string MessageOf(Call&& call) {
  try {
    std::forward<Call>(call)();
  } catch (const E& e) {
    return e.what();
  }
  ADD_FAILURE() << "expected an exception, none was raised";
  return "";
}

// The private PostgreSQL server's URI (QGEN_TEST_PG_URI), or "" when none runs.
std::string PostgresUri();

// True when the test command demands the PostgreSQL tests (QGEN_REQUIRE_PG=1):
// then a missing server fails the test instead of skipping it.
bool PostgresRequired();

}  // namespace qgen::test

// Skips the current test when no PostgreSQL server is given, or fails it when
// the test command requires one.
#define QGEN_REQUIRE_POSTGRES()                                      \
  do {                                                               \
    if (::qgen::test::PostgresUri().empty()) {                       \
      if (::qgen::test::PostgresRequired())                          \
        FAIL() << "QGEN_TEST_PG_URI is not set";                     \
      GTEST_SKIP() << "no PostgreSQL server (set QGEN_TEST_PG_URI)"; \
    }                                                                \
  } while (0)
