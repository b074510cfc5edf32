#include "bench/LoadProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <stdexcept>

namespace qgen::bench {

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
  int to_child[2];
  int from_child[2];
  if (pipe2(to_child, O_CLOEXEC) != 0)
    throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
  if (pipe2(from_child, O_CLOEXEC) != 0) {
    close(to_child[0]);
    close(to_child[1]);
    throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
  }
  std::vector<char*> args;
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_ = fork();
  if (pid_ < 0)
    throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  if (pid_ == 0) {
    dup2(to_child[0], STDIN_FILENO);
    dup2(from_child[1], STDOUT_FILENO);
    execv(args[0], args.data());
    _exit(127);
  }
  close(to_child[0]);
  close(from_child[1]);
  in_ = to_child[1];
  out_ = from_child[0];
  fcntl(out_, F_SETFL, fcntl(out_, F_GETFL) | O_NONBLOCK);
}

ChildProcess::~ChildProcess() {
  if (!reaped_) {
    kill(pid_, SIGKILL);
    Wait();
  }
  CloseInput();
  if (out_ >= 0)
    close(out_);
}

void ChildProcess::ReadAvailable() {
  char buffer[65536];
  while (out_ >= 0) {
    const ssize_t got = read(out_, buffer, sizeof buffer);
    if (got > 0) {
      pending_.append(buffer, static_cast<std::size_t>(got));
      continue;
    }
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
      break;
    close(out_);  // end of output (or a read error: the same for us)
    out_ = -1;
  }
  std::size_t start = 0;
  for (std::size_t end; (end = pending_.find('\n', start)) != std::string::npos; start = end + 1)
    lines_.push_back(pending_.substr(start, end - start));
  pending_.erase(0, start);
}

std::vector<std::string> ChildProcess::TakeLines() {
  std::vector<std::string> lines;
  lines.swap(lines_);
  return lines;
}

bool ChildProcess::Send(const std::string& text) {
  if (in_ < 0)
    return false;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = write(in_, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR)
      continue;
    if (wrote <= 0)
      return false;
    done += static_cast<std::size_t>(wrote);
  }
  return true;
}

void ChildProcess::CloseInput() {
  if (in_ >= 0)
    close(in_);
  in_ = -1;
}

void ChildProcess::Signal(int signal_number) {
  if (!reaped_)
    kill(pid_, signal_number);
}

int ChildProcess::Wait() {
  if (reaped_)
    return status_;
  while (waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
  }
  reaped_ = true;
  return status_;
}

void PumpOutput(const std::vector<ChildProcess*>& children, int timeout_ms) {
  std::vector<pollfd> fds;
  std::vector<ChildProcess*> owners;
  for (ChildProcess* child : children) {
    if (!child->OutputEnded()) {
      fds.push_back({child->OutputFd(), POLLIN, 0});
      owners.push_back(child);
    }
  }
  if (fds.empty()) {
    if (timeout_ms > 0)
      usleep(static_cast<useconds_t>(timeout_ms) * 1000);
    return;
  }
  if (poll(fds.data(), fds.size(), timeout_ms) <= 0)
    return;
  for (std::size_t i = 0; i < fds.size(); ++i) {
    if (fds[i].revents != 0)
      owners[i]->ReadAvailable();
  }
}

long long MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

double WallSeconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace qgen::bench
