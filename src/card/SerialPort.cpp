// SPDX-License-Identifier: GPL-3.0-or-later
// The serial line over libserialport. Exclusive use: TIOCEXCL (libserialport sets it)
// keeps other users out, and an flock on the device keeps out even another program run
// as root; /proc/locks names the holder.
//
// libserialport (0.1.1) refuses terminals it does not find in sysfs: pseudo-terminals,
// which the simulated bench and serial bridges (socat, ser2net) offer. Those are opened
// as a plain terminal in raw mode, with the same exclusive use and the same messages.
#include <fcntl.h>
#include <libserialport.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "card/CardLock.h"
#include "card/SerialLine.h"
#include "common/VantorError.h"

namespace vantor {

namespace {

constexpr int kWriteBoundMs = 500;

[[noreturn]] void ThrowBusy(const std::string& path, long pid) {
  const std::string who = DescribeHolder(pid);
  const std::string holder = who.empty() ? who : " par " + who;
  throw CardInUse("Le port série " + path + " est déjà utilisé" + holder +
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

// The device open on `fd` for this program alone, or the message naming who holds it.
bool TakeExclusive(int fd, long& holder) {
  holder = 0;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  struct stat st {};
  if (::fstat(fd, &st) == 0) holder = FlockHolder(st);
  return false;
}

[[noreturn]] void ThrowLost(const std::string& path) {
  throw VantorError("La liaison avec l'interface USB sur " + path +
                    " est coupée : vérifiez le câble USB, puis relancez la régulation");
}

class TerminalLine : public SerialLine {
 public:
  TerminalLine(const std::string& path, int fd) : path_(path), fd_(fd) {
    long holder = 0;
    if (!TakeExclusive(fd_, holder)) {
      ::close(fd_);
      ThrowBusy(path, holder);
    }
    ::ioctl(fd_, TIOCEXCL);
    termios t{};
    if (::tcgetattr(fd_, &t) == 0) {
      ::cfmakeraw(&t);
      ::cfsetispeed(&t, B115200);
      ::cfsetospeed(&t, B115200);
      ::tcsetattr(fd_, TCSANOW, &t);
    }
  }
  ~TerminalLine() override { ::close(fd_); }

  void Write(const std::string& bytes) override {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n > 0) {
        done += static_cast<std::size_t>(n);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN) {
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, kWriteBoundMs) > 0 && (p.revents & POLLOUT)) continue;
      }
      ThrowLost(path_);
    }
  }

  std::string Read(int timeoutMs) override {
    pollfd p{fd_, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs > 0 ? timeoutMs : 0);
    if (ready < 0 && errno == EINTR) return {};
    if (ready <= 0) return {};
    char buffer[256];
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n > 0) return std::string(buffer, static_cast<std::size_t>(n));
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return {};
    ThrowLost(path_);  // hang-up: the other end is gone
  }

  void DiscardInput() override { ::tcflush(fd_, TCIFLUSH); }

  std::string Name() const override { return path_; }

 private:
  std::string path_;
  int fd_;
};

class LibSerialPortLine : public SerialLine {
 public:
  LibSerialPortLine(const std::string& path, sp_port* port) : path_(path), port_(port) {
    if (sp_open(port_, SP_MODE_READ_WRITE) != SP_OK) {
      const int error = errno;
      sp_free_port(port_);
      port_ = nullptr;
      ThrowOpenFailure(path, error);
    }
    int fd = -1;
    sp_get_port_handle(port_, &fd);
    long holder = 0;
    if (fd >= 0 && !TakeExclusive(fd, holder)) {
      Close();
      ThrowBusy(path, holder);
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
    if (sent != static_cast<int>(bytes.size())) ThrowLost(path_);
  }

  std::string Read(int timeoutMs) override {
    char buffer[256];
    // No wait at all when asked for none: the loop looks for frames already waiting.
    const int got = timeoutMs > 0 ? sp_blocking_read_next(port_, buffer, sizeof buffer,
                                                           static_cast<unsigned>(timeoutMs))
                                  : sp_nonblocking_read(port_, buffer, sizeof buffer);
    if (got < 0) ThrowLost(path_);
    return std::string(buffer, static_cast<std::size_t>(got));
  }

  void DiscardInput() override { sp_flush(port_, SP_BUF_INPUT); }

  std::string Name() const override { return path_; }

 private:
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
  sp_port* port = nullptr;
  if (sp_get_port_by_name(path.c_str(), &port) == SP_OK)
    return std::make_unique<LibSerialPortLine>(path, port);
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) ThrowOpenFailure(path, errno);
  if (!::isatty(fd)) {
    ::close(fd);
    throw VantorError("« " + path +
                      " » n'est pas un port série : nommez le port de "
                      "l'interface USB (par exemple /dev/ttyACM0)");
  }
  return std::make_unique<TerminalLine>(path, fd);
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
