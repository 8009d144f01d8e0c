// Runs a helper program (xdotool, xrandr, ...) to its end, for tests that drive X from outside.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

// True when the program, found on PATH, exits with code 0.
inline bool RunTool(const std::vector<std::string>& args) {
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
