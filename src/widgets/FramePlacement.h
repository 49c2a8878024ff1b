// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Places a top-level window by its outer rectangle, title bar and borders included, as
// the program's window sizes and positions are given. A window manager only tells the
// frame it draws once the window has been mapped: the window is placed at once with the
// frame known so far, then placed again as soon as the frame becomes known (or changes),
// so that neither the title bar nor a border ends up outside the screen.
#include <QMargins>
#include <QObject>
#include <QRect>
#include <functional>

class QWidget;

namespace vantor {

class FramePlacement : public QObject {
 public:
  // `outer` gives the outer rectangle wanted, asked each time the window is placed.
  FramePlacement(QWidget& window, std::function<QRect()> outer);

  // Places the window now and keeps watching for its frame.
  void Apply();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& window_;
  std::function<QRect()> outer_;
  QMargins applied_;  // the frame the last placement allowed for
  bool watching_ = false;
};

// The work area of the screen `window` is on (the primary screen when it has none yet).
QRect WorkAreaOf(const QWidget& window);

}  // namespace vantor
