// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The about box TAboutBox ("A propos...."): the program's icon, name and version, a
// credit line and a contact address, and the working folder in use.
#include <QDialog>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPushButton>

namespace vantor {

// The program's 32 × 32 icon in the 16 colours of the classic palette: a step of the
// setpoint (red) and the feedback answering it with an overshoot (blue) on a small
// grey instrument face.
QImage ProgramIconImage();

class TAboutBox : public QDialog {
 public:
  // `owner`: the main window, over which the box opens.
  explicit TAboutBox(QWidget& owner);

  QFrame* Panel1 = nullptr;
  QLabel* ProgramIcon = nullptr;
  QLabel* ProductName = nullptr;
  QLabel* Version = nullptr;
  QLabel* Copyright = nullptr;      // the credit line
  QLabel* Comments = nullptr;       // the contact address
  QLabel* Label1 = nullptr;         // "pour commentaires et informations..."
  QLabel* FolderCaption = nullptr;  // "Dossier de travail :"
  QLabel* WorkingFolder = nullptr;  // its path (the whole path in the tool tip)
  QLabel* CardInUse = nullptr;      // the real card in use, when the workstation has one
  QPushButton* OKButton = nullptr;

  // Adds the line "Carte : <text>" under the working folder (the box grows by a line).
  void ShowCard(const QString& text);
};

}  // namespace vantor
