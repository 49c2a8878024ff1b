#pragma once
// Placing a window by its outer rectangle (title bar and borders included), as the
// window sizes of this program are given; the frame is known once the window exists.
#include <QMargins>
#include <QRect>
#include <QWidget>

namespace vantor {

inline void SetFrameGeometry(QWidget& window, const QRect& outer) {
  const QRect frame = window.frameGeometry();
  const QRect client = window.geometry();
  const QMargins margins(client.left() - frame.left(), client.top() - frame.top(),
                         frame.right() - client.right(), frame.bottom() - client.bottom());
  window.setGeometry(outer.marginsRemoved(margins));
}

}  // namespace vantor
