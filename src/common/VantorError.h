// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's one error type. Its text is the French message shown to the user
// in the error box; code throws it where an operation cannot go on.
#include <stdexcept>
#include <string>

namespace vantor {

class VantorError : public std::runtime_error {
 public:
  explicit VantorError(const std::string& message) : std::runtime_error(message) {}
};

// The text shown in the error box: the message, with a final "." added when its
// last character sorts after "." (a letter or "?" gets one; ".", "!", "," or a blank does
// not). In a message of several lines the rule applies to the first line. Control
// characters quoted from a file or a device are replaced (ShownText), line breaks kept.
std::string ErrorBoxText(const std::string& message);

// printf-like helper for the messages that carry one string argument ("%s").
std::string FormatMessage(const std::string& pattern, const std::string& arg);

}  // namespace vantor
