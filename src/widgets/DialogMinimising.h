// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A dialog is minimised with the window it belongs to: the window manager (openbox, for
// one) minimises the whole chain of windows a dialog is transient for, so minimising a
// dialog from its window menu or the keyboard would hide the main window too, and the
// program would vanish from the screen. A dialog minimised while it was the active window
// is shown again at once, with the windows it belongs to: a dialog never hides the
// program. The main window minimised from its own title bar still takes its dialogs with
// it.
//
// The live trace, a window of its own (not a dialog), is minimised alone, as the main
// window is.
class QApplication;
class QObject;

namespace vantor {

// Watches every window of `app` from now on, through the event filter returned (owned by
// `app`; deleting it ends the watch).
QObject* KeepDialogsFromHidingTheProgram(QApplication& app);

}  // namespace vantor
