// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Choix de la carte", opened from the settings window (behind the password): the
// teacher chooses the ISA card (at the addresses of the settings window) or the USB
// interface board on a port, picked from the boards connected (with their USB
// description) or typed. The choice is saved in sauvegarde/carte.rtf and taken at the
// next start of the workstation on a real card. "Diagnostic de la carte…" checks the
// card in use with a loopback wire from output 1 to input 0.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "card/CardDiagnostic.h"
#include "card/CardFactory.h"
#include "widgets/Workstation.h"

namespace vantor {

class CardChoiceDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CardChoiceDialog(Workstation& workstation, QWidget* parent = nullptr);

  QRadioButton* IsaButton = nullptr;
  QRadioButton* UsbButton = nullptr;
  QComboBox* PortBox = nullptr;  // editable: a path may be typed
  QPushButton* RefreshButton = nullptr;
  QPushButton* WiringButton = nullptr;  // the board's wiring diagram
  QPushButton* SaveButton = nullptr;
  QPushButton* DiagnosticButton = nullptr;
  QLabel* Note = nullptr;
  QLabel* InUse = nullptr;  // the card the workstation drives now
  QTableWidget* DiagnosticTable = nullptr;
  QLabel* DiagnosticVerdict = nullptr;

  // Fills the controls from the card in service (from the saved choice when there is
  // none; the ISA card when none is saved), with a note naming a saved choice that
  // differs from it.
  void Refill();
  // Lists the serial ports again, keeping what is typed.
  void RefreshPorts();
  // The choice the controls show; throws VantorError for a USB board without a port.
  CardChoice ShownChoice() const;
  // Saves the shown choice; throws VantorError (nothing saved) when it is not usable.
  void Save();
  // Shows the USB board's wiring diagram over this window.
  void ShowWiring();
  // Runs the loopback check on the card in use and shows its table and verdict.
  void RunDiagnostic();
  // What the last check found.
  const CardDiagnostic& LastDiagnostic() const { return diagnostic_; }

 private:
  Workstation& workstation_;
  CardDiagnostic diagnostic_;
};

}  // namespace vantor
