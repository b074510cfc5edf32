#include "dataaccess/Connection.h"

#include "framework/Exception.h"

namespace qgen {

void Connection::FlushCommits() {
  throw EDatabaseError("This " + Kind() +
                       " database cannot make its commits durable after they are made; commit "
                       "them durably instead");
}

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
