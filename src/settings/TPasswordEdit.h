// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The entry of a password: one "*" shown per character typed, and every letter turned
// into lower case as it is typed or pasted (the stored password is lower case).
#include <QLineEdit>

namespace vantor {

class TPasswordEdit : public QLineEdit {
  Q_OBJECT
 public:
  TPasswordEdit(QWidget* parent, const QString& name);
};

}  // namespace vantor
