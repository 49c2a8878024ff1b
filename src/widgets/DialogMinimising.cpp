// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/DialogMinimising.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <vector>

namespace vantor {

namespace {

void Unminimise(QWidget& window) {
  if (window.windowState() & Qt::WindowMinimized)
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
}

class DialogMinimisingFilter : public QObject {
 public:
  explicit DialogMinimisingFilter(QObject* parent) : QObject(parent) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!watched->isWidgetType()) return false;
    auto* window = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::WindowActivate && window->isWindow()) lastActive_ = window;
    if (event->type() != QEvent::WindowStateChange) return false;
    // The dialog the user was in, minimised: the main window minimised by its own button
    // takes its dialogs with it, and that one stays so.
    if (!window->isWindow() || window->windowType() != Qt::Dialog ||
        !(window->windowState() & Qt::WindowMinimized) || lastActive_ != window)
      return false;
    // After the window manager has minimised the rest of the chain, which the program
    // learns in the same turn.
    QTimer::singleShot(0, this, [dialog = QPointer<QWidget>(window)] {
      if (!dialog) return;
      std::vector<QWidget*> chain;
      for (QWidget* w = dialog; w; w = w->parentWidget() ? w->parentWidget()->window() : nullptr)
        chain.push_back(w);
      // The main window first, the dialog last, on top.
      for (auto it = chain.rbegin(); it != chain.rend(); ++it) Unminimise(**it);
      dialog->raise();
      dialog->activateWindow();
    });
    return false;
  }

 private:
  // The window activated last: the one a minimise asked from the keyboard or the window
  // menu comes from (a click on a title bar's button activates its window first).
  QPointer<QWidget> lastActive_;
};

}  // namespace

QObject* KeepDialogsFromHidingTheProgram(QApplication& app) {
  auto* filter = new DialogMinimisingFilter(&app);
  app.installEventFilter(filter);
  return filter;
}

}  // namespace vantor
