// Runs the program as the host would, in a child process, and collects its exit code and stderr.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {

struct Result {
  int status = -1;  // exit code, or -1 when it did not end
  std::string err;
};

// addressLimit, when not 0, caps the child's address space, so that a fault that allocates
// gigabytes fails in the child instead of taking the machine's memory.
pid_t Spawn(const std::vector<std::string>& args, int* errFd, rlim_t addressLimit = 0) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    if (addressLimit) {
      const rlimit limit{addressLimit, addressLimit};
      setrlimit(RLIMIT_AS, &limit);
    }
    dup2(pipeFds[1], 2);
    close(pipeFds[0]);
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  *errFd = pipeFds[0];
  return pid;
}

// True while the child runs; a child that ended stays there for Wait to collect.
inline bool Running(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == 0;
}

// Waits for the child to end, taking its stderr as it comes (a full pipe would stop it). No
// bound of its own: a loaded machine may take long, and a hang ends at the test's timeout.
// usage, when given, receives the child's resource use.
Result Wait(pid_t pid, int errFd, rusage* usage = nullptr) {
  Result r;
  char buf[512];
  ssize_t n;
  while ((n = read(errFd, buf, sizeof buf)) != 0) {
    if (n > 0) r.err.append(buf, static_cast<std::size_t>(n));
    if (n < 0 && errno != EINTR) break;
  }
  close(errFd);
  int status = 0;
  rusage ignored;
  while (wait4(pid, &status, 0, usage ? usage : &ignored) < 0 && errno == EINTR) {
  }
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return r;
}

Result RunZelmar(const std::vector<std::string>& args) {
  int fd = -1;
  pid_t pid = Spawn(args, &fd);
  return Wait(pid, fd);
}

}  // namespace
