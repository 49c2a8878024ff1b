// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/VantorError.h"

#include "common/TextEncoding.h"

namespace vantor {

std::string ErrorBoxText(const std::string& raw) {
  // A message may quote a file's line or a device's answer: what would move the cursor,
  // change colours or turn the text around is not shown; its lines stay lines.
  const std::string message = ShownText(raw, true);
  // A second line (the file concerned, the cause) is shown as it is, after the first.
  const std::size_t end = message.find('\n');
  const std::string first = message.substr(0, end);
  const std::string rest = end == std::string::npos ? std::string() : message.substr(end);
  if (!first.empty() && static_cast<unsigned char>(first.back()) > '.') return first + "." + rest;
  return message;
}

std::string FormatMessage(const std::string& pattern, const std::string& arg) {
  std::string out;
  out.reserve(pattern.size() + arg.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
      out += arg;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

}  // namespace vantor
