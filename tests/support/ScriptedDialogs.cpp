// SPDX-License-Identifier: GPL-3.0-or-later
#include "ScriptedDialogs.h"

#include "widgets/Printer.h"

namespace vantor {

void ScriptedDialogs::Message(QWidget*, const QString& text) {
  messages << text;
  if (onMessage) onMessage();
}

void ScriptedDialogs::Ask(QWidget*, const QString& text, std::function<void(bool)> answered) {
  confirmations << text;
  asks.push_back(std::move(answered));
  if (onMessage) onMessage();
}

int ScriptedDialogs::Exec(QDialog& dialog) {
  if (RunInProgress()) ++waitedDuringRun;
  return Dialogs::Exec(dialog);
}

bool ScriptedDialogs::Confirm(QWidget*, const QString& text) {
  if (RunInProgress()) ++waitedDuringRun;
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
  if (RunInProgress()) ++waitedDuringRun;
  ++printDialogs;
  if (printDialogAnswer && !pdfPath.isEmpty()) printer.SetOutputPdf(pdfPath);
  return printDialogAnswer;
}

bool ScriptedDialogs::PrinterSetupDialog(QWidget*, Printer&) {
  if (RunInProgress()) ++waitedDuringRun;
  ++setupDialogs;
  return setupDialogAnswer;
}

void ScriptedDialogs::Beep() {
  ++beeps;
}

QString ScriptedDialogs::OpenFileName(QWidget*, const QString&, const QString& folder,
                                      const QString&) {
  if (RunInProgress()) ++waitedDuringRun;
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
