// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tuning-method window TForm3: a tall window along the right edge of the screen
// showing the tuning procedure for a naturally stable or a naturally unstable process,
// chosen from its menu bar. It forgets the choice each time it is closed.
#include <QAction>
#include <QDialog>
#include <QMenuBar>
#include <cstdint>

#include "docs/TImage.h"
#include "docs/TPictureBox.h"
#include "widgets/FramePlacement.h"

namespace vantor {

class TForm3 : public QDialog {
 public:
  // `owner`: the main window; the window opens over it, on its screen.
  explicit TForm3(QWidget& owner);

  // 2 = no choice (at creation and after every closing), 1 = naturally stable,
  // 0 = naturally unstable.
  std::uint8_t methodChoice = 2;

  QMenuBar* MainMenu1 = nullptr;
  QAction* naturellementstable1 = nullptr;
  QAction* Naturellementinstable1 = nullptr;
  // The picture is shown at its own size from its top left corner (scrolling when the
  // window is smaller); a click fits it to the window's width, another click shows it
  // at its own size again.
  TPictureBox* ScrollBox1 = nullptr;
  TImage* Image1 = nullptr;

  // Places the window (510 wide, the screen's height less 27, flush with the top right
  // corner), hides the picture, then shows the chosen method if there is one, the
  // window widened to the sheet's own width as far as the screen allows.
  void FormShow();
  void naturellementstable1Click();
  void Naturellementinstable1Click();
  // Forgets the choice: no picture and the caption "méthode de réglage" next time.
  void FormClose();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void ShowMethod(std::uint8_t choice);

  QWidget& owner_;
  FramePlacement* placement_ = nullptr;
};

}  // namespace vantor
