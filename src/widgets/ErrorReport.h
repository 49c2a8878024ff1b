// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The wrapper every event handler runs in: an error abandons the rest of the handler and
// is shown once in the error box, then the program goes on. No exception crosses the
// event loop.
#include <QAbstractButton>
#include <QAction>
#include <QObject>
#include <QString>
#include <QWidget>
#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

namespace vantor {

// The error box text for an exception's message (final "." rule applied).
QString ErrorText(const std::exception& e);

// Runs f; a VantorError (or any std::exception) is shown once through
// Dialogs::Current().Error with the final "." rule; returns false if an error was
// reported. Any other exception is reported as "Erreur inattendue".
bool Guarded(QWidget* parent, const std::function<void()>& f);

namespace detail {

template <class... A>
struct ArgList {};
// The arguments a handler takes: those of a member function, or of a callable's call.
template <class F>
struct HandlerArgs : HandlerArgs<decltype(&F::operator())> {};
template <class C, class R, class... A>
struct HandlerArgs<R (C::*)(A...)> {
  using type = ArgList<A...>;
};
template <class C, class R, class... A>
struct HandlerArgs<R (C::*)(A...) const> {
  using type = ArgList<A...>;
};

template <class Context, class Handler, class... A>
auto GuardedSlot(Context* context, Handler handler, QWidget* boxParent, ArgList<A...>) {
  return [context, handler, boxParent](A... args) {
    Guarded(boxParent, [&] {
      if constexpr (std::is_member_function_pointer_v<Handler>) {
        (context->*handler)(args...);
      } else {
        (void)context;  // a callable brings its own object
        handler(args...);
      }
    });
  };
}

}  // namespace detail

// Connects `signal` of `sender` to `handler`, run inside Guarded with `boxParent` as the
// error box's parent. The handler is a member function of `context` or any callable; it
// is given the signal's first arguments, as many as it takes. The connection ends with
// `context`.
template <class Sender, class Signal, class Context, class Handler>
QMetaObject::Connection ConnectGuarded(Sender* sender, Signal signal, Context* context,
                                       Handler handler, QWidget* boxParent) {
  return QObject::connect(sender, signal, context,
                          detail::GuardedSlot(context, std::move(handler), boxParent,
                                              typename detail::HandlerArgs<Handler>::type{}));
}

// The same with `context` as the error box's parent when it is a widget (no parent
// otherwise).
template <class Sender, class Signal, class Context, class Handler>
QMetaObject::Connection ConnectGuarded(Sender* sender, Signal signal, Context* context,
                                       Handler handler) {
  QWidget* boxParent = nullptr;
  if constexpr (std::is_base_of_v<QWidget, Context>) boxParent = context;
  return ConnectGuarded(sender, signal, context, std::move(handler), boxParent);
}

}  // namespace vantor
