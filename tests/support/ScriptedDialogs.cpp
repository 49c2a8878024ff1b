// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedDialogs.h"

#include "widgets/Printer.h"

namespace vantor {

void ScriptedDialogs::Message(QWidget*, const QString& text) {
  messages << text;
  if (onMessage) onMessage();
}

bool ScriptedDialogs::Confirm(QWidget*, const QString& text) {
  confirmations << text;
  bool answer = true;
  if (!confirmAnswers.empty()) {
    answer = confirmAnswers.front();
    confirmAnswers.pop_front();
  }
  if (onMessage) onMessage();
  return answer;
}

void ScriptedDialogs::Error(QWidget*, const QString& text) {
  errors << text;
  if (onMessage) onMessage();
}

bool ScriptedDialogs::PrintDialog(QWidget*, Printer& printer) {
  ++printDialogs;
  if (printDialogAnswer && !pdfPath.isEmpty()) printer.SetOutputPdf(pdfPath);
  return printDialogAnswer;
}

bool ScriptedDialogs::PrinterSetupDialog(QWidget*, Printer&) {
  ++setupDialogs;
  return setupDialogAnswer;
}

void ScriptedDialogs::Beep() {
  ++beeps;
}

QString ScriptedDialogs::OpenFileName(QWidget*, const QString&, const QString& folder,
                                      const QString&) {
  fileDialogStarts << folder;
  if (fileAnswers.empty()) return {};
  const QString answer = fileAnswers.front();
  fileAnswers.pop_front();
  return answer;
}

QString ScriptedDialogs::SaveFileName(QWidget* parent, const QString& title,
                                      const QString& proposed, const QString& filter) {
  return OpenFileName(parent, title, proposed, filter);
}

}  // namespace vantor
