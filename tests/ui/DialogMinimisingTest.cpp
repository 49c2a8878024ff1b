// SPDX-License-Identifier: GPL-3.0-or-later
// A dialog minimised from itself (with the window it belongs to, as the window manager
// does it) comes back with that window; a window of its own, and the main window
// minimised with its dialog, stay minimised.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <memory>

#include "widgets/DialogMinimising.h"

namespace vantor::testing {
namespace {

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

TEST(DialogMinimisingTest, ADialogMinimisedWithItsMainWindowBringsBothBack) {
  const std::unique_ptr<QObject> watch(KeepDialogsFromHidingTheProgram(*qApp));
  QMainWindow main;
  main.resize(400, 300);
  main.show();
  auto* dialog = new QDialog(&main);
  dialog->show();
  auto* own = new QDialog(&main);
  own->setWindowFlags(Qt::Window);  // as the live trace: minimised alone
  own->show();
  Settle();

  // The dialog, the active window, minimised: the window manager minimises the whole
  // chain it belongs to.
  QApplication::setActiveWindow(dialog);
  Settle();
  main.setWindowState(main.windowState() | Qt::WindowMinimized);
  dialog->setWindowState(dialog->windowState() | Qt::WindowMinimized);
  Settle();
  EXPECT_FALSE(main.windowState() & Qt::WindowMinimized);
  EXPECT_FALSE(dialog->windowState() & Qt::WindowMinimized);
  EXPECT_TRUE(dialog->isVisible());

  // A window of its own goes alone, and stays so.
  QApplication::setActiveWindow(own);
  Settle();
  own->setWindowState(own->windowState() | Qt::WindowMinimized);
  Settle();
  EXPECT_TRUE(own->windowState() & Qt::WindowMinimized);
  EXPECT_FALSE(main.windowState() & Qt::WindowMinimized);
  // The main window minimised from its title bar (active then) takes its dialog along.
  QApplication::setActiveWindow(&main);
  Settle();
  main.setWindowState(main.windowState() | Qt::WindowMinimized);
  dialog->setWindowState(dialog->windowState() | Qt::WindowMinimized);
  Settle();
  EXPECT_TRUE(main.windowState() & Qt::WindowMinimized);
  EXPECT_TRUE(dialog->windowState() & Qt::WindowMinimized);
}

}  // namespace
}  // namespace vantor::testing
