// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulation-ui/ApplyButtons.h"

#include <QDialogButtonBox>
#include <QPushButton>

#include "widgets/ErrorReport.h"

namespace vantor {

void AddApplyButtons(QDialog& dialog, QFormLayout& form, std::function<void()> apply) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setText("Appliquer");
  buttons->button(QDialogButtonBox::Cancel)->setText("Annuler");
  form.addRow(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog,
                   [&dialog, apply = std::move(apply)] {
                     if (Guarded(&dialog, apply)) dialog.accept();
                   });
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
}

}  // namespace vantor
