// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/TRadioGroup.h"

#include <QVBoxLayout>

namespace vantor {

TRadioGroup::TRadioGroup(QWidget* parent, const QString& name, const QString& caption,
                         const QStringList& items)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
  setObjectName(name);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(8, 4, 4, 4);
  column->setSpacing(0);
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items.at(i), this);
    b->setObjectName(name + "_item" + QString::number(i));
    group_->addButton(b, i);
    buttons_.push_back(b);
    column->addWidget(b);
  }
  column->addStretch();
}

int TRadioGroup::ItemIndex() const {
  return group_->checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
  if (index >= 0 && index < Count()) {
    buttons_[static_cast<std::size_t>(index)]->setChecked(true);
    return;
  }
  // An exclusive group never unchecks its last checked button by itself.
  group_->setExclusive(false);
  for (QRadioButton* b : buttons_) b->setChecked(false);
  group_->setExclusive(true);
}

}  // namespace vantor
