// Child processes of the load driver: each runs with its standard input and
// output on pipes; the driver reads their output as lines without blocking, so
// that it can watch many workers, kill one and start another at any moment.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace qgen::bench {

class ChildProcess {
 public:
  // Starts argv[0] (a path) with the arguments; raises std::runtime_error when
  // the process cannot be started. Standard error is inherited.
  explicit ChildProcess(const std::vector<std::string>& argv);
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // Kills the process (SIGKILL) if it still runs, and reaps it.
  ~ChildProcess();

  pid_t Pid() const { return pid_; }
  // The read end of its standard output; -1 once the output has ended.
  int OutputFd() const { return out_; }
  bool OutputEnded() const { return out_ < 0; }

  // Reads what the process has written so far (never blocks).
  void ReadAvailable();
  // The complete lines received since the last call, without their newlines.
  std::vector<std::string> TakeLines();

  // Writes to its standard input; false when the process no longer reads.
  bool Send(const std::string& text);
  void CloseInput();
  void Signal(int signal_number);
  // Waits for the process to end and returns its wait status.
  int Wait();
  bool Reaped() const { return reaped_; }

 private:
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  bool reaped_ = false;
  int status_ = 0;
  std::string pending_;
  std::vector<std::string> lines_;
};

// Waits up to timeout_ms for output from any of the children and reads it.
void PumpOutput(const std::vector<ChildProcess*>& children, int timeout_ms);

// Nanoseconds on the system-wide monotonic clock (comparable between processes).
long long MonotonicNs();
// Seconds since the epoch on the wall clock, with fractions.
double WallSeconds();

}  // namespace qgen::bench
