// QgenProcess: the built qgen tool run as a real child process, for the tests
// of `qgen next`, `qgen session` and of several programs sharing a sequence.
// Standard input and output are pipes (a session is driven line by line);
// standard error goes to a file, so that notices never block the child.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace qgen::test {

struct QgenOutcome {
  int status = -1;  // exit status, or -1 when a signal ended the process
  std::string out;
  std::string err;
};

class QgenProcess {
 public:
  // Starts `qgen ARGS...` in directory `cwd` ("" for the current one).
  explicit QgenProcess(const std::vector<std::string>& args, const std::string& cwd = "");
  QgenProcess(const QgenProcess&) = delete;
  QgenProcess& operator=(const QgenProcess&) = delete;
  // Kills a child that is still running and reaps it.
  ~QgenProcess();

  // Runs `qgen ARGS...` to its end with no input.
  static QgenOutcome Run(const std::vector<std::string>& args, const std::string& cwd = "");

  void Write(const std::string& text);
  void CloseInput();
  // The next line of standard output without its newline; "" with `eof` set
  // when the output ended, or after `timeout_ms` without a whole line.
  std::string ReadLine(int timeout_ms = 10000, bool* eof = nullptr);
  // Sends a signal.
  void Kill(int signal);
  // Reads the rest of standard output and waits for the end. Returns what
  // the process printed and its exit status.
  QgenOutcome Wait();
  pid_t Pid() const { return pid_; }

 private:
  TempDir files_;
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string pending_;  // output read but not yet returned by ReadLine
  bool reaped_ = false;
  int status_ = -1;
};

// The path of the built qgen tool.
std::string QgenBinary();

// The lines of a text, without their newlines.
std::vector<std::string> Lines(const std::string& text);

}  // namespace qgen::test
