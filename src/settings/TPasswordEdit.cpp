// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/TPasswordEdit.h"

#include <QValidator>

namespace vantor {

namespace {

// Accepts any text, lower-cased. The line edit runs it on every change, typed, pasted
// or set by the program.
class LowerCaseValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& /*pos*/) const override {
    input = input.toLower();
    return Acceptable;
  }
};

}  // namespace

TPasswordEdit::TPasswordEdit(QWidget* parent, const QString& name) : QLineEdit(parent) {
  setObjectName(name);
  setEchoMode(QLineEdit::Password);
  // 42 is "*": the style's own mask character is often a bullet.
  setStyleSheet("QLineEdit { lineedit-password-character: 42; }");
  setValidator(new LowerCaseValidator(this));
}

}  // namespace vantor
