#include "bench/RunGuard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "dataaccess/Database.h"
#include "dataaccess/ErrorText.h"

namespace qgen::bench {

namespace {

// An SQLite database's lock file lies beside it, so that every spelling of its
// path meets the same lock; a server's is named by its URI in the temporary
// directory.
std::string LockPath(const std::string& uri) {
  TDatabase probe(nullptr);
  probe.SetURI(uri);
  const std::string file = probe.FilePath();
  if (probe.Kind() != "postgresql" && !file.empty()) {
    char* real = realpath(file.c_str(), nullptr);
    const std::string path = real ? real : file;
    std::free(real);
    return path + "-loadrun";
  }
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/qgen_load-" +
         std::to_string(std::hash<std::string>{}(uri)) + ".lock";
}

}  // namespace

RunGuard::RunGuard(const std::vector<std::string>& uris) {
  for (const std::string& uri : uris) {
    const std::string path = LockPath(uri);
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
      const std::string why = std::strerror(errno);
      Release();
      throw std::runtime_error("cannot open the run's lock file " + path + " (" + why +
                               "); make its directory writable");
    }
    fds_.push_back(fd);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      Release();
      throw std::runtime_error("another qgen_load run is using " + DisplayUri(uri) +
                               "; wait for it to end, or give this run another database");
    }
  }
}

RunGuard::~RunGuard() {
  Release();
}

void RunGuard::Release() {
  for (const int fd : fds_)
    close(fd);
  fds_.clear();
}

}  // namespace qgen::bench
