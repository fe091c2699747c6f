#pragma once
// Calls that could block for good (on a pipe, on a lock) run in a child
// process, so a regression fails the test instead of hanging the run.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

// The exit status of `work` run in a child; -1 when it had not ended after
// five seconds (it is killed) or did not exit normally.
inline int exitStatusInTime(const std::function<int()>& work) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(work());
  for (int waited = 0; waited < 500; ++waited) {
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  return -1;
}
