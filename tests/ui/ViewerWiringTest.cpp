// SPDX-License-Identifier: GPL-3.0-or-later
// The wiring viewer: picture chosen by the key word when shown, loading errors that
// keep the previous picture, printer set-up and the one-page printout.
#include <QImage>
#include <QScreen>
#include <cstdio>
#include <fstream>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include "PdfSupport.h"
#include "WorkstationFixture.h"
#include "docs/PageFit.h"
#include "docs/Utechno.h"

namespace vantor::testing {
namespace {

class WiringViewerTest : public WorkstationFixture {
 protected:
  void SetUp() override {
    WorkstationFixture::SetUp();
    TForm1& f = CreateMainWindow();
    viewer = new TOKBottomDlg2(f);
    f.OKBottomDlg2 = viewer;
  }

  QImage Picture(const std::string& relative) { return LoadJpegImage(Path(relative).string()); }

  void WriteFile(const std::string& relative, const std::string& bytes) {
    std::ofstream(Path(relative), std::ios::binary | std::ios::trunc) << bytes;
  }

  TOKBottomDlg2* viewer = nullptr;
};

TEST_F(WiringViewerTest, FillsTheWorkAreaUnderItsCaption) {
  EXPECT_EQ(viewer->windowTitle(), "Technologie ");
  form->Exemplebranchementsasservissementdeposition1->trigger();
  EXPECT_EQ(viewer->frameGeometry(), QGuiApplication::primaryScreen()->availableGeometry());
  EXPECT_FALSE(viewer->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(viewer->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(viewer->configurer1->text(), "Configurer");
  EXPECT_EQ(viewer->Imprimer2->text(), "Imprimer");
  EXPECT_EQ(viewer->windowTitle(), "Technologie ");
}

TEST_F(WiringViewerTest, EachKeyWordShowsItsDiagram) {
  EXPECT_FALSE(viewer->Image1->isVisibleTo(viewer));
  form->Exemplebranchementsasservissementdeposition1->trigger();
  EXPECT_EQ(form->helpTopic, "position");
  EXPECT_TRUE(viewer->Image1->isVisible());
  EXPECT_EQ(viewer->Image1->Picture(), Picture("aide/schémapos.jpg"));
  viewer->close();

  form->ExemplebranchementsasservissementdevitessemoteurCC1->trigger();
  EXPECT_TRUE(viewer->Image1->isVisible());
  EXPECT_EQ(viewer->Image1->Picture(), Picture("aide/schémavit.jpg"));
  EXPECT_NE(viewer->Image1->Picture(), Picture("aide/schémapos.jpg"));

  // Shown again while open: nothing reloaded.
  form->Exemplebranchementsasservissementdeposition1->trigger();
  EXPECT_EQ(viewer->Image1->Picture(), Picture("aide/schémavit.jpg"));
  viewer->close();

  // Any other key word hides the picture (which is still held).
  form->helpTopic = "souris";
  viewer->show();
  EXPECT_FALSE(viewer->Image1->isVisible());
  EXPECT_EQ(viewer->Image1->Picture(), Picture("aide/schémavit.jpg"));
  viewer->close();

  // The USB interface board's wiring.
  form->helpTopic = "usb";
  viewer->show();
  EXPECT_TRUE(viewer->Image1->isVisible());
  EXPECT_EQ(viewer->Image1->Picture(), Picture("aide/schémausb.jpg"));
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
}

TEST_F(WiringViewerTest, AFailedLoadKeepsThePreviousPictureAndShowsTheArea) {
  form->Exemplebranchementsasservissementdeposition1->trigger();
  viewer->close();
  const QImage position = viewer->Image1->Picture();

  ASSERT_TRUE(std::filesystem::remove(Path("aide/schémavit.jpg")));
  form->ExemplebranchementsasservissementdevitessemoteurCC1->trigger();
  EXPECT_EQ(dialogs.errors, QStringList{"Impossible d'ouvrir le fichier aide/schémavit.jpg."});
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_TRUE(viewer->Image1->isVisible());
  EXPECT_EQ(viewer->Image1->Picture(), position);
  viewer->close();

  dialogs.errors.clear();
  WriteFile("aide/schémavit.jpg", "Ceci n'est pas une image.\r\n");
  form->ExemplebranchementsasservissementdevitessemoteurCC1->trigger();
  EXPECT_EQ(dialogs.errors,
            QStringList{QString("Erreur JPEG #%1.").arg(static_cast<int>(JERR_NO_SOI))});
  EXPECT_EQ(viewer->Image1->Picture(), position);
}

TEST_F(WiringViewerTest, PrinterSetUpGoesThroughTheSetUpDialog) {
  form->Exemplebranchementsasservissementdeposition1->trigger();
  viewer->configurer1->trigger();
  EXPECT_EQ(dialogs.setupDialogs, 1);
  EXPECT_EQ(dialogs.printDialogs, 0);
}

TEST_F(WiringViewerTest, NothingToPrintBeforeAPictureWasEverLoaded) {
  form->helpTopic = "materiel";
  viewer->show();
  dialogs.pdfPath = QString::fromStdString(Path("schema.pdf").string());
  viewer->Imprimer2->trigger();
  EXPECT_EQ(dialogs.messages, QStringList{"Aucune image à imprimer"});
  EXPECT_TRUE(dialogs.errors.isEmpty());
  EXPECT_EQ(dialogs.printDialogs, 0);
  EXPECT_FALSE(Printer::Instance().Printing());
  EXPECT_FALSE(std::filesystem::exists(Path("schema.pdf")));
}

// Prints `relative` (a picture of the working copy) and returns the PDF file.
class WiringPrintTest : public WiringViewerTest {
 protected:
  QString PrintPicture(const char* keyWordCommand) {
    if (std::string(keyWordCommand) == "position")
      form->Exemplebranchementsasservissementdeposition1->trigger();
    else
      form->ExemplebranchementsasservissementdevitessemoteurCC1->trigger();
    Printer::Instance().SetOrientation(TPrinterOrientation::poPortrait);
    const QString file = QString::fromStdString(Path("schema.pdf").string());
    std::filesystem::remove(Path("schema.pdf"));
    dialogs.pdfPath = file;
    viewer->Imprimer2->trigger();
    return file;
  }
};

TEST_F(WiringPrintTest, APortraitPictureSmallerThanThePageTakesTheFullHeightAtTheMargins) {
  if (!pdf::HasTools()) GTEST_SKIP() << "poppler-utils missing";
  QImage red(120, 400, QImage::Format_RGB888);
  red.fill(QColor(255, 0, 0));
  ASSERT_TRUE(red.save(QString::fromStdString(Path("aide/schémapos.jpg").string()), "JPG", 95));

  const QString file = PrintPicture("position");
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_FALSE(Printer::Instance().Printing());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(pdf::Info(file, "Pages"), "1");
  EXPECT_EQ(pdf::Info(file, "Title"), "");  // the job has no title of its own

  Printer& printer = Printer::Instance();
  const int W = printer.PageWidth(), H = printer.PageHeight();
  const PageMargins m = ViewerPageMargins(W, H);
  const PageRect target = *FitPictureToPage(W, H, 120, 400);
  EXPECT_EQ(target.Height(), H - 2 * m.my);  // full available height

  const QImage page = pdf::Render(file, 1, 60);
  ASSERT_FALSE(page.isNull());
  const QRectF expected = pdf::OnImage(
      printer.Device(), page, QRect(target.left, target.top, target.Width(), target.Height()));
  const QRect printed =
      pdf::Bounds(page, [](QRgb c) { return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80; });
  EXPECT_NEAR(printed.left(), expected.left(), 1.5);
  EXPECT_NEAR(printed.top(), expected.top(), 1.5);
  EXPECT_NEAR(printed.right() + 1, expected.right(), 1.5);
  EXPECT_NEAR(printed.bottom() + 1, expected.bottom(), 1.5);
}

TEST_F(WiringPrintTest, TheShippedLandscapeDiagramTakesTheFullWidth) {
  if (!pdf::HasTools()) GTEST_SKIP() << "poppler-utils missing";
  const QString file = PrintPicture("vitesse");
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  Printer& printer = Printer::Instance();
  const int W = printer.PageWidth(), H = printer.PageHeight();
  const PageMargins m = ViewerPageMargins(W, H);
  const PageRect target = *FitPictureToPage(W, H, 1600, 1131);
  EXPECT_EQ(target.Width(), W - 2 * m.mx);

  // The diagram's paper is white on white paper: the drawing inside it stays within the
  // printed rectangle, and reaches near its four sides.
  const QImage page = pdf::Render(file, 1, 60);
  ASSERT_FALSE(page.isNull());
  const QRectF expected = pdf::OnImage(
      printer.Device(), page, QRect(target.left, target.top, target.Width(), target.Height()));
  const QRect ink = pdf::Bounds(page, [](QRgb c) { return qGray(c) < 235; });
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_TRUE(expected.adjusted(-1, -1, 1, 1).contains(QRectF(ink)));
  EXPECT_LT(ink.left() - expected.left(), expected.width() * 0.05);
  EXPECT_LT(expected.right() - ink.right(), expected.width() * 0.05);
  EXPECT_LT(ink.top() - expected.top(), expected.height() * 0.05);
}

TEST_F(WiringPrintTest, AFileThatCannotBeWrittenIsReportedAndLeavesNoJobOpen) {
  // The PDF target is a folder: refused, with its cause, and left as it was.
  std::filesystem::create_directories(Path("schema.pdf"));
  form->Exemplebranchementsasservissementdeposition1->trigger();
  const QString file = QString::fromStdString(Path("schema.pdf").string());
  dialogs.pdfPath = file;
  viewer->Imprimer2->trigger();
  EXPECT_EQ(dialogs.errors, QStringList{"Impossible de créer le fichier " + file +
                                        ".\nCause : c'est un dossier, pas un fichier"});
  EXPECT_FALSE(Printer::Instance().Printing());
  EXPECT_TRUE(std::filesystem::is_directory(Path("schema.pdf")));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(WiringPrintTest, ACancelledPrintDialogPrintsNothing) {
  form->Exemplebranchementsasservissementdeposition1->trigger();
  dialogs.pdfPath = QString::fromStdString(Path("schema.pdf").string());
  dialogs.printDialogAnswer = false;
  viewer->Imprimer2->trigger();
  EXPECT_EQ(dialogs.printDialogs, 1);
  EXPECT_FALSE(std::filesystem::exists(Path("schema.pdf")));
}

}  // namespace
}  // namespace vantor::testing
