// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/NumberField.h"

#include <algorithm>
#include <string>

#include "common/Numbers.h"
#include "common/VantorError.h"
#include "widgets/QtText.h"

namespace vantor {

std::string WithDecimalPoint(const std::string& text) {
  const auto comma = text.find(',');
  if (comma == std::string::npos || text.find(',', comma + 1) != std::string::npos ||
      text.find('.') != std::string::npos)
    return text;
  std::string point = text;
  point[comma] = '.';
  return point;
}

double ReadNumberField(const QLineEdit* field, const char* name, const char* example) {
  const std::string text = ToStdString(field->text().trimmed());
  try {
    return static_cast<double>(StrToFloat(WithDecimalPoint(text)));
  } catch (const VantorError&) {
    std::string message = std::string(name) + " : « " + text + " » n'est pas un nombre";
    if (example) {
      std::string comma = example;
      std::replace(comma.begin(), comma.end(), '.', ',');
      message += std::string(" (par exemple ") + example + " ou " + comma + ")";
    }
    throw VantorError(message);
  }
}

}  // namespace vantor
