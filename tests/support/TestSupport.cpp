#include "tests/support/TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace qgen::test {

TempDir::TempDir(const char* base) {
  if (!base)
    base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/qgen-test-XXXXXX";
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("mkdtemp failed for " + pattern);
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out.flush())
    throw std::runtime_error("cannot write " + path);
}

std::string PostgresUri() {
  const char* uri = std::getenv("QGEN_TEST_PG_URI");
  return uri ? uri : "";
}

bool PostgresRequired() {
  const char* value = std::getenv("QGEN_REQUIRE_PG");
  return value && std::string(value) == "1";
}

}  // namespace qgen::test
