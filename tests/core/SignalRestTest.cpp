// SPDX-License-Identifier: GPL-3.0-or-later
// The rest writes made from signal handlers: on a crash, and on a second termination
// signal that the program did not serve. Each case runs in a child process whose port
// writes go down a pipe to the test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

#include "PortPipe.h"
#include "card/CrashRest.h"
#include "common/TerminationSignals.h"

namespace vantor {
namespace {

using port_pipe::NoRead;
constexpr auto PipeWrite = &port_pipe::Write;

struct ChildOutcome {
  int status = 0;
  std::vector<std::pair<int, int>> writes;  // (port, value)
};

// Runs `body` in a child whose card sits at $330 with CrashRest armed on the pipe.
ChildOutcome RunChild(const std::function<void()>& body) {
  int fds[2];
  EXPECT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    ::dup2(::open("/dev/null", O_WRONLY), STDERR_FILENO);  // the handler's own line
    port_pipe::g_fd = fds[1];
    // Outputs at $334..$337, the update read at $337.
    CrashRest::Arm(0x330, 0x340, PipeWrite, NoRead);
    body();
    ::_exit(0);
  }
  ::close(fds[1]);
  ChildOutcome outcome;
  unsigned char bytes[3];
  while (::read(fds[0], bytes, 3) == 3)
    outcome.writes.emplace_back(bytes[0] | bytes[1] << 8, bytes[2]);
  ::close(fds[0]);
  ::waitpid(pid, &outcome.status, 0);
  return outcome;
}

const std::vector<std::pair<int, int>> kRestWrites = {
    {0x334, 0x00}, {0x335, 0x00}, {0x336, 0x00}, {0x337, 0x08}};

// Recursion the optimiser cannot turn into a loop, deeper than any stack.
volatile int g_depthLimit = 1 << 30;
int Overflow(int depth) {
  volatile char frame[1024];
  frame[0] = static_cast<char>(depth);
  if (depth >= g_depthLimit) return frame[0];
  return Overflow(depth + 1) + frame[0];
}

TEST(SignalRestTest, ACrashWritesTheRestValuesThenEndsAsTheCrashWould) {
  for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGABRT, SIGILL, SIGTRAP, SIGSYS, SIGXCPU,
                           SIGXFSZ, SIGPIPE, SIGUSR1, SIGUSR2, SIGALRM, SIGRTMIN + 3}) {
    const ChildOutcome child = RunChild([signal] {
      if (signal == SIGABRT) std::abort();
      std::raise(signal);
    });
    ASSERT_TRUE(WIFSIGNALED(child.status)) << signal;
    EXPECT_EQ(WTERMSIG(child.status), signal);
    EXPECT_EQ(child.writes, kRestWrites) << signal;
  }
}

TEST(SignalRestTest, AStackOverflowStillWritesTheRestValues) {
  const ChildOutcome child = RunChild([] { Overflow(0); });
  ASSERT_TRUE(WIFSIGNALED(child.status));
  EXPECT_EQ(WTERMSIG(child.status), SIGSEGV);
  EXPECT_EQ(child.writes, kRestWrites);
}

TEST(SignalRestTest, ASecondTerminationSignalNotServedEndsTheProcessAtRest) {
  const ChildOutcome child = RunChild([] {
    TerminationSignals::Install("essai");
    std::raise(SIGTERM);  // noted, for the program to serve
    if (TerminationSignals::Pending() != SIGTERM) ::_exit(98);
    std::raise(SIGINT);  // the program did not serve the first one
    ::_exit(97);
  });
  ASSERT_TRUE(WIFEXITED(child.status));
  EXPECT_EQ(WEXITSTATUS(child.status), 128 + SIGINT);
  EXPECT_EQ(child.writes, kRestWrites);
}

}  // namespace
}  // namespace vantor
