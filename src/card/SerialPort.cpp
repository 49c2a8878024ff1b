// SPDX-License-Identifier: GPL-3.0-or-later
// The serial line over libserialport. Exclusive use: TIOCEXCL (libserialport sets it)
// keeps other users out, and an flock on the device keeps out even another program run
// as root; /proc/locks names the holder.
#include <libserialport.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "SerialLine.h"
#include "VantorError.h"

namespace vantor {

namespace {

constexpr int kWriteBoundMs = 500;

// The PID holding an flock on the file whose device and inode are these, or 0.
long LockHolder(const struct stat& st) {
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
    if (inode == st.st_ino && major == major(st.st_dev) && minor == minor(st.st_dev))
      return pid;
  }
  return 0;
}

std::string ProgramName(long pid) {
  std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

[[noreturn]] void ThrowBusy(const std::string& path, long pid) {
  std::string holder;
  if (pid > 0) {
    const std::string name = ProgramName(pid);
    holder = " par " + (name.empty() ? std::string("le programme") : "« " + name + " »") +
             " (PID " + std::to_string(pid) + ")";
  }
  throw VantorError("Le port série " + path + " est déjà utilisé" + holder +
                    " : une seule régulation peut piloter l'interface USB. Fermez l'autre "
                    "programme, puis relancez celui-ci");
}

[[noreturn]] void ThrowOpenFailure(const std::string& path, int error) {
  if (error == ENOENT || error == ENODEV || error == ENXIO)
    throw VantorError("Le port série " + path +
                      " n'existe pas : l'interface USB n'est pas branchée, ou elle porte un "
                      "autre nom (choisissez-la dans la liste des ports du menu Paramétrage)");
  if (error == EACCES || error == EPERM)
    throw VantorError("Accès refusé au port série " + path +
                      " : l'utilisateur n'est pas dans le groupe dialout. Ajoutez-l'y avec la "
                      "commande « sudo adduser $USER dialout », puis fermez la session et "
                      "rouvrez-la");
  if (error == EBUSY) ThrowBusy(path, 0);
  throw VantorError("Impossible d'ouvrir le port série " + path + " : " + std::strerror(error));
}

class LibSerialPortLine : public SerialLine {
 public:
  explicit LibSerialPortLine(const std::string& path) : path_(path) {
    if (sp_get_port_by_name(path.c_str(), &port_) != SP_OK) ThrowOpenFailure(path, ENOENT);
    if (sp_open(port_, SP_MODE_READ_WRITE) != SP_OK) {
      const int error = errno;
      sp_free_port(port_);
      port_ = nullptr;
      ThrowOpenFailure(path, error);
    }
    int fd = -1;
    sp_get_port_handle(port_, &fd);
    if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      struct stat st {};
      const long pid = ::fstat(fd, &st) == 0 ? LockHolder(st) : 0;
      Close();
      ThrowBusy(path, pid);
    }
    // 115200 bauds, 8N1, no flow control. A pseudo-terminal (the simulated bench) takes
    // the speed without the modem lines: those settings may fail there harmlessly.
    sp_set_baudrate(port_, 115200);
    sp_set_bits(port_, 8);
    sp_set_parity(port_, SP_PARITY_NONE);
    sp_set_stopbits(port_, 1);
    sp_set_flowcontrol(port_, SP_FLOWCONTROL_NONE);
  }
  ~LibSerialPortLine() override { Close(); }

  void Write(const std::string& bytes) override {
    const int sent = sp_blocking_write(port_, bytes.data(), bytes.size(), kWriteBoundMs);
    if (sent != static_cast<int>(bytes.size())) ThrowLost();
  }

  std::string Read(int timeoutMs) override {
    char buffer[256];
    const int got = sp_blocking_read_next(port_, buffer, sizeof buffer,
                                          static_cast<unsigned>(timeoutMs > 0 ? timeoutMs : 1));
    if (got < 0) ThrowLost();
    return std::string(buffer, static_cast<std::size_t>(got));
  }

  std::string Name() const override { return path_; }

 private:
  [[noreturn]] void ThrowLost() const {
    throw VantorError("La liaison avec l'interface USB sur " + path_ +
                      " est coupée : vérifiez le câble USB, puis relancez la régulation");
  }
  void Close() {
    if (!port_) return;
    sp_close(port_);
    sp_free_port(port_);
    port_ = nullptr;
  }

  std::string path_;
  sp_port* port_ = nullptr;
};

bool IsBoardVendor(int vid) {
  // Arduino, Arduino (older), WCH CH340, FTDI, Silicon Labs CP210x.
  return vid == 0x2341 || vid == 0x2A03 || vid == 0x1A86 || vid == 0x0403 || vid == 0x10C4;
}

}  // namespace

std::unique_ptr<SerialLine> OpenSerialPort(const std::string& path) {
  return std::make_unique<LibSerialPortLine>(path);
}

std::vector<SerialPortInfo> ListSerialPorts() {
  std::vector<SerialPortInfo> ports;
  sp_port** list = nullptr;
  if (sp_list_ports(&list) != SP_OK) return ports;
  for (int i = 0; list[i]; ++i) {
    SerialPortInfo info;
    info.Path = sp_get_port_name(list[i]);
    if (const char* d = sp_get_port_description(list[i])) info.Description = d;
    int vid = 0, pid = 0;
    if (sp_get_port_transport(list[i]) == SP_TRANSPORT_USB &&
        sp_get_port_usb_vid_pid(list[i], &vid, &pid) == SP_OK)
      info.LooksLikeBoard = IsBoardVendor(vid);
    ports.push_back(info);
  }
  sp_free_port_list(list);
  return ports;
}

}  // namespace vantor
