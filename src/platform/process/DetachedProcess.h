// Starting a program that outlives this process: a background job a short-lived process asks
// for and does not wait for (the saver's conversion of other packages' planet maps).
#pragma once

#include <string>
#include <vector>

namespace zelmar {

struct TDetachedProcess {
  // The program's file, then its arguments.
  std::vector<std::string> Args;
  // "NAME=value" for variables it gets in place of this process's (or in addition to them).
  std::vector<std::string> Environment;
  // Its standard error goes nowhere instead of to this process's.
  bool Quiet = false;
  // It waits, before the program starts, until this process ends or this many milliseconds
  // have passed, so that it does not slow the start that asked for it.
  int DelayMs = 0;
};

// Starts the program in a session of its own at the lowest priority, with its standard input
// and output on /dev/null; nothing waits for it (init reaps it). False when it could not be
// started (its own start fails later: exit code 127, unseen).
bool StartDetachedProcess(const TDetachedProcess& Process);

}  // namespace zelmar
