#include "CrashRest.h"

#include <csignal>

#include "TerminationSignals.h"

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

void CrashRest::Arm(const AD2PortTable& ports, PortWrite write, PortRead read) {
  g_ports = ports;
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
  g_write(g_ports.Out1Low, 0x00);
  g_write(g_ports.Out1High, 0x00);
  g_write(g_ports.Out2Low, 0x00);
  g_write(g_ports.Out2High, 0x08);
  if (g_read) g_read(g_ports.UpdateRead);
}

}  // namespace vantor
