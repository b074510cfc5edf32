#include "dataaccess/Connection.h"

#include "framework/Exception.h"

namespace qgen {

ResultRows KeptAnswer::Take() {
  if (failure_) {
    const std::exception_ptr failure = std::move(failure_);
    failure_ = nullptr;
    std::rethrow_exception(failure);
  }
  if (!rows_)
    throw EDatabaseError("No statement was sent for an answer; send one first");
  ResultRows rows = std::move(*rows_);
  rows_.reset();
  return rows;
}

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
