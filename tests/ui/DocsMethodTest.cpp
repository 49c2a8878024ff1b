// SPDX-License-Identifier: GPL-3.0-or-later
// The tuning-method window and its picture control: placement on showing, the two
// choices, forgetting the choice on closing, failed loads, fitted and real-size display.
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include "WorkstationFixture.h"
#include "common/JpegDecoder.h"
#include "docs/Umethregpas.h"

namespace vantor::testing {
namespace {

class MethodWindowTest : public WorkstationFixture {
 protected:
  void SetUp() override {
    WorkstationFixture::SetUp();
    TForm1& f = CreateMainWindow();
    window = new TForm3(f);
    f.Form3 = window;
  }

  QImage Picture(const std::string& relative) { return LoadJpegImage(Path(relative).string()); }

  TForm3* window = nullptr;
};

TEST_F(MethodWindowTest, ShowsAlongTheRightEdgeWithNoChoiceAtFirst) {
  EXPECT_EQ(window->methodChoice, 2);
  EXPECT_EQ(window->windowTitle(), "méthode de réglage");
  EXPECT_EQ(window->palette().color(QPalette::Window), QColor(Qt::white));
  form->Mthodederglage1->trigger();
  ASSERT_TRUE(window->isVisible());
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QRect frame = window->frameGeometry();
  EXPECT_EQ(frame.width(), 510);
  EXPECT_EQ(frame.height(), screen.height() - 27);
  EXPECT_EQ(frame.top(), 0);
  EXPECT_EQ(frame.left(), screen.width() - 510);
  EXPECT_FALSE(window->Image1->isVisible());
  EXPECT_EQ(window->naturellementstable1->text(), "Naturellement stable");
  EXPECT_EQ(window->Naturellementinstable1->text(), "Naturellement instable");
  EXPECT_EQ(window->naturellementstable1->menu(), nullptr);  // items of the bar itself
}

TEST_F(MethodWindowTest, EachChoiceShowsItsSheetAndClosingForgetsIt) {
  form->Mthodederglage1->trigger();
  window->naturellementstable1->trigger();
  EXPECT_EQ(window->methodChoice, 1);
  EXPECT_EQ(window->windowTitle(), "méthode de réglage de système naturellement stable");
  EXPECT_TRUE(window->Image1->isVisible());
  EXPECT_EQ(window->Image1->Picture(), Picture("méthode/méthostable.jpg"));

  window->Naturellementinstable1->trigger();
  EXPECT_EQ(window->methodChoice, 0);
  EXPECT_EQ(window->windowTitle(), "méthode de réglage de système naturellement instable");
  EXPECT_EQ(window->Image1->Picture(), Picture("méthode/méthoinstable.jpg"));

  window->close();
  EXPECT_EQ(window->methodChoice, 2);
  EXPECT_EQ(window->windowTitle(), "méthode de réglage");
  form->Mthodederglage1->trigger();
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->Image1->isVisible());
  EXPECT_EQ(window->windowTitle(), "méthode de réglage");
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
}

TEST_F(MethodWindowTest, AChoiceShownAgainIsReloadedOnShowing) {
  window->naturellementstable1->trigger();  // chosen while hidden
  window->Image1->SetPicture(QImage());
  form->Mthodederglage1->trigger();
  EXPECT_EQ(window->windowTitle(), "méthode de réglage de système naturellement stable");
  EXPECT_TRUE(window->Image1->isVisible());
  EXPECT_EQ(window->Image1->Picture(), Picture("méthode/méthostable.jpg"));
}

TEST_F(MethodWindowTest, AFailedLoadKeepsTheOldPictureAndTheNewCaption) {
  form->Mthodederglage1->trigger();
  window->Naturellementinstable1->trigger();
  const QImage unstable = window->Image1->Picture();
  ASSERT_TRUE(std::filesystem::remove(Path("méthode/méthostable.jpg")));
  window->naturellementstable1->trigger();
  EXPECT_EQ(dialogs.errors, QStringList{"Impossible d'ouvrir le fichier méthode/méthostable.jpg."});
  EXPECT_EQ(window->windowTitle(), "méthode de réglage de système naturellement stable");
  EXPECT_EQ(window->methodChoice, 1);
  EXPECT_TRUE(window->Image1->isVisible());
  EXPECT_EQ(window->Image1->Picture(), unstable);
}

TEST_F(MethodWindowTest, TheSheetTakesItsOwnSizeWithScrollBarsAndAClickFitsItToTheWidth) {
  form->Mthodederglage1->trigger();
  window->naturellementstable1->trigger();
  QApplication::processEvents();
  TImage& image = *window->Image1;
  const QSize sheet = Picture("méthode/méthostable.jpg").size();
  const QWidget& view = *window->ScrollBox1->viewport();
  // The window widens to the sheet's own width, as far as the screen allows, against
  // the screen's right edge.
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  const QRect frame = window->frameGeometry();
  EXPECT_EQ(frame.right(), screen.right());
  EXPECT_GT(frame.width(), 510);
  EXPECT_LE(frame.width(), screen.width());
  const int viewport = view.width();
  // The whole width shows, or as much as the screen allows.
  EXPECT_GE(viewport, std::min(sheet.width(), screen.width() - 60));
  // At its own size, from the top left corner, scrolling where the window is smaller.
  EXPECT_TRUE(image.ActualSize());
  EXPECT_EQ(image.size(), sheet);
  EXPECT_EQ(window->ScrollBox1->horizontalScrollBar()->maximum(),
            std::max(0, sheet.width() - view.width()));
  EXPECT_EQ(window->ScrollBox1->verticalScrollBar()->maximum(), sheet.height() - view.height());
  EXPECT_EQ(window->ScrollBox1->horizontalScrollBar()->value(), 0);
  EXPECT_EQ(window->ScrollBox1->verticalScrollBar()->value(), 0);

  // Another sheet is shown from its top left corner.
  window->ScrollBox1->verticalScrollBar()->setValue(300);
  window->ScrollBox1->horizontalScrollBar()->setValue(200);
  window->Naturellementinstable1->trigger();
  EXPECT_EQ(window->ScrollBox1->verticalScrollBar()->value(), 0);
  EXPECT_EQ(window->ScrollBox1->horizontalScrollBar()->value(), 0);
  window->naturellementstable1->trigger();

  // Fitted: as wide as the window allows, proportions kept, scrolling vertically.
  QTest::mouseClick(&image, Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_FALSE(image.ActualSize());
  EXPECT_LE(image.width(), viewport);
  EXPECT_GE(image.width(), viewport - 30);
  EXPECT_NEAR(image.height(), image.width() * sheet.height() / double(sheet.width()), 1.0);
  EXPECT_EQ(window->ScrollBox1->verticalScrollBar()->maximum(),
            std::max(0, image.height() - view.height()));
  EXPECT_EQ(window->ScrollBox1->horizontalScrollBar()->maximum(), 0);
  // The fitted picture is drawn scaled, not cut.
  const QImage shown = image.grab().toImage();
  EXPECT_EQ(shown.size(), image.size());
  // A wider window shows more of the sheet, never more than its own size.
  window->resize(3000, window->height());
  QApplication::processEvents();
  EXPECT_EQ(image.size(), sheet);

  QTest::mouseClick(&image, Qt::LeftButton);
  EXPECT_TRUE(image.ActualSize());
}

TEST(PictureControl, CopiesTheDecodedPixelsInRedGreenBlueOrder) {
  const std::string mire = std::string(VANTOR_SOURCE_DIR) + "/tests/data/jpeg/mire.jpg";
  const QImage image = LoadJpegImage(mire);
  const DecodedPicture decoded = DecodeJpegFile(mire);
  ASSERT_EQ(image.size(), QSize(decoded.width, decoded.height));
  for (int y = 0; y < decoded.height; y += 7)
    for (int x = 0; x < decoded.width; x += 5) {
      const std::uint8_t* p = &decoded.rgb[(static_cast<std::size_t>(y) * decoded.width + x) * 3];
      EXPECT_EQ(image.pixelColor(x, y), QColor(p[0], p[1], p[2])) << x << "," << y;
    }
  // The test card's centre is red.
  const QColor centre = image.pixelColor(32, 24);
  EXPECT_GT(centre.red(), 200);
  EXPECT_LT(centre.green(), 60);
}

TEST(PictureControl, AnEmptyControlTakesNoRoomAndIgnoresClicks) {
  TImage image;
  image.SetAvailableWidth(300);
  EXPECT_EQ(image.DisplaySize(), QSize(0, 0));
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(0, 0), QPointF(0, 0), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&image, &press);
  EXPECT_TRUE(image.ActualSize());
  image.SetPicture(QImage(600, 200, QImage::Format_RGB888));
  EXPECT_EQ(image.DisplaySize(), QSize(600, 200));
  image.SetActualSize(false);
  EXPECT_EQ(image.DisplaySize(), QSize(300, 100));
  image.SetPicture(QImage(100, 50, QImage::Format_RGB888));
  EXPECT_EQ(image.DisplaySize(), QSize(100, 50));  // never enlarged
}

}  // namespace
}  // namespace vantor::testing
