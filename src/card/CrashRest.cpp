// SPDX-License-Identifier: GPL-3.0-or-later
#include "card/CrashRest.h"

#include <signal.h>

#include <csignal>

#include "common/CardScale.h"
#include "common/TerminationSignals.h"

namespace vantor {

namespace {

// Set once before the handlers are installed, only read by them afterwards.
AD2PortTable g_ports;
CrashRest::PortWrite g_write = nullptr;
CrashRest::PortRead g_read = nullptr;

// Every signal whose default action ends the process, but for the four termination
// signals that TerminationSignals serves and SIGKILL, which no handler sees. The faults
// of the program itself always get the rest handler; the others only while nobody
// handles or ignores them (a library may ignore SIGPIPE). The real-time signals are
// added in Arm.
constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGABRT, SIGILL, SIGTRAP, SIGSYS};
constexpr int kOtherFatalSignals[] = {SIGXCPU, SIGXFSZ,   SIGPIPE, SIGUSR1, SIGUSR2, SIGALRM,
                                      SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSTKFLT};

// The handler's own stack: a stack overflow leaves none to run it on.
alignas(16) unsigned char g_altStack[64 * 1024];

void OnCrash(int signal) {
  CrashRest::WriteRest();
  // The handler was reset on entry (SA_RESETHAND) and the signal is not blocked
  // (SA_NODEFER): raising it again ends the process with its usual outcome.
  std::raise(signal);
}

}  // namespace

void CrashRest::Arm(std::uint16_t adr1, std::uint16_t adr2, PortWrite write, PortRead read) {
  g_ports = AD2var::PortTableAt(adr1, adr2);
  g_write = write;
  g_read = read;
  stack_t stack {};
  stack.ss_sp = g_altStack;
  stack.ss_size = sizeof g_altStack;
  ::sigaltstack(&stack, nullptr);
  struct sigaction action {};
  action.sa_handler = OnCrash;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_NODEFER | SA_ONSTACK;
  const auto armIfDefault = [&action](int signal) {
    struct sigaction current {};
    if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_DFL &&
        !(current.sa_flags & SA_SIGINFO))
      ::sigaction(signal, &action, nullptr);
  };
  for (int s : kFaultSignals) ::sigaction(s, &action, nullptr);
  for (int s : kOtherFatalSignals) armIfDefault(s);
  for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) armIfDefault(s);
  TerminationSignals::SetEmergencyRest(&CrashRest::WriteRest);
}

void CrashRest::WriteRest() {
  if (!g_write) return;
  g_write(g_ports.Out1Low, kOutput1RestCount & 0xFF);
  g_write(g_ports.Out1High, kOutput1RestCount >> 8);
  g_write(g_ports.Out2Low, kOrderRestCount & 0xFF);
  g_write(g_ports.Out2High, kOrderRestCount >> 8);
  if (g_read) g_read(g_ports.UpdateRead);
}

}  // namespace vantor
