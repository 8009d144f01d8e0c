// Runs a piece of a test in a forked child, so that a hang, a crash or a process-wide setting
// (a file size limit, a mount namespace) stays there. The child's answer comes back as text.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

// Runs body in a child that is killed after watchdogSeconds; returns what body returned, or a
// description of how the child ended when it did not return.
inline std::string RunInChild(const std::function<std::string()>& body,
                              unsigned watchdogSeconds = 30) {
  int fds[2];
  if (pipe(fds) != 0) return "pipe failed";
  pid_t pid = fork();
  if (pid < 0) return "fork failed";
  if (pid == 0) {
    close(fds[0]);
    alarm(watchdogSeconds);
    std::string answer = "ok:" + body();
    for (std::size_t done = 0; done < answer.size();) {
      ssize_t n = write(fds[1], answer.data() + done, answer.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    _exit(0);
  }
  close(fds[1]);
  std::string answer;
  char buf[4096];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) answer.append(buf, n);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFSIGNALED(status))
    return "child ended by signal " + std::to_string(WTERMSIG(status)) +
           (WTERMSIG(status) == SIGALRM ? " (hung)" : "");
  if (answer.rfind("ok:", 0) != 0) return "child ended without an answer";
  return answer.substr(3);
}
