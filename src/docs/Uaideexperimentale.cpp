// SPDX-License-Identifier: GPL-3.0-or-later
#include "docs/Uaideexperimentale.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include "docs/DocumentLayout.h"
#include "docs/PageFit.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorReport.h"
#include "widgets/HourglassCursor.h"
#include "widgets/Printer.h"

namespace vantor {

TOKBottomDlg1::TOKBottomDlg1(Workstation& workstation)
    : QDialog(&workstation.Window()), workstation_(workstation) {
  setObjectName("OKBottomDlg1");
  // Sizeable, with the system menu and the close button only. Transient for the main
  // window, it stays above it while the student works there, but not above the program's
  // own boxes and modal windows, nor above other programs.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);
  resize(693, 484);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }

  QVBoxLayout* layout = MenuColumn(*this, MainMenu1);
  Impression1 = Named(MainMenu1->addMenu("Impression"), "Impression1");
  Imprimer1 = Named(Impression1->addAction("Imprimer"), "Imprimer1");

  RichEditaide = new TRichEdit(this);
  RichEditaide->setObjectName("RichEditaide");
  RichEditaide->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // The text area takes the colour of caption texts, white on the usual desktop.
  QPalette palette = RichEditaide->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  RichEditaide->setPalette(palette);
  layout->addWidget(RichEditaide);

  ConnectGuarded(Imprimer1, &QAction::triggered, this, &TOKBottomDlg1::Imprimer1Click);
}

void TOKBottomDlg1::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Shown by the program (not restored by the window system): the hidden window becomes
  // visible, so this is the moment to choose the document. An error is reported and the
  // window is still shown.
  if (!event->spontaneous()) Guarded(this, [this] { FormShow(); });
}

void TOKBottomDlg1::FormShow() {
  for (const HelpDocument& document : kHelpDocuments) {
    if (workstation_.HelpTopic() != document.topic) continue;
    setWindowTitle(QString::fromUtf8(document.caption));
    RichEditaide->Clear();
    RichEditaide->PlainTextMode = false;
    RichEditaide->LoadFromFile(document.file);
    return;
  }
}

void TOKBottomDlg1::Imprimer1Click() {
  Printer& printer = Printer::Instance();
  // Named after the document shown.
  printer.SuggestPdfName(windowTitle().isEmpty() ? QStringLiteral("aide") : windowTitle());
  if (!Dialogs::Current().PrintDialog(this, printer)) return;
  HourglassCursor hourglass;
  const PageRect page = HelpPageRect(printer.PageWidth(), printer.PageHeight());
  RichEditaide->Print(printer, QRect(page.left, page.top, page.Width(), page.Height()), "Aide");
}

}  // namespace vantor
