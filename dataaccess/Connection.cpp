#include "dataaccess/Connection.h"

namespace qgen {

std::string Connection::Quote(const std::string& name) {
  std::string quoted = "\"";
  for (const char c : name) {
    if (c == '"')
      quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace qgen
