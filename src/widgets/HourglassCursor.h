// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The hourglass over the whole program while a viewer prints, put back however the
// printing ends.
#include <QApplication>

namespace vantor {

class HourglassCursor {
 public:
  HourglassCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~HourglassCursor() { QApplication::restoreOverrideCursor(); }
  HourglassCursor(const HourglassCursor&) = delete;
  HourglassCursor& operator=(const HourglassCursor&) = delete;
};

}  // namespace vantor
