// SPDX-License-Identifier: GPL-3.0-or-later
#include "docs/Umethregpas.h"

#include <QGuiApplication>
#include <QHideEvent>
#include <QPalette>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "docs/DocumentLayout.h"
#include "widgets/ErrorReport.h"
#include "widgets/FramePlacement.h"

namespace vantor {

namespace {

const char* const kNoChoiceCaption = "méthode de réglage";

struct Method {
  const char* caption;
  const char* file;
};

// By `methodChoice`: 0 naturally unstable, 1 naturally stable.
const Method kMethods[] = {
    {"méthode de réglage de système naturellement instable", "méthode/méthoinstable.jpg"},
    {"méthode de réglage de système naturellement stable", "méthode/méthostable.jpg"},
};

}  // namespace

TForm3::TForm3(QWidget& owner) : QDialog(&owner), owner_(owner) {
  setObjectName("Form3");
  setWindowTitle(QString::fromUtf8(kNoChoiceCaption));
  // Sizeable, with the system menu and the close button only.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setSizeGripEnabled(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  // The two items sit directly on the menu bar.
  QVBoxLayout* layout = MenuColumn(*this, MainMenu1);
  naturellementstable1 =
      Named(MainMenu1->addAction("Naturellement stable"), "naturellementstable1");
  Naturellementinstable1 =
      Named(MainMenu1->addAction("Naturellement instable"), "Naturellementinstable1");

  ScrollBox1 = new TPictureBox(this);
  ScrollBox1->setObjectName("ScrollBox1");
  ScrollBox1->setPalette(white);
  ScrollBox1->viewport()->setPalette(white);
  ScrollBox1->viewport()->setAutoFillBackground(true);
  Image1 = ScrollBox1->Image();
  Image1->setVisible(false);
  layout->addWidget(ScrollBox1);

  // 510 wide and the screen's height less 27, title bar and borders included, against
  // the top right corner of the main window's screen. A sheet is read at its own size:
  // with one shown, the window is as wide as the sheet and its vertical scroll bar (as
  // far as the screen allows), so that its text is not cut at the window's edge.
  placement_ = new FramePlacement(*this, [this] {
    const QScreen* screen = owner_.screen() ? owner_.screen() : QGuiApplication::primaryScreen();
    if (!screen) return QRect();
    const QRect area = screen->geometry();
    int w = 510;
    if (methodChoice <= 1 && !Image1->Picture().isNull()) {
      // Borders, layout margins and the vertical scroll bar around the picture.
      const int chrome = frameGeometry().width() - ScrollBox1->width() +
                         2 * ScrollBox1->frameWidth() +
                         ScrollBox1->verticalScrollBar()->sizeHint().width();
      w = std::clamp(Image1->Picture().width() + chrome, w, area.width());
    }
    return QRect(area.left() + area.width() - w, area.top(), w, area.height() - 27);
  });

  ConnectGuarded(naturellementstable1, &QAction::triggered, this,
                 &TForm3::naturellementstable1Click);
  ConnectGuarded(Naturellementinstable1, &QAction::triggered, this,
                 &TForm3::Naturellementinstable1Click);
}

void TForm3::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) Guarded(this, [this] { FormShow(); });
}

void TForm3::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  // Closing (title-bar button, system menu, Escape) hides the window.
  if (!event->spontaneous()) FormClose();
}

void TForm3::FormShow() {
  placement_->Apply();
  Image1->setVisible(false);
  if (methodChoice == 1 || methodChoice == 0) {
    setWindowTitle(QString::fromUtf8(kMethods[methodChoice].caption));
    Image1->LoadFromFile(kMethods[methodChoice].file);
    Image1->setVisible(true);
    placement_->Apply();
  }
}

void TForm3::ShowMethod(std::uint8_t choice) {
  methodChoice = choice;
  setWindowTitle(QString::fromUtf8(kMethods[choice].caption));
  Image1->setVisible(true);
  Image1->LoadFromFile(kMethods[choice].file);
  placement_->Apply();
}

void TForm3::naturellementstable1Click() {
  ShowMethod(1);
}

void TForm3::Naturellementinstable1Click() {
  ShowMethod(0);
}

void TForm3::FormClose() {
  methodChoice = 2;
  setWindowTitle(QString::fromUtf8(kNoChoiceCaption));
}

}  // namespace vantor
