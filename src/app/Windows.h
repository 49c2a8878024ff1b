// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Creation of the program's eight windows, once, in their fixed order (main window
// first: its creation runs the start-up), and the application object's set-up.
#include <memory>

#include "mainwindow/Uvantorwin.h"

class QApplication;

namespace vantor {

struct ProgramWindows {
  // The main window; the other windows are its children.
  std::unique_ptr<TForm1> Form1;
};

// Application name, icon and fonts shared by both executables; a file size limit fails
// the write that passes it instead of ending the program.
void SetUpApplication(QApplication& app);

ProgramWindows CreateWindows(CardOpener openCard);

// The real card in use, after the main window's caption and in the about box.
void ShowCardInUse(ProgramWindows& windows);

}  // namespace vantor
