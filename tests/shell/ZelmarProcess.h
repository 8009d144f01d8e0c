// Runs the program as the host would, in a child process, and collects its exit code and stderr.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

// Waits for the child, for at most about 20 s so that a hang fails the test instead of the run.
// usage, when given, receives the child's resource use.
Result Wait(pid_t pid, int errFd, rusage* usage = nullptr) {
  Result r;
  for (int i = 0; i < 2000; ++i) {
    int status = 0;
    rusage ignored;
    if (wait4(pid, &status, WNOHANG, usage ? usage : &ignored) == pid) {
      r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      break;
    }
    usleep(10000);
  }
  if (r.status == -1) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  char buf[512];
  ssize_t n;
  while ((n = read(errFd, buf, sizeof buf)) > 0) r.err.append(buf, static_cast<std::size_t>(n));
  close(errFd);
  return r;
}

Result RunZelmar(const std::vector<std::string>& args) {
  int fd = -1;
  pid_t pid = Spawn(args, &fd);
  return Wait(pid, fd);
}

}  // namespace
