// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Journal de la séance": the journal's entries of a day in a table (today's first,
// earlier days in the list above it). The rows selected are shown on the main chart,
// compared there (up to four), or put in a lab report.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <functional>
#include <string>
#include <vector>

#include "lesson-core/Journal.h"

namespace vantor {

class JournalWindow : public QDialog {
  Q_OBJECT
 public:
  explicit JournalWindow(QWidget* parent = nullptr);

  // Lists the days of the journal at `root` and the entries of the day chosen (the newest
  // day, or the one chosen before when it still exists).
  void ShowJournal(const std::string& root);
  // While a run is in progress its cycles share this thread: the folder is not listed
  // then (a day of thousands of entries takes a good part of a second), the day cannot
  // be changed and the buttons wait; what was asked for is listed when the run ends.
  void SetRunInProgress(bool running);
  bool RunInProgress() const { return running_; }
  // The selected entries, in time order.
  std::vector<JournalRow> SelectedRows() const;

  // The entries to show (one) or compare (two to four), oldest first; the report.
  std::function<void(const std::vector<JournalRow>&)> ShowRequested, CompareRequested;
  std::function<void()> ReportRequested;

  static constexpr int kMostCompared = 4;

  QComboBox* ComboDays = nullptr;
  QTableWidget* Table = nullptr;
  QLabel* LabelEmpty = nullptr;
  QPushButton* ButtonShow = nullptr;
  QPushButton* ButtonCompare = nullptr;
  QPushButton* ButtonReport = nullptr;

 private:
  void ListDay();
  void ShowClicked();
  void CompareClicked();

  std::string root_;
  std::vector<JournalRow> rows_;
  bool running_ = false;
  bool listingDeferred_ = false;
};

}  // namespace vantor
