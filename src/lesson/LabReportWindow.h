// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Rapport de TP…": the students' names and the report's title; the runs are those
// selected in the journal window. "Écrire le rapport…" asks where to write the PDF.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>

namespace vantor {

class LabReportWindow : public QDialog {
  Q_OBJECT
 public:
  explicit LabReportWindow(QWidget* parent = nullptr);

  // How many runs the report will hold, shown to the students.
  void ShowRunCount(int count);

  // "Écrire le rapport…" (set by the menu).
  std::function<void()> WriteRequested;

  QLineEdit* EditNames = nullptr;
  QLineEdit* EditTitle = nullptr;
  QLabel* LabelRuns = nullptr;
  QPushButton* ButtonWrite = nullptr;
};

}  // namespace vantor
