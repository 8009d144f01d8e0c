// An Xvfb of a test's own, for tests that end the X server themselves. -displayfd picks a free
// display number without the races of probing for one; -noreset keeps it from resetting when
// its last client leaves.
#pragma once

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

class XvfbServer {
 public:
  explicit XvfbServer(const std::string& screen = "640x480x24") {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      // Its own chatter is no part of any test's output.
      if (freopen("/dev/null", "w", stdout) && freopen("/dev/null", "w", stderr)) {
      }
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
             "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c = 0;
    pollfd p{fds[0], POLLIN, 0};
    // Generous: a loaded machine may take long to start it; it writes the number when ready.
    while (poll(&p, 1, 30000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~XvfbServer() { Kill(SIGKILL); }
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;

  // ":N", or empty when the server did not start.
  const std::string& Display() const { return display_; }

  // Ends the server with the signal and waits for it.
  void Kill(int signal) {
    if (pid_ <= 0) return;
    kill(pid_, signal);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  std::string display_;
};
