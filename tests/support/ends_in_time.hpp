#pragma once
// Calls that could block for good (on a pipe, on a lock) run in a child
// process that an alarm ends, so a regression fails the test instead of
// hanging the run.

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

// The exit status of `work` run in a child; -1 when it did not exit within
// five seconds.
inline int exitStatusInTime(const std::function<int()>& work) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(5);
    ::_exit(work());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
