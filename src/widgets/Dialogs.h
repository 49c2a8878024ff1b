// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one way the program shows modal boxes: message, confirmation, error, print dialog,
// printer set-up, file choice, the beep, and its own modal windows (settings, password,
// simulation dialogs). The program uses QtDialogs; tests install their scripted
// dialogs (tests/support), which record what would have been shown and answer as
// scripted, so no test blocks.
// QtDialogs shows every box and dialog over the window in front of the program (the open
// modal window, else the active one), whatever window asked, so that no box opens hidden
// behind another window of the program.
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "widgets/Printer.h"

class QDialog;
class QWidget;

namespace vantor {

// What a dialog that needs an answer says when it is refused during a run.
inline constexpr const char* kWaitForRunEndText =
    "Cette commande attend la fin de la régulation en cours : cliquez sur « Fin », puis "
    "recommencez.";

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // Plain box with an OK button, titled with the application's title.
  virtual void Message(QWidget* parent, const QString& text) = 0;
  // Question icon, title "Confirmation", buttons "OK" and "Annuler"; true on OK.
  virtual bool Confirm(QWidget* parent, const QString& text) = 0;
  // The same question without an event loop of its own: the box is shown and `answered`
  // is called later, from the program's event loop, with true on OK. A question asked
  // during a run uses it, so that the run's cycles go on while it is open.
  virtual void Ask(QWidget* parent, const QString& text, std::function<void(bool)> answered) = 0;
  // Error icon, the application's title, the text as given.
  virtual void Error(QWidget* parent, const QString& text) = 0;
  // The print dialog on the program's printer; true when confirmed.
  virtual bool PrintDialog(QWidget* parent, Printer& printer) = 0;
  // The printer set-up dialog (paper, orientation); true when confirmed.
  virtual bool PrinterSetupDialog(QWidget* parent, Printer& printer) = 0;
  virtual void Beep() = 0;
  // One of the program's own windows, modal: returns when it is closed, with its result
  // (QDialog::Accepted or Rejected). Every implementation runs the window itself.
  virtual int Exec(QDialog& dialog);
  // File choice in French, starting in `folder` (a file name in it is proposed when
  // saving), showing the files that match `filter` ("Essais (*.csv)"). The chosen path,
  // or an empty text when cancelled. Saving asks before replacing a file.
  virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& folder,
                               const QString& filter) = 0;
  virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& proposed,
                               const QString& filter) = 0;

  // The dialogs in use (QtDialogs unless another was installed).
  static Dialogs& Current();

  // While a run is in progress no box may run an event loop of its own: the run's message
  // turn would stop inside it, its order still driving the motor, until the user
  // answered. Messages and errors are then shown without waiting; a dialog that needs an
  // answer (confirmation, print, file, the program's own modal windows) is refused with
  // kWaitForRunEndText, shown without waiting, as if cancelled.
  static void SetRunInProgress(bool running);
  static bool RunInProgress();
  // Installs `d` (not owned); nullptr goes back to QtDialogs.
  static void Install(Dialogs* d);
};

// Installs a Dialogs for the life of the scope and puts the previous one back.
class DialogsScope {
 public:
  explicit DialogsScope(Dialogs* d);
  ~DialogsScope();
  DialogsScope(const DialogsScope&) = delete;
  DialogsScope& operator=(const DialogsScope&) = delete;

 private:
  Dialogs* previous_;
};

class QtDialogs : public Dialogs {
 public:
  void Message(QWidget* parent, const QString& text) override;
  bool Confirm(QWidget* parent, const QString& text) override;
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
};

}  // namespace vantor
