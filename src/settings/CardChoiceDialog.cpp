// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/CardChoiceDialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "card/AD2var.h"
#include "card/SerialLine.h"
#include "card/UsbBoard.h"
#include "common/VantorError.h"
#include "docs/Utechno.h"
#include "regulation/Regulation.h"
#include "widgets/ErrorReport.h"
#include "widgets/HourglassCursor.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {

constexpr const char* kAutoText = "usb:auto (la première interface branchée)";
constexpr const char* kNoteText =
    "Le choix est pris en compte au prochain démarrage du poste sur carte réelle "
    "(regulateur-vantor) ; l'option --carte de la ligne de commande passe avant lui.";

QString Volts(double v) {
  return QString::number(v, 'f', 2);
}

}  // namespace

CardChoiceDialog::CardChoiceDialog(Workstation& workstation, QWidget* parent)
    : QDialog(parent), workstation_(workstation) {
  setObjectName("CardChoice");
  setWindowTitle("Choix de la carte");
  auto* column = new QVBoxLayout(this);

  InUse = new QLabel(this);
  InUse->setObjectName("InUse");
  InUse->setWordWrap(true);
  column->addWidget(InUse);

  auto* choice = new QGroupBox("Carte pilotée par le poste", this);
  auto* choiceColumn = new QVBoxLayout(choice);
  IsaButton =
      new QRadioButton("Carte ISA (aux adresses ADR1 et ADR2 de la fenêtre de réglage)", choice);
  IsaButton->setObjectName("IsaButton");
  UsbButton = new QRadioButton("Interface USB, sur le port :", choice);
  UsbButton->setObjectName("UsbButton");
  PortBox = new QComboBox(choice);
  PortBox->setObjectName("PortBox");
  PortBox->setEditable(true);
  PortBox->setMinimumWidth(360);
  RefreshButton = new QPushButton("Actualiser la liste", choice);
  RefreshButton->setObjectName("RefreshButton");
  RefreshButton->setAutoDefault(false);
  auto* portRow = new QHBoxLayout();
  portRow->addSpacing(20);
  portRow->addWidget(PortBox, 1);
  portRow->addWidget(RefreshButton);
  choiceColumn->addWidget(IsaButton);
  choiceColumn->addWidget(UsbButton);
  choiceColumn->addLayout(portRow);
  Note = new QLabel(kNoteText, choice);
  Note->setObjectName("Note");
  Note->setWordWrap(true);
  choiceColumn->addWidget(Note);
  WiringButton = new QPushButton("Schéma de câblage de l'interface USB…", choice);
  WiringButton->setObjectName("WiringButton");
  WiringButton->setAutoDefault(false);
  choiceColumn->addWidget(WiringButton, 0, Qt::AlignLeft);
  SaveButton = new QPushButton("Valider le choix de la carte", choice);
  SaveButton->setObjectName("SaveButton");
  SaveButton->setAutoDefault(false);
  choiceColumn->addWidget(SaveButton, 0, Qt::AlignLeft);
  column->addWidget(choice);

  auto* check = new QGroupBox("Diagnostic de la carte en service", this);
  auto* checkColumn = new QVBoxLayout(check);
  auto* how = new QLabel(
      "Reliez la sortie 1 à l'entrée 0 par un fil (masses communes), puis lancez le "
      "diagnostic : la sortie 1 prend cinq tensions de 0 à 10 V, l'entrée 0 les relit.",
      check);
  how->setWordWrap(true);
  checkColumn->addWidget(how);
  DiagnosticButton = new QPushButton("Diagnostic de la carte…", check);
  DiagnosticButton->setObjectName("DiagnosticButton");
  DiagnosticButton->setAutoDefault(false);
  checkColumn->addWidget(DiagnosticButton, 0, Qt::AlignLeft);
  DiagnosticTable = new QTableWidget(0, 3, check);
  DiagnosticTable->setObjectName("DiagnosticTable");
  DiagnosticTable->setHorizontalHeaderLabels({"Sortie 1 (V)", "Entrée 0 relue (V)", "Écart (V)"});
  DiagnosticTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  DiagnosticTable->verticalHeader()->setVisible(false);
  DiagnosticTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DiagnosticTable->setMinimumHeight(170);
  checkColumn->addWidget(DiagnosticTable);
  DiagnosticVerdict = new QLabel(check);
  DiagnosticVerdict->setObjectName("DiagnosticVerdict");
  DiagnosticVerdict->setWordWrap(true);
  checkColumn->addWidget(DiagnosticVerdict);
  column->addWidget(check);

  auto* close = new QPushButton("Fermer", this);
  close->setObjectName("CloseButton");
  close->setAutoDefault(false);
  column->addWidget(close, 0, Qt::AlignRight);

  ConnectGuarded(SaveButton, &QPushButton::clicked, this, &CardChoiceDialog::Save);
  ConnectGuarded(RefreshButton, &QPushButton::clicked, this, &CardChoiceDialog::RefreshPorts);
  ConnectGuarded(WiringButton, &QPushButton::clicked, this, &CardChoiceDialog::ShowWiring);
  ConnectGuarded(DiagnosticButton, &QPushButton::clicked, this, &CardChoiceDialog::RunDiagnostic);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(UsbButton, &QRadioButton::toggled, PortBox, &QWidget::setEnabled);
  connect(UsbButton, &QRadioButton::toggled, RefreshButton, &QWidget::setEnabled);
}

void CardChoiceDialog::RefreshPorts() {
  const QString typed = PortBox->currentText();
  PortBox->clear();
  PortBox->addItem(kAutoText, QString());
  for (const SerialPortInfo& p : ListSerialPorts()) {
    QString text = QString::fromStdString(p.Path);
    if (!p.Description.empty()) text += " — " + QString::fromStdString(p.Description);
    PortBox->addItem(text, QString::fromStdString(p.Path));
  }
  PortBox->setEditText(typed);
}

void CardChoiceDialog::Refill() {
  const AcquisitionCard* card = workstation_.Card();
  InUse->setText("En service : " + (card ? QString::fromStdString(card->Description())
                                         : QString("aucune carte (le démarrage n'a pas abouti)")));
  RefreshPorts();
  CardChoice saved;
  try {
    saved = ReadCardSetting("");
  } catch (const VantorError&) {
    // An unreadable choice shows as the ISA card; saving writes a good one.
  }
  // The card in service is the one shown chosen, whether it came from the saved choice or
  // from the command line (--carte); a saved choice that differs waits for the next
  // start-up, and the note says so. Without a card, the saved choice.
  CardChoice shown = saved;
  if (const auto* board = dynamic_cast<const UsbBoard*>(card))
    shown = CardChoice::Usb(board->PortName());
  else if (dynamic_cast<const AD2var*>(card))
    shown = CardChoice{};
  if (CardChoiceWord(shown) != CardChoiceWord(saved)) {
    Note->setText("Choix enregistré, pris en compte au prochain démarrage sans option --carte : " +
                  QString::fromStdString(CardChoiceText(saved)) + ".");
    SetTextColor(Note, Qt::red);
  } else {
    Note->setText(kNoteText);
    SetTextColor(Note, palette().color(QPalette::WindowText));
  }
  const bool usb = shown.Card == CardChoice::Kind::Usb;
  UsbButton->setChecked(usb);
  IsaButton->setChecked(!usb);
  PortBox->setEnabled(usb);
  RefreshButton->setEnabled(usb);
  PortBox->setEditText(usb && !shown.Port.empty() ? QString::fromStdString(shown.Port)
                                                  : QString(kAutoText));
}

CardChoice CardChoiceDialog::ShownChoice() const {
  if (!UsbButton->isChecked()) return CardChoice{};
  QString port = PortBox->currentText().trimmed();
  // A listed port: its path without the description; the first entry: the first board.
  const int listed = PortBox->findText(port);
  if (listed >= 0) port = PortBox->itemData(listed).toString();
  if (port.startsWith("usb:")) port = port.mid(4);
  if (port == "auto") port.clear();
  if (listed < 0 && port.isEmpty())
    throw VantorError(
        "Nommez le port de l'interface USB (par exemple /dev/ttyACM0), ou "
        "choisissez usb:auto dans la liste");
  return CardChoice{CardChoice::Kind::Usb, ToStdString(port)};
}

void CardChoiceDialog::Save() {
  const CardChoice choice = ShownChoice();
  SaveCardSetting("", choice);
  Note->setText("Choix enregistré : " + QString::fromStdString(CardChoiceText(choice)) +
                ". Redémarrez le poste sur carte réelle pour qu'il soit pris en compte.");
  SetTextColor(Note, Qt::red);
}

void CardChoiceDialog::ShowWiring() {
  // The wiring viewer of the Aide menu, on the board's diagram, above the settings
  // windows (which are modal): a viewer of its own, gone when closed.
  workstation_.SetHelpTopic("usb");
  auto* viewer = new TOKBottomDlg2(workstation_);
  viewer->setAttribute(Qt::WA_DeleteOnClose);
  viewer->setWindowModality(Qt::ApplicationModal);
  viewer->show();
}

void CardChoiceDialog::RunDiagnostic() {
  AcquisitionCard& card = workstation_.RequireCard();
  DiagnosticTable->setRowCount(0);
  DiagnosticVerdict->clear();
  {
    HourglassCursor wait;
    const std::int32_t period = workstation_.Regulation().SamplePeriodMs;
    diagnostic_ = RunLoopbackDiagnostic(card, period > 0 ? period : 50);
  }
  DiagnosticTable->setRowCount(static_cast<int>(diagnostic_.Levels.size()));
  for (int i = 0; i < DiagnosticTable->rowCount(); ++i) {
    const DiagnosticLevel& l = diagnostic_.Levels[static_cast<std::size_t>(i)];
    const QString cells[] = {Volts(l.Output1Volts), Volts(l.Input0Volts), Volts(l.ErrorVolts())};
    for (int c = 0; c < 3; ++c) {
      auto* item = new QTableWidgetItem(cells[c]);
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      DiagnosticTable->setItem(i, c, item);
    }
  }
  DiagnosticVerdict->setText(
      QString::fromStdString(diagnostic_.Verdict() + "\n(" + card.Description() + ")"));
  SetTextColor(DiagnosticVerdict, diagnostic_.WithinTolerance() ? Qt::darkGreen : Qt::red);
}

}  // namespace vantor
