// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Lines of the USB board's protocol as a board sends them, for the tests' fake boards.
#include <cstdint>
#include <cstdio>
#include <string>

#include "protocol.h"

namespace vantor::board_lines {

// "payload*CC\n" with the payload's CRC-8.
inline std::string Sealed(const std::string& payload) {
  char crc[3];
  std::snprintf(crc, sizeof crc, "%02X",
                vp_crc8(payload.data(), static_cast<std::uint8_t>(payload.size())));
  return payload + "*" + crc + "\n";
}

// A period frame's payload: sequence number, the two inputs' counts, status, delay.
inline std::string FramePayload(unsigned seq, unsigned in0, unsigned in1, unsigned status,
                                unsigned delay = 0x30) {
  char text[32];
  std::snprintf(text, sizeof text, "T%04X%03X%03X%02X00%02X", seq, in0, in1, status, delay);
  return text;
}

}  // namespace vantor::board_lines
