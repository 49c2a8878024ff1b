// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A serial line to the USB interface board: bytes out, bytes in with a bounded wait.
// The program's line is a serial port opened through libserialport (exclusive, 115200
// bauds, 8N1); the tests use lines of their own.
#include <memory>
#include <string>
#include <vector>

namespace vantor {

class SerialLine {
 public:
  virtual ~SerialLine() = default;
  // Sends every byte, or throws VantorError when the line is gone.
  virtual void Write(const std::string& bytes) = 0;
  // What has arrived, waiting up to timeoutMs for the first byte: empty when nothing
  // came in time. Throws VantorError when the line is gone (cable pulled).
  virtual std::string Read(int timeoutMs) = 0;
  // Drops what the system received and holds unread (frames of an earlier run).
  virtual void DiscardInput() {
    while (!Read(0).empty()) {
    }
  }
  // The port's path, for messages.
  virtual std::string Name() const = 0;
};

// Opens the serial port at `path` for this program alone. Throws VantorError with a
// French message: no such port, permission (the dialout group and how to join it),
// the port held by another program (its PID when the system says), other failures.
std::unique_ptr<SerialLine> OpenSerialPort(const std::string& path);

// A serial port the system lists, with its USB description.
struct SerialPortInfo {
  std::string Path;             // "/dev/ttyACM0"
  std::string Description;      // "Arduino Uno", as the USB device names itself
  bool LooksLikeBoard = false;  // an Arduino or a common USB-serial bridge
};
std::vector<SerialPortInfo> ListSerialPorts();

}  // namespace vantor
