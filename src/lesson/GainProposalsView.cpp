// SPDX-License-Identifier: GPL-3.0-or-later
#include "lesson/GainProposalsView.h"

#include <QHeaderView>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <cmath>

#include "common/Numbers.h"
#include "widgets/ErrorReport.h"
#include "widgets/QtText.h"

namespace vantor {

QString GainText(double v) {
  QString text = ToQString(FormatFixed2(static_cast<long double>(v)));
  if (text.contains('.')) {
    while (text.endsWith('0')) text.chop(1);
    if (text.endsWith('.')) text.chop(1);
  }
  return text == "-0" ? "0" : text;
}

GainProposalsView::GainProposalsView(QWidget* parent) : QWidget(parent) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  table_ = new QTableWidget(0, 8, this);
  table_->setObjectName("TableReglages");
  table_->setHorizontalHeaderLabels({"Méthode", "Correcteur", "Kp", "Ti (s)", "Td (s)",
                                     "Ki (1/s)", "Kd (s)", "Remarque"});
  table_->verticalHeader()->hide();
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setStretchLastSection(true);
  column->addWidget(table_);
  why_ = new QLabel(this);
  why_->setObjectName("LabelPasDeReglage");
  why_->setWordWrap(true);
  column->addWidget(why_);
  auto* row = new QHBoxLayout();
  auto* note = new QLabel(
      "Ki = Kp / Ti, Kd = Kp · Td. « Appliquer » recopie la ligne choisie dans Kp, Kd et Ki "
      "(chaque gain ramené à sa plage).",
      this);
  note->setWordWrap(true);
  row->addWidget(note, 1);
  apply_ = new QPushButton("Appliquer", this);
  apply_->setObjectName("ButtonAppliquer");
  row->addWidget(apply_);
  column->addLayout(row);
  ConnectGuarded(apply_, &QPushButton::clicked, this, &GainProposalsView::ApplyClicked, this);
  SetProposals({}, 0, 0, 0);
}

void GainProposalsView::ApplyClicked() {
  const int r = table_->currentRow();
  if (r >= 0 && r < static_cast<int>(bounded_.size()) && Apply)
    Apply(bounded_[static_cast<std::size_t>(r)]);
}

void GainProposalsView::SetProposals(const std::vector<GainProposal>& proposals,
                                     std::int32_t kpmax, std::int32_t kdmax, std::int32_t kimax,
                                     const QString& why) {
  table_->setRowCount(static_cast<int>(proposals.size()));
  bounded_.clear();
  const auto cell = [this](int r, int c, const QString& text) {
    auto* item = new QTableWidgetItem(text);
    if (c >= 2 && c <= 6) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table_->setItem(r, c, item);
    return item;
  };
  for (int r = 0; r < static_cast<int>(proposals.size()); ++r) {
    const GainProposal& g = proposals[static_cast<std::size_t>(r)];
    const BoundedGains b = BoundGains(g, kpmax, kdmax, kimax);
    bounded_.push_back(b);
    cell(r, 0, ToQString(g.MethodName));
    cell(r, 1, ToQString(g.Structure + (g.Form == "serie"       ? " série"
                                        : g.Form == "parallele" ? " parallèle"
                                        : g.Form == "mixte"     ? " mixte"
                                                                : "")));
    cell(r, 2, GainText(b.Kp));
    cell(r, 3, g.Ti > 0 ? GainText(g.Ti) : "—");
    cell(r, 4, g.Td > 0 ? GainText(g.Td) : "—");
    cell(r, 5, GainText(b.Ki));
    cell(r, 6, GainText(b.Kd));
    QStringList warnings;
    if (!g.FormText.empty()) warnings << ToQString(g.FormText);
    if (b.KpBounded) warnings << "Kp " + GainText(g.Kp) + " ramené à " + GainText(b.Kp);
    if (b.KdBounded) warnings << "Kd " + GainText(g.Kd()) + " ramené à " + GainText(b.Kd);
    if (b.KiBounded) warnings << "Ki " + GainText(g.Ki()) + " ramené à " + GainText(b.Ki);
    QTableWidgetItem* remark = cell(r, 7, warnings.join(" ; "));
    if (b.Any()) {
      remark->setForeground(Qt::darkRed);
      for (int c : {2, 5, 6})
        if ((c == 2 && b.KpBounded) || (c == 5 && b.KiBounded) || (c == 6 && b.KdBounded))
          table_->item(r, c)->setForeground(Qt::darkRed);
    }
  }
  if (!proposals.empty()) table_->selectRow(0);
  why_->setText(why.isEmpty() ? QString() : "Pas de réglage proposé : " + why + ".");
  why_->setVisible(!why.isEmpty());
  apply_->setEnabled(!proposals.empty());
}

}  // namespace vantor
