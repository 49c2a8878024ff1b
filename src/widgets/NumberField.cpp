// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/NumberField.h"

#include <string>

#include "common/Numbers.h"
#include "common/VantorError.h"
#include "widgets/QtText.h"

namespace vantor {

double ReadNumberField(const QLineEdit* field, const char* name, const char* example) {
  const std::string text = ToStdString(field->text().trimmed());
  try {
    return static_cast<double>(StrToFloat(text));
  } catch (const VantorError&) {
    std::string message = std::string(name) + " : « " + text + " » n'est pas un nombre";
    if (example) message += std::string(" (point décimal, par exemple ") + example + ")";
    throw VantorError(message);
  }
}

}  // namespace vantor
