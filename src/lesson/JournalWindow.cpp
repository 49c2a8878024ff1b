// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson/JournalWindow.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>

#include "common/VantorError.h"
#include "widgets/ErrorReport.h"
#include "widgets/QtText.h"

namespace vantor {

namespace {
const char* const kColumns[] = {"Heure", "Procédé", "Profil", "Charge", "Consigne", "Kp",
                                "Kd",    "Ki",      "Correcteur"};
}  // namespace

JournalWindow::JournalWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("FormJournal");
  setWindowTitle("Journal de la séance");
  setModal(false);
  auto* column = new QVBoxLayout(this);
  auto* top = new QHBoxLayout();
  top->addWidget(new QLabel("Jour :", this));
  ComboDays = new QComboBox(this);
  ComboDays->setObjectName("ComboJours");
  top->addWidget(ComboDays);
  top->addStretch();
  column->addLayout(top);

  QStringList headers;
  for (const char* c : kColumns) headers << c;
  for (const char* c : kJournalMeasureTitles) headers << c;
  Table = new QTableWidget(0, static_cast<int>(headers.size()), this);
  Table->setObjectName("TableEssais");
  Table->setHorizontalHeaderLabels(headers);
  Table->setSelectionBehavior(QAbstractItemView::SelectRows);
  Table->setSelectionMode(QAbstractItemView::ExtendedSelection);
  Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Table->verticalHeader()->setVisible(false);
  Table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  column->addWidget(Table, 1);
  LabelEmpty = new QLabel(this);
  LabelEmpty->setObjectName("LabelJournalVide");
  LabelEmpty->setWordWrap(true);
  column->addWidget(LabelEmpty);

  auto* buttons = new QHBoxLayout();
  ButtonShow = new QPushButton("Afficher", this);
  ButtonShow->setObjectName("ButtonAfficher");
  ButtonShow->setToolTip("Affiche l'essai choisi sur le graphe, comme « Ouvrir un essai… »");
  ButtonCompare = new QPushButton("Comparer", this);
  ButtonCompare->setObjectName("ButtonComparer");
  ButtonCompare->setToolTip("Superpose sur le graphe les essais choisis (quatre au plus)");
  ButtonReport = new QPushButton("Rapport de TP…", this);
  ButtonReport->setObjectName("ButtonRapport");
  auto* close = new QPushButton("Fermer", this);
  buttons->addWidget(ButtonShow);
  buttons->addWidget(ButtonCompare);
  buttons->addWidget(ButtonReport);
  buttons->addStretch();
  buttons->addWidget(close);
  column->addLayout(buttons);
  resize(1100, 420);

  ConnectGuarded(ComboDays, &QComboBox::currentIndexChanged, this, [this](int) { ListDay(); });
  ConnectGuarded(ButtonShow, &QPushButton::clicked, this, [this] { ShowClicked(); });
  ConnectGuarded(Table, &QTableWidget::cellDoubleClicked, this, [this](int, int) { ShowClicked(); });
  ConnectGuarded(ButtonCompare, &QPushButton::clicked, this, [this] { CompareClicked(); });
  ConnectGuarded(ButtonReport, &QPushButton::clicked, this, [this] {
    if (ReportRequested) ReportRequested();
  });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
}

void JournalWindow::ShowJournal(const std::string& root) {
  root_ = root;
  if (running_) {
    listingDeferred_ = true;
    return;
  }
  const QString chosen = ComboDays->currentText();
  const QSignalBlocker block(ComboDays);
  ComboDays->clear();
  for (const std::string& day : JournalDays(root)) ComboDays->addItem(ToQString(day));
  const int at = ComboDays->findText(chosen);
  ComboDays->setCurrentIndex(at >= 0 ? at : 0);
  ListDay();
}

void JournalWindow::SetRunInProgress(bool running) {
  running_ = running;
  for (QWidget* w : std::initializer_list<QWidget*>{ComboDays, ButtonShow, ButtonCompare,
                                                    ButtonReport})
    w->setEnabled(!running);
  if (!running && listingDeferred_) {
    listingDeferred_ = false;
    ShowJournal(root_);
  }
}

void JournalWindow::ListDay() {
  if (running_) {
    listingDeferred_ = true;
    return;
  }
  rows_ = ComboDays->count() ? ListJournalDay(root_, ToStdString(ComboDays->currentText()))
                             : std::vector<JournalRow>{};
  Table->clearContents();
  Table->setRowCount(static_cast<int>(rows_.size()));
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const JournalRow& r = rows_[i];
    std::vector<std::string> cells = {r.Time, r.Process, r.Profile, r.Load, r.Setpoint,
                                      r.Kp,   r.Kd,      r.Ki,      r.Structure};
    cells.insert(cells.end(), r.Measures.begin(), r.Measures.end());
    for (std::size_t c = 0; c < cells.size(); ++c) {
      auto* item = new QTableWidgetItem(ToQString(cells[c]));
      if (c >= 5 && c != 8) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      Table->setItem(static_cast<int>(i), static_cast<int>(c), item);
    }
  }
  LabelEmpty->setVisible(rows_.empty());
  LabelEmpty->setText("Aucun essai dans le journal : chaque essai terminé, et chaque essai ouvert, "
                      "y est enregistré, dans « " + ToQString(root_) + " ».");
}

std::vector<JournalRow> JournalWindow::SelectedRows() const {
  std::vector<int> picked;
  for (const QModelIndex& index : Table->selectionModel()->selectedRows())
    picked.push_back(index.row());
  std::sort(picked.begin(), picked.end());
  std::vector<JournalRow> rows;
  for (int row : picked)
    if (row >= 0 && static_cast<std::size_t>(row) < rows_.size())
      rows.push_back(rows_[static_cast<std::size_t>(row)]);
  return rows;
}

void JournalWindow::ShowClicked() {
  const auto rows = SelectedRows();
  if (rows.size() != 1)
    throw VantorError("Choisissez un seul essai dans le tableau pour l'afficher (" +
                      std::to_string(rows.size()) + " choisis)");
  if (ShowRequested) ShowRequested(rows);
}

void JournalWindow::CompareClicked() {
  const auto rows = SelectedRows();
  if (rows.size() < 2 || rows.size() > static_cast<std::size_t>(kMostCompared))
    throw VantorError("Choisissez de 2 à 4 essais dans le tableau pour les comparer (" +
                      std::to_string(rows.size()) + " choisis) : Ctrl+clic ajoute un essai");
  if (CompareRequested) CompareRequested(rows);
}

}  // namespace vantor
