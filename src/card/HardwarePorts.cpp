// SPDX-License-Identifier: GPL-3.0-or-later
#include "card/HardwarePorts.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "common/FileErrors.h"
#include "common/VantorError.h"

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__)) && __has_include(<sys/io.h>)
#include <sys/io.h>
#define VANTOR_HAVE_PORT_IO 1
#else
#define VANTOR_HAVE_PORT_IO 0
#endif

namespace vantor {

namespace {
constexpr int kBlockSize = 8;

std::string Hex(std::uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "$%X", value);
  return text;
}

// The program's own file, as the setcap command needs it.
std::string ProgramPath() {
  char path[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : "<programme>";
}

#if VANTOR_HAVE_PORT_IO
// Ports above 0xFFF8 would wrap past the end of the I/O space.
int GrantBlock(std::uint16_t base, int turnOn) {
  if (base > 0x10000 - kBlockSize) {
    errno = EINVAL;
    return -1;
  }
  return ioperm(base, kBlockSize, turnOn);
}
#endif
}  // namespace

std::string HardwarePorts::AccessRefusedMessage(int errnoValue, std::uint16_t adr1,
                                                std::uint16_t adr2) {
  std::string cause;
  std::string remedy;
  switch (errnoValue) {
    case EPERM:
    case EACCES:
      cause =
          "le programme n'a pas le droit d'accéder directement aux ports d'entrée-sortie "
          "(il faut être root ou avoir la capacité CAP_SYS_RAWIO, et le noyau ne doit pas être "
          "verrouillé par le démarrage sécurisé)";
      remedy =
          "lancez le programme en root (sudo) ou accordez-lui la capacité, une fois pour "
          "toutes (à refaire après une mise à jour) : sudo setcap cap_sys_rawio+ep " +
          ProgramPath();
      break;
    case ENOSYS:
      cause =
          "le noyau de cette machine ne permet pas l'accès direct aux ports d'entrée-sortie "
          "(fonction ioperm absente, par exemple dans une machine virtuelle, un conteneur ou "
          "sur un processeur non x86)";
      remedy = "installez le programme sur le PC qui porte la carte, sous un noyau Linux x86";
      break;
    case EINVAL:
      cause = "ces adresses ne désignent pas deux blocs de huit ports valides";
      remedy = "corrigez les adresses ADR1 et ADR2 dans le menu Paramétrage, puis relancez";
      break;
    default:
      cause = SystemCauseText(errnoValue);
      remedy = "vérifiez l'installation de la carte";
      break;
  }
  return "Accès à la carte d'acquisition impossible aux adresses " + Hex(adr1) + " et " +
         Hex(adr2) + " : " + cause + ". Pour y remédier, " + remedy +
         " ; sans carte, utilisez la carte simulée en lançant regulateur-vantor-simulation";
}

std::unique_ptr<HardwarePorts> HardwarePorts::Open(std::uint16_t adr1, std::uint16_t adr2) {
#if VANTOR_HAVE_PORT_IO
  if (GrantBlock(adr1, 1) != 0) throw VantorError(AccessRefusedMessage(errno, adr1, adr2));
  if (GrantBlock(adr2, 1) != 0) {
    const int error = errno;
    GrantBlock(adr1, 0);
    throw VantorError(AccessRefusedMessage(error, adr1, adr2));
  }
  return std::unique_ptr<HardwarePorts>(new HardwarePorts(adr1, adr2));
#else
  throw VantorError(AccessRefusedMessage(ENOSYS, adr1, adr2));
#endif
}

HardwarePorts::~HardwarePorts() {
#if VANTOR_HAVE_PORT_IO
  GrantBlock(adr1_, 0);
  GrantBlock(adr2_, 0);
#endif
}

std::uint8_t HardwarePorts::PortRead(std::uint16_t port) {
  return RawRead(port);
}

void HardwarePorts::PortWrite(std::uint16_t port, std::uint8_t value) {
  RawWrite(port, value);
}

std::uint8_t HardwarePorts::RawRead(std::uint16_t port) {
#if VANTOR_HAVE_PORT_IO
  return inb(port);
#else
  (void)port;
  return 0xFF;
#endif
}

void HardwarePorts::RawWrite(std::uint16_t port, std::uint8_t value) {
#if VANTOR_HAVE_PORT_IO
  outb(value, port);
#else
  (void)port;
  (void)value;
#endif
}

}  // namespace vantor
