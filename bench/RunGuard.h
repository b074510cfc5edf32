// One load run per database at a time: every run empties the sequence's row
// and the counters before each case, so a second run on the same database
// would make the first report values issued twice or lost that no program
// issued so. The guard is a lock file on this machine, held for the run.
#pragma once

#include <string>
#include <vector>

namespace qgen::bench {

class RunGuard {
 public:
  // Takes the lock of every database in `uris`, or throws std::runtime_error
  // naming the one another run holds.
  explicit RunGuard(const std::vector<std::string>& uris);
  RunGuard(const RunGuard&) = delete;
  RunGuard& operator=(const RunGuard&) = delete;
  ~RunGuard();

 private:
  void Release();  // closes the lock files, which lets go of their locks

  std::vector<int> fds_;
};

}  // namespace qgen::bench
