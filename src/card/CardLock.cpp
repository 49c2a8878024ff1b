// SPDX-License-Identifier: GPL-3.0-or-later
#include "card/CardLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "common/VantorError.h"

namespace vantor {

long FlockHolder(const struct stat& file) {
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    // "1: FLOCK  ADVISORY  WRITE 1234 00:19:5 0 EOF"
    std::istringstream in(line);
    std::string number, kind, mode, access, where;
    long pid = 0;
    if (!(in >> number >> kind >> mode >> access)) continue;
    if (access == "->") continue;  // a waiter
    if (!(in >> pid >> where)) continue;
    unsigned major = 0, minor = 0;
    unsigned long inode = 0;
    if (std::sscanf(where.c_str(), "%x:%x:%lu", &major, &minor, &inode) != 3) continue;
    if (inode == file.st_ino && major == major(file.st_dev) && minor == minor(file.st_dev))
      return pid;
  }
  return 0;
}

std::string DescribeHolder(long pid) {
  if (pid <= 0) return {};
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return (name.empty() ? std::string("le programme") : "« " + name + " »") + " (PID " +
         std::to_string(pid) + ")";
}

CardLock CardLock::TakeIsaCard(std::uint16_t adr1, std::uint16_t adr2, const std::string& folder) {
  char name[64];
  std::snprintf(name, sizeof name, "/regulateur-vantor-carte-%x-%x.lock", adr1, adr2);
  const std::string path = folder + name;
  char addresses[32];
  std::snprintf(addresses, sizeof addresses, "$%X/$%X", adr1, adr2);
  // Never through a link planted at the lock's name, and never blocking.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0)
    throw VantorError(std::string("Impossible de réserver la carte d'acquisition en ") +
                      addresses + " : le fichier de verrou " + path +
                      " ne peut pas être ouvert (" + std::strerror(errno) + ")");
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    struct stat st {};
    const long holder = ::fstat(fd, &st) == 0 ? FlockHolder(st) : 0;
    ::close(fd);
    const std::string who = DescribeHolder(holder);
    throw CardInUse(std::string("La carte d'acquisition en ") + addresses +
                      " est déjà utilisée" + (who.empty() ? "" : " par " + who) +
                      " : une seule régulation peut piloter la carte. Fermez l'autre "
                      "programme, puis relancez celui-ci");
  }
  return CardLock(fd);
}

CardLock::~CardLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace vantor
