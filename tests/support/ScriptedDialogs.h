// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dialogs of the tests: every box and dialog is recorded and answered as scripted,
// so no test ever blocks on a modal window.
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "widgets/Dialogs.h"

namespace vantor {

class ScriptedDialogs : public Dialogs {
 public:
  void Message(QWidget* parent, const QString& text) override;
  bool Confirm(QWidget* parent, const QString& text) override;
  // Recorded with the confirmations; the answer waits in `asks` until the test gives it.
  void Ask(QWidget* parent, const QString& text, std::function<void(bool)> answered) override;
  int Exec(QDialog& dialog) override;
  void Error(QWidget* parent, const QString& text) override;
  bool PrintDialog(QWidget* parent, Printer& printer) override;
  bool PrinterSetupDialog(QWidget* parent, Printer& printer) override;
  void Beep() override;
  QString OpenFileName(QWidget* parent, const QString& title, const QString& folder,
                       const QString& filter) override;
  QString SaveFileName(QWidget* parent, const QString& title, const QString& proposed,
                       const QString& filter) override;

  QStringList messages, errors, confirmations;  // texts shown, in order
  int beeps = 0;
  std::deque<bool> confirmAnswers;  // answers to Confirm, in order; true when empty
  bool printDialogAnswer = true;
  QString pdfPath;  // when set, a confirmed PrintDialog routes the output to this file
  int printDialogs = 0, setupDialogs = 0;  // dialogs shown
  bool setupDialogAnswer = true;
  // Answers to the file dialogs, in order (empty: cancelled), and where each one started.
  std::deque<QString> fileAnswers;
  QStringList fileDialogStarts;
  // Called after any box (message, confirmation or error) has been recorded, while the
  // box would be open.
  std::function<void()> onMessage;
  // Questions asked without waiting, oldest first: call one to answer it.
  std::deque<std::function<void(bool)>> asks;
  // Dialogs that would have run an event loop of their own during a run (a confirmation,
  // a print or file dialog, a modal window): each would have held the loop up.
  int waitedDuringRun = 0;
};

}  // namespace vantor
