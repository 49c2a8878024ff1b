// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The number typed in a field of the extra windows (relay test, corrector structure, Bode
// model, exercise answer). The program reads every number with '.' as the decimal point;
// these fields also take the French decimal comma: "4,2" is 4.2.
#include <QLineEdit>

namespace vantor {

// The field's value; throws VantorError "<name> : « <text> » n'est pas un nombre", with
// " (par exemple <example> ou <example with a comma>)" when an example is given.
double ReadNumberField(const QLineEdit* field, const char* name, const char* example = nullptr);

// The text of a field with its one decimal comma made a point ("4,2" -> "4.2"); any other
// text as it is (a comma beside a point, or two commas, stay refused).
std::string WithDecimalPoint(const std::string& text);

}  // namespace vantor
