// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The number typed in a field of the extra windows (relay test, corrector structure, Bode
// model), read as the program reads every number ('.' as the decimal point).
#include <QLineEdit>

namespace vantor {

// The field's value; throws VantorError "<name> : « <text> » n'est pas un nombre", with
// " (point décimal, par exemple <example>)" when an example is given.
double ReadNumberField(const QLineEdit* field, const char* name, const char* example = nullptr);

}  // namespace vantor
