// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's version, from the build's project version.
namespace vantor {

inline constexpr const char* kProgramVersion = VANTOR_VERSION;

}  // namespace vantor
