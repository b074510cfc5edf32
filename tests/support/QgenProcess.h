// QgenProcess: the built qgen tool run as a real child process, for every test
// that runs the tool: whole commands (`Run`), sessions driven line by line, and
// several programs sharing a sequence. Standard input and output are pipes;
// standard error goes to a file, so that notices never block the child.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/TestSupport.h"

namespace qgen::test {

struct QgenOutcome {
  int status = -1;  // exit status, or -1 when a signal ended the process
  std::string out;
  std::string err;
};

// How the child is started. The defaults run the built tool in the test's own
// directory with the test's environment; every member has a default, so that a
// designated initializer names only what it changes: `{.cwd = dir.path()}`.
struct QgenOptions {
  std::string cwd = {};  // working directory; "" for the current one
  // Changes to the environment, in order: "NAME=VALUE" sets NAME, a bare
  // "NAME" removes it.
  std::vector<std::string> environment = {};
  std::string binary = {};  // the program to run; "" for QgenBinary()
};

class QgenProcess {
 public:
  // Starts `qgen ARGS...`; raises std::runtime_error when it cannot.
  explicit QgenProcess(const std::vector<std::string>& args, const QgenOptions& options = {});
  QgenProcess(const QgenProcess&) = delete;
  QgenProcess& operator=(const QgenProcess&) = delete;
  // Kills a child that is still running and reaps it.
  ~QgenProcess();

  // Runs `qgen ARGS...` to its end with `input` as its standard input (read
  // from a file, so a child that exits without reading it is no error).
  static QgenOutcome Run(const std::vector<std::string>& args, const QgenOptions& options = {},
                         const std::string& input = "");

  // Writes to the child's standard input; raises std::runtime_error when the
  // child no longer reads it.
  void Write(const std::string& text);
  // The next line of standard output without its newline; "" when the output
  // ended, or after `timeout_ms` without a whole line.
  std::string ReadLine(int timeout_ms = 10000);
  // Sends a signal.
  void Kill(int signal);
  // Reads the rest of standard output and waits for the end. Returns what
  // the process printed and its exit status.
  QgenOutcome Wait();

 private:
  // Starts the child; its standard input is a file holding `*input`, or a
  // pipe to Write when `input` is null.
  QgenProcess(const std::vector<std::string>& args, const QgenOptions& options,
              const std::string* input);
  // Appends what the child wrote to `pending_`, waiting at most `timeout_ms`
  // (-1: until it writes); false once the output has ended.
  bool ReadMore(int timeout_ms);

  TempDir files_;
  pid_t pid_ = -1;
  int in_ = -1;
  int out_ = -1;
  std::string pending_;  // output read but not yet returned by ReadLine
  bool reaped_ = false;
  int status_ = -1;
};

// The path of the built qgen tool ($QGEN_TEST_BINARY_DIR/apps/qgen/qgen, the
// test command's build tree).
std::string QgenBinary();

// The lines of a text, without their newlines.
std::vector<std::string> Lines(const std::string& text);

// Commands (`qgen ARGS...`) that must be refused, each with a text its
// standard error must hold.
using Refusals = std::vector<std::pair<std::vector<std::string>, std::string>>;
// Runs each command and expects it to exit (not to die of a signal) with a
// status other than 0, nothing on standard output and its text on standard
// error.
void ExpectRefused(const Refusals& commands, const QgenOptions& options = {});

}  // namespace qgen::test
