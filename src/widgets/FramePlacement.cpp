// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/FramePlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace vantor {

QRect WorkAreaOf(const QWidget& window) {
  const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

FramePlacement::FramePlacement(QWidget& window, std::function<QRect()> outer)
    : QObject(&window), window_(window), outer_(std::move(outer)) {}

void FramePlacement::Apply() {
  const QRect outer = outer_();
  if (outer.isEmpty()) return;
  window_.winId();  // the native window, so its frame can be asked and watched
  QWindow* native = window_.windowHandle();
  if (native && !watching_) {
    native->installEventFilter(this);
    watching_ = true;
  }
  applied_ = native ? native->frameMargins() : QMargins();
  window_.setGeometry(outer.marginsRemoved(applied_));
}

bool FramePlacement::eventFilter(QObject* watched, QEvent* event) {
  // The frame is known once the window manager has framed the mapped window: by its
  // first exposure at the latest. A window the user has moved since keeps its frame, so
  // only a change of the frame itself places the window again.
  switch (event->type()) {
    case QEvent::Expose:
    case QEvent::Move:
    case QEvent::Resize: {
      auto* native = static_cast<QWindow*>(watched);
      if (native->isVisible() && !(native->windowStates() & Qt::WindowMaximized) &&
          native->frameMargins() != applied_)
        Apply();
      break;
    }
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace vantor
