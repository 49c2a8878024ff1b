// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The help text viewer TOKBottomDlg1: shows the help document chosen by the
// workstation's help topic each time it is shown, lets the student annotate it on screen
// (nothing is ever saved) and prints it.
#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QString>

#include "widgets/RichEdit.h"
#include "widgets/Workstation.h"

namespace vantor {

// One help document: the key word that selects it, the viewer's caption, the file.
struct HelpDocument {
  const char* topic;
  const char* caption;
  const char* file;
};

// The help documents, in the order the key word is compared with them.
inline constexpr HelpDocument kHelpDocuments[] = {
    {"materiel", "Aide sur la configuration materielle", "aide/matériel.rtf"},
    {"ressources", "Aide sur les différents types de régulation", "aide/ressources.rtf"},
    {"miseoeuvre", "Aide sur la mise en oeuvre du logiciel", "aide/miseoeuvre.rtf"},
    {"souris", "Aide sur l'utilisation de la souris dans le graphe", "aide/souris.rtf"},
    {"parametrage", "Aide sur le paramétrage", "aide/parametrage.rtf"},
    {"travauxpratiques", "Aide pour les travaux pratiques", "aide/travauxpratiques.rtf"},
    {"identification", "Aide sur l'identification du procédé", "aide/identification.rtf"},
};

class TOKBottomDlg1 : public QDialog {
 public:
  explicit TOKBottomDlg1(Workstation& workstation);

  QMenuBar* MainMenu1 = nullptr;
  QMenu* Impression1 = nullptr;
  QAction* Imprimer1 = nullptr;
  TRichEdit* RichEditaide = nullptr;

  // Chooses the document by the workstation's help topic (an unknown key word keeps
  // the caption and text shown last).
  void FormShow();
  // Prints the text (edits included) on the printer chosen in the print dialog.
  void Imprimer1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  Workstation& workstation_;
};

}  // namespace vantor
