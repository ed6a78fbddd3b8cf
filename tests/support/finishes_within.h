#pragma once
// FinishesWithin: runs a piece of a test in a child process with an alarm,
// so a call that would wait forever (a read of a FIFO) fails the test
// instead of hanging it.

#include <sys/wait.h>
#include <unistd.h>

namespace tessivo {

// Runs `body` (returning 0..255) in a forked child that is killed after
// `seconds`. Returns what `body` returned, or -1 when the child did not end
// by itself in time (or could not be started).
template <typename Body>
int FinishesWithin(unsigned seconds, Body body) {
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    ::alarm(seconds);  // SIGALRM ends the child
    ::_exit(body());
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tessivo
