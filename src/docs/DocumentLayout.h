// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the document windows (help texts, wiring and method pictures) share: a column
// without margins under a menu bar named MainMenu1, and controls named as the forms name
// them.
#include <QDialog>
#include <QMenuBar>
#include <QVBoxLayout>

namespace vantor {

template <class T>
T* Named(T* object, const char* name) {
  object->setObjectName(name);
  return object;
}

// The window's column, its menu bar made and set in `menuBar`.
inline QVBoxLayout* MenuColumn(QDialog& window, QMenuBar*& menuBar) {
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  menuBar = Named(new QMenuBar(&window), "MainMenu1");
  layout->setMenuBar(menuBar);
  return layout;
}

}  // namespace vantor
