// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The password window TFormpass (unit Upass): the only way to the settings window and
// to open-loop operation, and where the password is changed. The workstation says why
// it is shown (PasswordAskedFor): the settings, a change of password, the open loop, a
// teacher's window of the extras or the session's unlock (the workstation's teacher
// action opens them). The first validation with the shipped password suggests changing
// it.
// The password is read from its settings file on every showing; there is no built-in
// or master password.
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>

#include "settings/TPasswordEdit.h"
#include "widgets/TPanel.h"
#include "widgets/Workstation.h"

namespace vantor {

class TFormpass : public QDialog {
  Q_OBJECT
 public:
  explicit TFormpass(Workstation& workstation);

  // The first five characters of the password file, of the new password's first entry
  // and of its confirmation.
  QString ReferencePassword;
  QString NewPassword;
  QString ConfirmedPassword;

  // ---- Controls -------------------------------------------------------------------
  TPanel* Panel11 = nullptr;  // validation
  QLabel* Label7 = nullptr;
  TPasswordEdit* Edit6 = nullptr;
  QPushButton* BitBtn3 = nullptr;  // "Valider"
  QLabel* Label16 = nullptr;       // wrong password
  QPushButton* BitBtn4 = nullptr;  // "Annuler"

  TPanel* Panel14 = nullptr;  // change of password
  QLabel* Label1 = nullptr;   // old password prompt
  TPasswordEdit* Edit1 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QLabel* Label3 = nullptr;  // wrong old password
  QLabel* Label2 = nullptr;  // new password prompt
  TPasswordEdit* Edit2 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QLabel* Label8 = nullptr;  // five letters required
  QLabel* Label4 = nullptr;  // confirmation prompt
  TPasswordEdit* Edit3 = nullptr;
  QPushButton* BitBtn5 = nullptr;
  QLabel* Label5 = nullptr;        // not confirmed
  QLabel* Label6 = nullptr;        // success
  QTextEdit* RichEdit1 = nullptr;  // hidden

  // ---- Handlers (each throws VantorError where its work stops) ---------------------
  void FormShow();
  void BitBtn3Click();  // validation, purposes 0 and 2
  void BitBtn1Click();  // old password
  void BitBtn2Click();  // new password
  void BitBtn5Click();  // confirmation

  // True when the password file was read on this showing: until then no entry matches.
  bool ReferenceRead() const { return referenceRead_; }

 protected:
  void showEvent(QShowEvent* event) override;
  // Enter validates the one step whose "Valider" is visible and enabled (nothing once
  // the change has succeeded); Escape is "Annuler" where that button is shown.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildValidationPanel();
  void BuildChangePanel();
  // Marks the current step's "Valider" as the default button.
  void UpdateDefaultButton();
  bool Matches(const QString& entry) const;

  Workstation& main_;
  bool referenceRead_ = false;
  // The change of the shipped password has been suggested (once per program).
  bool shippedPasswordNoted_ = false;
};

// The first `count` characters of a text (a character outside the basic plane counts
// as one and is never cut in two).
QString FirstCharacters(const QString& text, int count);
// Number of characters of a text, counted as FirstCharacters counts them.
int CharacterCount(const QString& text);

}  // namespace vantor
