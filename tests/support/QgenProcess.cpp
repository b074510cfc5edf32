#include "tests/support/QgenProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace qgen::test {

namespace {

// The test's environment with `changes` applied ("NAME=VALUE" sets, "NAME"
// removes), built before fork: the child may call nothing that allocates.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& changes) {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry; ++entry)
    entries.emplace_back(*entry);
  for (const std::string& change : changes) {
    const std::string name = change.substr(0, change.find('='));
    std::erase_if(entries, [&](const std::string& entry) {
      return entry.compare(0, name.size() + 1, name + "=") == 0;
    });
    if (change.find('=') != std::string::npos)
      entries.push_back(change);
  }
  return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts)
    pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

std::string QgenBinary() {
  const char* dir = std::getenv("QGEN_TEST_BINARY_DIR");
  return std::string(dir ? dir : ".") + "/apps/qgen/qgen";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    lines.push_back(line);
  return lines;
}

QgenProcess::QgenProcess(const std::vector<std::string>& args, const QgenOptions& options)
    : QgenProcess(args, options, nullptr) {}

QgenProcess::QgenProcess(const std::vector<std::string>& args, const QgenOptions& options,
                         const std::string* input) {
  const std::string in_path = files_.File("stdin");
  const std::string err_path = files_.File("stderr");
  if (input)
    WriteFile(in_path, *input);
  int in_pipe[2];
  int out_pipe[2];
  if (pipe2(in_pipe, O_CLOEXEC) != 0 || pipe2(out_pipe, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  const std::string binary = options.binary.empty() ? QgenBinary() : options.binary;
  std::vector<std::string> argv_text = {binary};
  argv_text.insert(argv_text.end(), args.begin(), args.end());
  std::vector<char*> argv = Pointers(argv_text);
  std::vector<std::string> env_text = ChildEnvironment(options.environment);
  std::vector<char*> env = Pointers(env_text);
  const std::string& cwd = options.cwd;

  pid_ = fork();
  if (pid_ < 0)
    throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    // Child: only async-signal-safe calls until exec, which closes the pipes'
    // own ends. The tool runs with SIGPIPE as a shell would give it, whatever
    // this test ignores.
    signal(SIGPIPE, SIG_DFL);
    const int in = input ? open(in_path.c_str(), O_RDONLY | O_CLOEXEC) : in_pipe[0];
    const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (in < 0 || err < 0 || dup2(in, STDIN_FILENO) < 0 || dup2(out_pipe[1], STDOUT_FILENO) < 0 ||
        dup2(err, STDERR_FILENO) < 0 || (!cwd.empty() && chdir(cwd.c_str()) != 0))
      _exit(126);
    execve(binary.c_str(), argv.data(), env.data());
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  in_ = in_pipe[1];
  out_ = out_pipe[0];
  if (input) {
    close(in_);
    in_ = -1;
  }
  // A child that stops reading must not kill the test with SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
}

QgenProcess::~QgenProcess() {
  if (!reaped_ && pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (in_ >= 0)
    close(in_);
  if (out_ >= 0)
    close(out_);
}

QgenOutcome QgenProcess::Run(const std::vector<std::string>& args, const QgenOptions& options,
                             const std::string& input) {
  QgenProcess process(args, options, &input);
  return process.Wait();
}

void QgenProcess::Write(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(in_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      throw std::runtime_error("the child no longer reads its input");
    done += static_cast<std::size_t>(n);
  }
}

bool QgenProcess::ReadMore(int timeout_ms) {
  pollfd fd{out_, POLLIN, 0};
  if (poll(&fd, 1, timeout_ms) <= 0)
    return true;  // nothing yet, or a signal came
  char buffer[4096];
  const ssize_t n = read(out_, buffer, sizeof buffer);
  if (n > 0)
    pending_.append(buffer, static_cast<std::size_t>(n));
  return n > 0 || (n < 0 && errno == EINTR);
}

std::string QgenProcess::ReadLine(int timeout_ms) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (true) {
    const auto newline = pending_.find('\n');
    if (newline != std::string::npos) {
      std::string line = pending_.substr(0, newline);
      pending_.erase(0, newline + 1);
      return line;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          give_up - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0 || !ReadMore(static_cast<int>(left)))
      return "";
  }
}

void QgenProcess::Kill(int signal_number) {
  if (!reaped_)
    kill(pid_, signal_number);
}

QgenOutcome QgenProcess::Wait() {
  while (ReadMore(-1)) {
  }
  if (!reaped_) {
    int raw = 0;
    while (waitpid(pid_, &raw, 0) < 0 && errno == EINTR) {
    }
    reaped_ = true;
    status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  QgenOutcome outcome{status_, std::move(pending_), ReadFile(files_.File("stderr"))};
  pending_.clear();
  return outcome;
}

void ExpectRefused(const Refusals& commands, const QgenOptions& options) {
  for (const auto& [args, says] : commands) {
    SCOPED_TRACE(says);
    const QgenOutcome r = QgenProcess::Run(args, options);
    EXPECT_GT(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_THAT(r.err, HasSubstr(says));
  }
}

}  // namespace qgen::test
