// SPDX-License-Identifier: GPL-3.0-or-later
// The RTF writer: one-paragraph documents for the settings files.
#include <string>

#include "common/Rtf.h"
#include "common/RtfText.h"
#include "common/TextEncoding.h"

namespace vantor {

std::string WriteRtf(std::string_view text) {
  std::string out =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1036"
      "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\r\n"
      "\\viewkind4\\uc1\\pard\\f0\\fs20 ";
  static constexpr char kHex[] = "0123456789abcdef";
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char32_t ch = NextUtf8(text, pos);
    if (ch == '\r' || ch == '\n') {
      // "\r\n" is one line break.
      if (ch == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
      out += "\\par\r\n";
    } else if (ch == '\t') {
      out += "\\tab ";
    } else if (IsDroppedControl(ch)) {
      continue;
    } else if (ch == '\\' || ch == '{' || ch == '}') {
      out += '\\';
      out += static_cast<char>(ch);
    } else if (ch < 0x80) {
      out += static_cast<char>(ch);
    } else if (const int byte = UnicodeToCp1252(ch); byte >= 0) {
      out += "\\'";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      // \uN takes a signed 16-bit N; characters beyond the BMP go as a surrogate pair.
      char16_t units[2];
      const int count = ToUtf16(ch, units);
      for (int k = 0; k < count; ++k) {
        const long u = units[k];
        out += "\\u";
        out += std::to_string(u >= 0x8000 ? u - 65536L : u);
        out += '?';
      }
    }
  }
  out += "\\par\r\n}\r\n";
  return out;
}

}  // namespace vantor
