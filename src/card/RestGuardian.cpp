// SPDX-License-Identifier: GPL-3.0-or-later
#include "card/RestGuardian.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <initializer_list>

namespace vantor {

int StartRestGuardian(void (*rest)()) {
  int fds[2];
  // The write end stays with the program alone: no program it starts may keep it open.
  if (::pipe2(fds, O_CLOEXEC) != 0) return -1;
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return -1;
  }
  if (pid == 0) {
    ::close(fds[1]);
    // Ctrl+C and a closed terminal reach the whole process group: the guardian outlives
    // them and rests the card once the program has gone. It ends with the program.
    for (const int s : {SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGTSTP}) ::signal(s, SIG_IGN);
    ::prctl(PR_SET_NAME, "vantor-gardien");
    // The parent may already have died between the fork and here: its pipe then reads
    // end of file at once.
    if (::getppid() != parent) {
      rest();
      ::_exit(0);
    }
    char byte;
    for (;;) {
      const ssize_t n = ::read(fds[0], &byte, 1);
      if (n == 0 || (n < 0 && errno != EINTR)) break;
    }
    rest();
    ::_exit(0);
  }
  ::close(fds[0]);
  // fds[1] stays open, unused, for the program's life: its closing is the signal.
  return pid;
}

}  // namespace vantor
