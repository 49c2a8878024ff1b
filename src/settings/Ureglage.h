// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings window TForm4 (unit Ureglage): the teacher's operating ranges (gain
// ranges, step and periodic setpoint limits, order limits) and the card's addresses.
// Each section applies its values to the main window at once and saves them in the
// settings files; the gain ranges are applied and saved on every closing. Created once,
// hidden between showings; shown modally by the password window.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <array>
#include <string>

#include "settings/TRadioGroup.h"
#include "widgets/TPanel.h"
#include "widgets/Workstation.h"

namespace vantor {

class CardChoiceDialog;

class TForm4 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm4(Workstation& workstation);

  // ---- Controls -------------------------------------------------------------------
  TPanel* Panel1 = nullptr;  // gain ranges
  TPanel* Panel5 = nullptr;
  TRadioGroup* RadioGroup1 = nullptr;  // Kp
  TRadioGroup* RadioGroup2 = nullptr;  // Kd
  TRadioGroup* RadioGroup3 = nullptr;  // Ki
  QTextEdit* RichEdit1 = nullptr;      // hidden

  TPanel* Panel2 = nullptr;  // order limits
  TPanel* Panel6 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* Edit4 = nullptr;  // minimum
  QLabel* Label2 = nullptr;
  QLineEdit* Edit5 = nullptr;  // maximum
  QPushButton* BitBtn3 = nullptr;

  TPanel* Panel3 = nullptr;  // setpoint limits
  TPanel* Panel7 = nullptr;  // step
  TPanel* Panel9 = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLabel* Label6 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QLabel* Label9 = nullptr;  // red warning
  TPanel* Panel8 = nullptr;  // periodic setpoints
  TPanel* Panel10 = nullptr;
  QLabel* Label10 = nullptr;
  QLineEdit* Edit6 = nullptr;  // smallest mean value
  QLabel* Label11 = nullptr;
  QLineEdit* Edit9 = nullptr;  // largest mean value
  QLabel* Label12 = nullptr;
  QLineEdit* Edit8 = nullptr;  // largest amplitude
  QPushButton* BitBtn4 = nullptr;
  QLabel* Label13 = nullptr;  // red note

  TPanel* Panel4 = nullptr;  // card addresses
  TPanel* Panel11 = nullptr;
  QLabel* Label7 = nullptr;
  QLineEdit* Edit1 = nullptr;  // ADR1
  QLabel* Label8 = nullptr;
  QLineEdit* Edit2 = nullptr;  // ADR2
  QPushButton* BitBtn1 = nullptr;
  QPushButton* CardButton = nullptr;  // "Choix de la carte…"
  QLabel* Label4 = nullptr;           // instructions
  QLabel* Label5 = nullptr;           // red confirmation

  // ---- Handlers (each throws VantorError where its work stops) ---------------------
  void FormCreate();
  void FormShow();
  void BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void BitBtn4Click();
  void FormClose();
  // Opens "Choix de la carte" over this window.
  void CardButtonClick();
  CardChoiceDialog* CardDialog() const { return cardDialog_; }

  // Closing (close box, Escape, done): runs FormClose first; when it fails the error
  // is shown and the window stays open, and the next closing runs it all again.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void BuildGainPanel();
  void BuildOrderPanel();
  void BuildSetpointPanel();
  void BuildAddressPanel();

  Workstation& main_;
  CardChoiceDialog* cardDialog_ = nullptr;
  // Whether each gain group (Kp, Kd, Ki) shows a value read from its file or chosen by
  // the teacher: only those are written back on closing.
  std::array<bool, 3> rangeKnown_{};
  // The button each group showed when read (kNotShown: not read).
  static constexpr int kNotShown = -2;
  std::array<int, 3> shownIndex_{kNotShown, kNotShown, kNotShown};
  std::array<std::string, 3> shownIndexText_;  // the index files' text as read
};

// Upper end of a gain range for a range button index: 2 to the power (index + 1).
int GainRangeForIndex(int index);
// The settings window's radio index from the text read in its file: the decimal value
// rounded halves to even, below -1 counting as -1 (no selection), above 5 as 5.
int RangeIndexFromText(const std::string& text);

}  // namespace vantor
