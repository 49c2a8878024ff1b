// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The message of the VantorError a call throws, to compare with the French text expected.
#include <functional>
#include <string>

#include "common/VantorError.h"

namespace vantor {

// The message `f` throws, or "(nothing thrown)".
inline std::string ThrownText(const std::function<void()>& f) {
  try {
    f();
  } catch (const VantorError& e) {
    return e.what();
  }
  return "(nothing thrown)";
}

}  // namespace vantor
