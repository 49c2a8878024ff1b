#pragma once
// The wrapper every event handler runs in: an error abandons the rest of the handler and
// is shown once in the error box, then the program goes on. No exception crosses the
// event loop.
#include <QAbstractButton>
#include <QAction>
#include <QObject>
#include <QString>
#include <exception>
#include <functional>

class QWidget;

namespace vantor {

// The error box text for an exception's message (final "." rule applied).
QString ErrorText(const std::exception& e);

// Runs f; a VantorError (or any std::exception) is shown once through
// Dialogs::Current().Error with the final "." rule; returns false if an error was
// reported. Any other exception is reported as "Erreur inattendue".
bool Guarded(QWidget* parent, const std::function<void()>& f);

// Connects a button's click or an action's trigger to a member handler of `window`,
// run inside Guarded with `window` as the error box's parent.
template <class W>
QMetaObject::Connection ConnectGuarded(QAbstractButton* button, W* window, void (W::*handler)()) {
  return QObject::connect(button, &QAbstractButton::clicked, window,
                          [window, handler] { Guarded(window, [&] { (window->*handler)(); }); });
}
template <class W>
QMetaObject::Connection ConnectGuarded(QAction* action, W* window, void (W::*handler)()) {
  return QObject::connect(action, &QAction::triggered, window,
                          [window, handler] { Guarded(window, [&] { (window->*handler)(); }); });
}

}  // namespace vantor
