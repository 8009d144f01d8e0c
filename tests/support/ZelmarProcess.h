// Runs zelmar (or another program of the build) in a child process as a host would: with its
// own changes to the environment, its stderr taken through a pipe, its end collected; on
// Windows as Windows starts a saver, from a command line. One object holds one run at a time;
// a new start, and the object's end, kill a run still going.
#pragma once

#if defined(_WIN32)

#include <windows.h>

#include <string>

// A path of the build machine as a Windows program under Wine reaches it: Wine shows the Linux
// file system as drive Z:.
inline std::string WindowsPath(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  return path;
}

// On Windows: a process of its own, as Windows starts a saver, with no environment of its own
// (the tests' settings are in the registry).
class ZelmarProcess {
 public:
  ZelmarProcess() = default;
  ZelmarProcess(const ZelmarProcess&) = delete;
  ZelmarProcess& operator=(const ZelmarProcess&) = delete;
  ~ZelmarProcess() { Kill(); }

  // Sends the program's standard output to this file (created anew).
  ZelmarProcess& StdoutTo(const std::string& path) {
    outPath_ = path;
    return *this;
  }

  // Starts the program (a path of the build machine) with the arguments of a command line.
  bool Start(const std::string& program, const std::string& arguments) {
    Kill();
    std::string line = "\"" + WindowsPath(program) + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    HANDLE out = INVALID_HANDLE_VALUE;
    if (!outPath_.empty()) {
      SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
      out = CreateFileA(outPath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
      if (out == INVALID_HANDLE_VALUE) return false;
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdOutput = out;
      startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
      startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, !outPath_.empty(),
                                        0, nullptr, nullptr, &startup, &info_);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    if (!started) info_ = {};
    return started != 0;
  }

  HANDLE Handle() const { return info_.hProcess; }
  DWORD Pid() const { return info_.dwProcessId; }

  // The exit code once it has ended within ms, else STILL_ACTIVE.
  DWORD WaitExit(DWORD ms) {
    if (!info_.hProcess) return STILL_ACTIVE;
    WaitForSingleObject(info_.hProcess, ms);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
  }

  // Ends it at once if it still runs, and lets it go.
  void Kill() {
    if (!info_.hProcess) return;
    if (WaitExit(0) == STILL_ACTIVE) TerminateProcess(info_.hProcess, 99);
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
    info_ = {};
  }

 private:
  std::string outPath_;
  PROCESS_INFORMATION info_{};
};

#else

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

// How a run ended: its exit code (128 + the signal when a signal ended it) and its stderr.
struct Result {
  int status = -1;  // -1 when it did not end
  std::string err;
};

class ZelmarProcess {
 public:
  ZelmarProcess() = default;
  ZelmarProcess(const ZelmarProcess&) = delete;
  ZelmarProcess& operator=(const ZelmarProcess&) = delete;
  ~ZelmarProcess() { Kill(); }

  // The child's environment is this process's with these changes, kept for later starts.
  ZelmarProcess& Env(const std::string& name, const std::string& value) {
    env_[name] = value;
    return *this;
  }
  ZelmarProcess& Unset(const std::string& name) {
    env_[name] = std::nullopt;
    return *this;
  }
  // Caps the child's address space, so that a fault that allocates gigabytes fails in the
  // child instead of taking the machine's memory.
  ZelmarProcess& LimitAddressSpace(rlim_t bytes) {
    addressLimit_ = bytes;
    return *this;
  }
  // Signals the child starts with blocked, as a starter may hand them down. Blocked here
  // before the fork, so that a signal sent at once waits for the program.
  ZelmarProcess& Block(const sigset_t& set) {
    blocked_ = set;
    return *this;
  }

  // Sends the child's stderr to this file instead of the pipe: for a run that leaves a process
  // of its own writing there after it has ended.
  ZelmarProcess& StderrTo(const std::string& path) {
    errPath_ = path;
    return *this;
  }

  // Sends the child's standard output to this file (created anew) instead of this process's.
  ZelmarProcess& StdoutTo(const std::string& path) {
    outPath_ = path;
    return *this;
  }

  // Starts args[0] with args; false when no child could be made.
  bool Start(const std::vector<std::string>& args) {
    Kill();
    err_.clear();
    usage_ = {};
    exitCode_ = -1;
    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      if (!env_.count(entry.substr(0, entry.find('=')))) envText.push_back(entry);
    }
    for (const auto& [name, value] : env_)
      if (value) envText.push_back(name + "=" + *value);
    std::vector<char*> argv, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const auto& e : envText) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    if (!errPath_.empty()) {
      const int file = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      if (file < 0) return false;
      dup3(file, fds[1], O_CLOEXEC);  // the pipe's write end becomes the file
      close(file);
    }
    sigset_t old;
    sigprocmask(SIG_BLOCK, &blocked_, &old);
    pid_ = fork();
    if (pid_ == 0) {
      if (addressLimit_) {
        const rlimit limit{addressLimit_, addressLimit_};
        setrlimit(RLIMIT_AS, &limit);
      }
      if (!outPath_.empty()) {
        const int out = open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0) _exit(127);
        dup2(out, 1);
        close(out);
      }
      dup2(fds[1], 2);
      close(fds[0]);
      close(fds[1]);
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
    sigprocmask(SIG_SETMASK, &old, nullptr);
    close(fds[1]);
    if (pid_ < 0) {
      close(fds[0]);
      return false;
    }
    errFd_ = fds[0];
    // Read without waiting: a check may look at it while the program still runs.
    fcntl(errFd_, F_SETFL, O_NONBLOCK);
    return true;
  }

  // The running child's pid, or -1.
  pid_t Pid() const { return pid_; }

  // True while the child runs; once it has ended, its exit code is kept.
  bool Running() {
    Drain();
    if (pid_ <= 0) return false;
    int status = 0;
    if (wait4(pid_, &status, WNOHANG, &usage_) == 0) return true;
    Ended(status);
    return false;
  }

  // Signals the child while it runs; nothing once it has ended (its pid is then forgotten, and
  // kill() with -1 would signal every process of the user).
  void Signal(int sig) {
    if (pid_ > 0) kill(pid_, sig);
  }

  // The exit code once the child ends. No bound of its own: a loaded machine may take long, and
  // a hang ends at the test's timeout. Its stderr is taken meanwhile (a full pipe would stop it).
  int Wait() {
    while (Running()) {
      pollfd p{errFd_, POLLIN, 0};
      // Once the pipe has no writer left, only the child's end is waited for.
      if (errFd_ < 0 || poll(&p, 1, 10) < 0 || (p.revents & POLLHUP)) {
        int status = 0;
        while (wait4(pid_, &status, 0, &usage_) < 0 && errno == EINTR) {
        }
        Ended(status);
        Drain();
      }
    }
    return exitCode_;
  }

  // The exit code once the child ends within steps of 10 ms, -1 while it runs on.
  int WaitSteps(int steps) {
    for (int i = 0; i < steps && Running(); ++i) usleep(10000);
    return Running() ? -1 : exitCode_;
  }

  // Ends a child still running, at once.
  void Kill() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      int status = 0;
      while (wait4(pid_, &status, 0, &usage_) < 0 && errno == EINTR) {
      }
      Ended(status);
    }
    Drain();
    if (errFd_ >= 0) close(errFd_);
    errFd_ = -1;
  }

  // Starts args and waits for the end: the exit code and everything said on stderr.
  Result Run(const std::vector<std::string>& args) {
    if (!Start(args)) return {};
    const int status = Wait();
    return {status, Stderr()};
  }

  // Everything the child has said on stderr so far.
  const std::string& Stderr() {
    Drain();
    return err_;
  }
  // The exit code of an ended child, -1 while it runs.
  int ExitCode() const { return exitCode_; }
  // The ended child's resource use.
  const rusage& Usage() const { return usage_; }

 private:
  void Ended(int status) {
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    pid_ = -1;
  }
  void Drain() {
    if (errFd_ < 0) return;
    char buf[4096];
    ssize_t n;
    while ((n = read(errFd_, buf, sizeof buf)) > 0) err_.append(buf, static_cast<std::size_t>(n));
  }

  std::map<std::string, std::optional<std::string> > env_;
  std::string errPath_;
  std::string outPath_;
  rlim_t addressLimit_ = 0;
  sigset_t blocked_ = {};
  pid_t pid_ = -1;
  int errFd_ = -1;
  int exitCode_ = -1;
  std::string err_;
  rusage usage_ = {};
};

// Runs the program to its end with this process's environment.
inline Result RunZelmar(const std::vector<std::string>& args) {
  return ZelmarProcess().Run(args);
}

// A command line's words, for tests that write their runs as one line (no quoting: the paths
// of a test's temporary folders hold no blanks).
inline std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

#endif
