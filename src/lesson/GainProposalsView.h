// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The proposed gains of the identification and pumping windows: one row per rule and
// structure, in the corrector's convention (Kp, Kd in s, Ki in 1/s) and as Ti, Td, each
// gain beyond the teacher's range shown at its bound with a warning; "Appliquer" copies
// the chosen row into the main window's gain fields.
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QWidget>
#include <functional>
#include <vector>

#include "lesson-core/TuningRules.h"

namespace vantor {

class GainProposalsView : public QWidget {
  Q_OBJECT
 public:
  explicit GainProposalsView(QWidget* parent = nullptr);

  // The rows, bounded to kpmax, kdmax, kimax; no rows and `why` shown when empty.
  void SetProposals(const std::vector<GainProposal>& proposals, std::int32_t kpmax,
                    std::int32_t kdmax, std::int32_t kimax, const QString& why = {});
  // Called by "Appliquer" with the chosen row's bounded gains.
  std::function<void(const BoundedGains&)> Apply;

  QTableWidget* Table() const { return table_; }
  QPushButton* ApplyButton() const { return apply_; }
  const std::vector<BoundedGains>& Rows() const { return bounded_; }

 private:
  void ApplyClicked();

  QTableWidget* table_ = nullptr;
  QLabel* why_ = nullptr;
  QPushButton* apply_ = nullptr;
  std::vector<BoundedGains> bounded_;
};

// A gain as the fields take it: at most two decimals, no trailing zeros ("1.67", "4").
QString GainText(double v);

}  // namespace vantor
