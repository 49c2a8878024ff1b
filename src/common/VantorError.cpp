#include "VantorError.h"

namespace vantor {

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
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
