// SPDX-License-Identifier: GPL-3.0-or-later
// The about box: its texts, its icon and the OK button.
#include <QDir>
#include <QPushButton>
#include <QTimer>
#include <set>

#include "WorkstationFixture.h"
#include "docs/Uapropos.h"

namespace vantor::testing {
namespace {

class AboutBoxTest : public WorkstationFixture {
 protected:
  void SetUp() override {
    WorkstationFixture::SetUp();
    TForm1& f = CreateMainWindow();
    box = new TAboutBox(f);
    f.AboutBox = box;
  }
  TAboutBox* box = nullptr;
};

TEST_F(AboutBoxTest, NamesTheProductItsVersionAndAContact) {
  EXPECT_EQ(box->windowTitle(), "A propos....");
  EXPECT_EQ(box->size(), QSize(298, 247));
  EXPECT_EQ(box->minimumSize(), box->maximumSize());
  EXPECT_EQ(box->ProductName->text(), "Regulateur Vantor");
  EXPECT_EQ(box->Version->text(), "Version 1.1");
  EXPECT_FALSE(box->Copyright->text().isEmpty());
  EXPECT_FALSE(box->Comments->text().isEmpty());
  EXPECT_TRUE(box->Comments->wordWrap());
  EXPECT_EQ(box->Comments->palette().color(QPalette::WindowText), QColor(Qt::blue));
  EXPECT_EQ(box->Label1->text(), "pour commentaires et informations...");
  EXPECT_EQ(box->OKButton->text(), "OK");
  EXPECT_TRUE(box->OKButton->isDefault());
  // Every text fits its label.
  for (QLabel* label : {box->ProductName, box->Version, box->Label1})
    EXPECT_LE(label->sizeHint().width(), label->width()) << label->text().toStdString();
  for (QLabel* label : {box->Copyright, box->Comments})
    EXPECT_LE(label->heightForWidth(label->width()), label->height())
        << label->text().toStdString();
}

TEST_F(AboutBoxTest, SaysWhichWorkingFolderIsInUseEvenWhenItsPathIsLong) {
  EXPECT_EQ(box->WorkingFolder->text(), QDir::currentPath());
  // A path too long for the box keeps its start and its end on screen, and the whole
  // path is in the tool tip.
  const QString deep = QDir::currentPath() + "/" + QString(60, 'x') + "/regulateur-vantor";
  ASSERT_TRUE(QDir().mkpath(deep));
  ASSERT_TRUE(QDir::setCurrent(deep));
  TAboutBox other(*form);
  EXPECT_EQ(other.WorkingFolder->toolTip(), deep);
  EXPECT_TRUE(other.WorkingFolder->text().startsWith(deep.left(8)));
  EXPECT_TRUE(other.WorkingFolder->text().endsWith("/regulateur-vantor"));
  EXPECT_LE(other.WorkingFolder->sizeHint().width(), other.WorkingFolder->width());
}

TEST_F(AboutBoxTest, TheIconIsA32PixelSixteenColourPictureStretchedTo65By57) {
  const QImage icon = ProgramIconImage();
  EXPECT_EQ(icon.size(), QSize(32, 32));
  const std::set<QRgb> classic = {
      qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
      qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
      qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
      qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
  std::set<QRgb> used;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const QRgb c = icon.pixel(x, y);
      if (qAlpha(c) == 0) continue;
      EXPECT_EQ(qAlpha(c), 255);
      EXPECT_TRUE(classic.count(c | 0xff000000u)) << x << "," << y;
      used.insert(c);
    }
  EXPECT_GE(used.size(), 4u);  // a drawing, not a flat square
  EXPECT_EQ(box->ProgramIcon->pixmap().size(), QSize(65, 57));
  EXPECT_EQ(box->ProgramIcon->size(), QSize(65, 57));
}

TEST_F(AboutBoxTest, IsShownModallyAndOkClosesIt) {
  bool wasModal = false;
  QTimer::singleShot(0, box, [&] {
    wasModal = QApplication::activeModalWidget() == box;
    box->OKButton->click();
  });
  form->Apropos1->trigger();
  EXPECT_TRUE(wasModal);
  EXPECT_FALSE(box->isVisible());
  EXPECT_EQ(box->result(), QDialog::Accepted);
}

}  // namespace
}  // namespace vantor::testing
