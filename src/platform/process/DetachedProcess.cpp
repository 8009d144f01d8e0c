#include "platform/process/DetachedProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace zelmar {

namespace {

std::string NameOf(const std::string& variable) {
  return variable.substr(0, variable.find('='));
}

}  // namespace

bool StartDetachedProcess(const TDetachedProcess& Process) {
  if (Process.Args.empty() || Process.Args[0].empty()) return false;
  // Everything the child needs is made before fork: a threaded process may call only
  // async-signal-safe functions between fork and exec.
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    const std::string name = NameOf(*e);
    bool replaced = false;
    for (const std::string& v : Process.Environment) replaced = replaced || NameOf(v) == name;
    if (!replaced) env.emplace_back(*e);
  }
  env.insert(env.end(), Process.Environment.begin(), Process.Environment.end());
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> args = Process.Args;
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (devNull < 0) return false;
  // The write end of the pipe, held here, closes when this process ends.
  int alive[2];
  if (pipe2(alive, O_CLOEXEC) != 0) {
    close(devNull);
    return false;
  }

  const pid_t child = fork();
  if (child < 0) {
    close(devNull);
    close(alive[0]);
    close(alive[1]);
    return false;
  }
  if (child == 0) {
    // A grandchild in a session of its own outlives this process, and init reaps it.
    setsid();
    if (fork() != 0) _exit(0);
    close(alive[1]);
    setpriority(PRIO_PROCESS, 0, 19);
    pollfd wait{alive[0], POLLIN, 0};
    while (poll(&wait, 1, Process.DelayMs) < 0 && errno == EINTR) {
    }
    dup2(devNull, STDIN_FILENO);
    dup2(devNull, STDOUT_FILENO);
    if (Process.Quiet) dup2(devNull, STDERR_FILENO);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(devNull);
  close(alive[0]);  // the write end stays open for as long as this process runs
  int status = 0;
  while (waitpid(child, &status, 0) < 0)
    if (errno != EINTR) return true;  // reaped elsewhere (SIGCHLD ignored): it did start
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace zelmar
