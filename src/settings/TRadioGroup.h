// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A titled group of exclusive radio buttons whose choice is an item index, -1 meaning
// no item selected (as a freshly designed group, or one given an index out of its
// items).
#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QStringList>
#include <vector>

namespace vantor {

class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  TRadioGroup(QWidget* parent, const QString& name, const QString& caption,
              const QStringList& items);

  // Index of the checked item, or -1 when none is.
  int ItemIndex() const;
  // Checks item `index`; any index outside 0..count-1 clears the selection.
  void SetItemIndex(int index);
  int Count() const { return static_cast<int>(buttons_.size()); }
  QRadioButton* Item(int index) const { return buttons_.at(static_cast<std::size_t>(index)); }

 private:
  QButtonGroup* group_;
  std::vector<QRadioButton*> buttons_;
};

}  // namespace vantor
