// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text rules shared by the RTF reader, the plain-text conversion and the RTF writer.

namespace vantor {

// Control characters other than tab and line break carry no text and are dropped, by
// the reader (RTF or plain text) as by the writer.
inline bool IsDroppedControl(char32_t ch) {
  return (ch < 0x20 && ch != '\t' && ch != '\n') || ch == 0x7F;
}

}  // namespace vantor
