// SPDX-License-Identifier: GPL-3.0-or-later
#include "card/CrashRest.h"

#include <csignal>

#include "common/CardScale.h"
#include "common/TerminationSignals.h"

namespace vantor {

namespace {

// Set once before the handlers are installed, only read by them afterwards.
AD2PortTable g_ports;
CrashRest::PortWrite g_write = nullptr;
CrashRest::PortRead g_read = nullptr;

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGABRT};

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
  struct sigaction action {};
  action.sa_handler = OnCrash;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND | SA_NODEFER;
  for (int s : kCrashSignals) ::sigaction(s, &action, nullptr);
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
