// Helpers shared by the tests: temporary directories and the database URIs
// that the test command hands in.
#pragma once

#include <string>

namespace qgen::test {

// A fresh directory under $TMPDIR, removed with its contents when destroyed.
class TempDir {
 public:
  TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The private PostgreSQL server's URI (QGEN_TEST_PG_URI), or "" when none runs.
std::string PostgresUri();

// True when the test command demands the PostgreSQL tests (QGEN_REQUIRE_PG=1):
// then a missing server fails the test instead of skipping it.
bool PostgresRequired();

// Directory of the build tree (for the qgen binary and test helpers).
std::string BinaryDir();

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
