// SPDX-License-Identifier: GPL-3.0-or-later
#include "docs/Utechno.h"

#include <QShowEvent>
#include <QVBoxLayout>

#include "docs/DocumentLayout.h"
#include "docs/PageFit.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorReport.h"
#include "widgets/FramePlacement.h"
#include "widgets/HourglassCursor.h"
#include "widgets/Printer.h"

namespace vantor {

TOKBottomDlg2::TOKBottomDlg2(Workstation& workstation)
    : QDialog(&workstation.Window()), workstation_(workstation) {
  setObjectName("OKBottomDlg2");
  setWindowTitle("Technologie ");
  // Sizeable, with the system menu and the close button only.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);
  FillWorkArea();

  QVBoxLayout* layout = MenuColumn(*this, MainMenu1);
  Impression1 = Named(MainMenu1->addMenu("Impression"), "Impression1");
  configurer1 = Named(Impression1->addAction("Configurer"), "configurer1");
  Imprimer2 = Named(Impression1->addAction("Imprimer"), "Imprimer2");

  ScrollBox1 = new TPictureBox(this);
  ScrollBox1->setObjectName("ScrollBox1");
  Image1 = ScrollBox1->Image();
  Image1->setVisible(false);  // until a picture is loaded
  layout->addWidget(ScrollBox1);

  ConnectGuarded(configurer1, &QAction::triggered, this, &TOKBottomDlg2::configurer1Click);
  ConnectGuarded(Imprimer2, &QAction::triggered, this, &TOKBottomDlg2::Imprimer2Click);
}

void TOKBottomDlg2::FillWorkArea() {
  if (!placement_) placement_ = new FramePlacement(*this, [this] { return WorkAreaOf(*this); });
  placement_->Apply();
}

void TOKBottomDlg2::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;
  FillWorkArea();
  // An error is reported and the window is still shown, its picture area visible.
  Guarded(this, [this] { FormShow(); });
}

void TOKBottomDlg2::FormShow() {
  Image1->setVisible(false);
  const std::string& topic = workstation_.HelpTopic();
  if (topic == "position") {
    Image1->setVisible(true);
    Image1->LoadFromFile("aide/schémapos.jpg");
  } else if (topic == "vitesse") {
    Image1->setVisible(true);
    Image1->LoadFromFile("aide/schémavit.jpg");
  } else if (topic == "usb") {
    Image1->setVisible(true);
    Image1->LoadFromFile("aide/schémausb.jpg");
  }
}

void TOKBottomDlg2::configurer1Click() {
  Dialogs::Current().PrinterSetupDialog(this, Printer::Instance());
}

void TOKBottomDlg2::Imprimer2Click() {
  const QImage& picture = Image1->Picture();
  // With no picture ever loaded there is nothing to print and no proportions to keep:
  // say so instead of opening a job that would come out blank.
  if (picture.isNull()) {
    Dialogs::Current().Message(this, "Aucune image à imprimer");
    return;
  }
  Printer& printer = Printer::Instance();
  printer.SuggestPdfName(QStringLiteral("schéma de branchement"));
  if (!Dialogs::Current().PrintDialog(this, printer)) return;
  HourglassCursor hourglass;
  // The job has no title of its own. It is ended in every case: after a drawing error
  // the page goes out with what was drawn, and the drawing error is the one reported.
  printer.BeginDoc();
  try {
    const std::optional<PageRect> target = FitPictureToPage(
        printer.PageWidth(), printer.PageHeight(), picture.width(), picture.height());
    if (target)
      printer.StretchDraw(QRect(target->left, target->top, target->Width(), target->Height()),
                          picture);
  } catch (...) {
    try {
      if (printer.Printing()) printer.EndDoc();
    } catch (...) {
      // the drawing error is reported, not the end of the job
    }
    throw;
  }
  printer.EndDoc();
}

}  // namespace vantor
