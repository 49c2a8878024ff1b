// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/TerminationSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace vantor {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

volatile std::sig_atomic_t g_pending = 0;
int g_pipe[2] = {-1, -1};
std::atomic<void (*)()> g_emergencyRest{nullptr};
const char* g_program = "";

const char* Describe(int signal) {
  switch (signal) {
    case SIGTERM:
      return "demande d'arrêt (SIGTERM)";
    case SIGINT:
      return "interruption (SIGINT, Ctrl+C)";
    case SIGHUP:
      return "terminal fermé (SIGHUP)";
    case SIGQUIT:
      return "abandon (SIGQUIT)";
    default:
      return "signal";
  }
}

void WriteText(const char* text) {
  std::size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t put = ::write(STDERR_FILENO, text, left);
    if (put <= 0) return;
    text += put;
    left -= static_cast<std::size_t>(put);
  }
}

void OnTermination(int signal) {
  const int savedErrno = errno;
  if (g_pending == 0) {
    g_pending = signal;
    const char byte = static_cast<char>(signal);
    if (::write(g_pipe[1], &byte, 1) < 0) {
      // The pipe is full only when many signals arrived: the first is already noted.
    }
    errno = savedErrno;
    return;
  }
  // The program has not reacted to the first signal: end here.
  void (*rest)() = g_emergencyRest.load();
  if (rest) rest();
  WriteText(g_program);
  WriteText(rest ? " : second signal d'arrêt, sorties de la carte mises au repos, arrêt immédiat\n"
                 : " : second signal d'arrêt, arrêt immédiat\n");
  ::_exit(128 + signal);
}

}  // namespace

void TerminationSignals::Install(const char* program) {
  g_program = program;
  if (g_pipe[0] >= 0) return;
  if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) g_pipe[0] = g_pipe[1] = -1;
  struct sigaction action {};
  action.sa_handler = OnTermination;
  sigemptyset(&action.sa_mask);
  for (int s : kSignals) sigaddset(&action.sa_mask, s);
  action.sa_flags = SA_RESTART;
  for (int s : kSignals) ::sigaction(s, &action, nullptr);
}

int TerminationSignals::Pending() {
  return g_pending;
}

int TerminationSignals::NotifyDescriptor() {
  return g_pipe[0];
}

void TerminationSignals::SetEmergencyRest(void (*rest)()) {
  g_emergencyRest.store(rest);
}

std::string TerminationSignals::RestLine(const std::string& program, int signal) {
  return program + " : " + Describe(signal) +
         " : sorties de la carte mises au repos (sortie 2 à 2048, sortie 1 à 0), programme "
         "arrêté";
}

}  // namespace vantor
