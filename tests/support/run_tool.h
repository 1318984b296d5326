// Runs a program with arguments (no shell) and collects its exit status,
// standard output and standard error.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace testsupport {

struct RunResult {
  int status = -1;  // exit status, or -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// With `stdoutPath`, standard output goes to that file (opened for
// appending, as ">>" does) instead of being collected.
inline RunResult Run(const std::vector<std::string>& argv, const char* stdoutPath = nullptr) {
  RunResult r;
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return r;
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = stdoutPath ? open(stdoutPath, O_WRONLY | O_APPEND) : outPipe[1];
    if (out < 0) _exit(126);
    dup2(out, 1);
    dup2(errPipe[1], 2);
    close(outPipe[0]), close(outPipe[1]), close(errPipe[0]), close(errPipe[1]);
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, 0);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  int open = 2;
  char buf[65536];
  while (open > 0) {
    if (poll(fds, 2, -1) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? r.out : r.err).append(buf, size_t(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int st = 0;
  waitpid(pid, &st, 0);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

// Runs a shell command line (pipes and &&, as the peers' commands need).
inline RunResult Shell(const std::string& command) { return Run({"sh", "-c", command}); }

// Whether ffmpeg, the peer some tests compare with, is installed.
inline bool HaveFfmpeg() { return Run({"ffmpeg", "-version"}).status == 0; }

#ifdef CORVANE_TOOL
// Runs the corvane-tool the build made (CORVANE_TOOL, its path) with `args`.
inline RunResult Tool(std::vector<std::string> args) {
  args.insert(args.begin(), CORVANE_TOOL);
  return Run(args);
}
#endif

}  // namespace testsupport
