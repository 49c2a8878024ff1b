// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The labels the windows that read a run share, one under the other: the run's title in
// bold, the reason in dark red when the run gives nothing, and the readings as rich text
// a student can select and copy.
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QVBoxLayout>

namespace vantor {

inline QLabel* AddRunTitleLabel(QWidget* window, QVBoxLayout* column) {
  auto* title = new QLabel(window);
  title->setObjectName("LabelEssai");
  title->setWordWrap(true);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  column->addWidget(title);
  return title;
}

inline QLabel* AddReasonLabel(QWidget* window, QVBoxLayout* column) {
  auto* reason = new QLabel(window);
  reason->setObjectName("LabelRaison");
  reason->setWordWrap(true);
  QPalette red = reason->palette();
  red.setColor(QPalette::WindowText, Qt::darkRed);
  reason->setPalette(red);
  column->addWidget(reason);
  return reason;
}

inline QLabel* AddReadingsLabel(QWidget* window, QVBoxLayout* column) {
  auto* readings = new QLabel(window);
  readings->setObjectName("LabelLectures");
  readings->setTextFormat(Qt::RichText);
  readings->setTextInteractionFlags(Qt::TextSelectableByMouse);
  column->addWidget(readings);
  return readings;
}

}  // namespace vantor
