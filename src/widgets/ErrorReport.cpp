// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/ErrorReport.h"

#include "common/VantorError.h"
#include "widgets/Dialogs.h"

namespace vantor {

QString ErrorText(const std::exception& e) {
  return QString::fromStdString(ErrorBoxText(e.what()));
}

bool Guarded(QWidget* parent, const std::function<void()>& f) {
  // The box is shown after the handler has been left (the catch blocks only copy the
  // text), so whatever the handler held is already released when the user reads it.
  QString text;
  try {
    f();
    return true;
  } catch (const std::exception& e) {
    text = ErrorText(e);
  } catch (...) {
    text = QString::fromStdString(ErrorBoxText("Erreur inattendue"));
  }
  Dialogs::Current().Error(parent, text);
  return false;
}

}  // namespace vantor
