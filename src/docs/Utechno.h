// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The wiring viewer TOKBottomDlg2 ("Technologie "): shows the wiring diagram of a
// position or speed loop, or that of the USB interface board, chosen by the
// workstation's help topic, sets up the printer and prints the diagram on one page.
#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>

#include "docs/TImage.h"
#include "docs/TPictureBox.h"
#include "widgets/FramePlacement.h"
#include "widgets/Workstation.h"

namespace vantor {

class TOKBottomDlg2 : public QDialog {
 public:
  explicit TOKBottomDlg2(Workstation& workstation);

  QMenuBar* MainMenu1 = nullptr;
  QMenu* Impression1 = nullptr;
  QAction* configurer1 = nullptr;
  QAction* Imprimer2 = nullptr;
  TPictureBox* ScrollBox1 = nullptr;  // the picture area, scrolling when needed
  TImage* Image1 = nullptr;

  // Hides the picture, then shows and loads the diagram of the help topic ("position",
  // "vitesse" or "usb").
  void FormShow();
  // The printer set-up dialog; its choices apply to every later job of the program.
  void configurer1Click();
  // Prints the picture held on one page, as large as the margins allow.
  void Imprimer2Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FillWorkArea();
  FramePlacement* placement_ = nullptr;

  Workstation& workstation_;
};

}  // namespace vantor
