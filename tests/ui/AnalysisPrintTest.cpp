// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis printout: caption line, seven strips on a portrait page, and the printer
// and cursor left as they were on every way out.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include "AnalysisFixture.h"
#include "regulation/PrintCaption.h"

namespace vantor::testing {
namespace {

class AnalysisPrintTest : public AnalysisFixture {
 protected:
  void TearDown() override {
    Printer::Instance().SetSupportsSettings(true);
    Printer::Instance().SetOrientation(TPrinterOrientation::poPortrait);
    AnalysisFixture::TearDown();
  }
  QString PdfPath(const char* name) { return QString::fromStdString(Path(name).string()); }
  // "Imprimer" in the open analysis window, the print dialog sending the page to `pdf`.
  void Print(const QString& pdf) {
    dialogs.pdfPath = pdf;
    ASSERT_TRUE(OpenAnalysis([&] { form2->imprimer1->trigger(); }));
  }
  static bool Have(const char* tool) { return !QStandardPaths::findExecutable(tool).isEmpty(); }
  static QString PdfText(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
  }
  // The page rendered at `dpi` without smoothing, so that thin lines stay whole pixels.
  QImage Render(const QString& pdf, int dpi) {
    const QString prefix = QString::fromStdString(Path("page").string());
    QProcess p;
    p.start("pdftoppm", {"-r", QString::number(dpi), "-png", "-aa", "no", "-aaVector", "no",
                         "-singlefile", pdf, prefix});
    p.waitForFinished(60000);
    return QImage(prefix + ".png").convertToFormat(QImage::Format_Grayscale8);
  }
};

TEST_F(AnalysisPrintTest, AStepPrintsTheShortCaptionInPortraitAndPutsThePrinterBack) {
  if (!Have("pdftotext")) GTEST_SKIP() << "no pdftotext";
  StepRun("2", "1.5", "0", "0.2", 120);
  Printer& printer = Printer::Instance();
  printer.SetOrientation(TPrinterOrientation::poLandscape);
  Print(PdfPath("analyse.pdf"));
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  EXPECT_EQ(dialogs.printDialogs, 1);
  EXPECT_EQ(printer.Orientation(), TPrinterOrientation::poLandscape);
  EXPECT_FALSE(printer.Printing());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // The seven printed charts keep the print resolution; the three others never had it.
  for (TChart* c : form2->PrintedCharts()) EXPECT_EQ(c->PrintResolution, -100);
  for (TChart* c : {form2->Chart6, form2->Chart7, form2->Chart8}) EXPECT_EQ(c->PrintResolution, 0);
  const QString text = PdfText(PdfPath("analyse.pdf"));
  // pdftotext folds runs of blanks: the exact caption is compared through its builder.
  EXPECT_TRUE(text.simplified().contains(
      "Consigne: Echelon(amplitude:2.000) , Kp:1.500, Kd:0.000, Ki:0.200"))
      << text.toStdString();
  EXPECT_EQ(BuildPrintCaption(form->Panel15->Caption().toStdString(), form->State),
            "Consigne: Echelon(amplitude:2.000)  , Kp:1.500, Kd:0.000, Ki:0.200");
  // Seven charts: those of the right panel's three term charts are not printed.
  EXPECT_EQ(text.count("consigne/retour") + text.count("ordre") + text.count("erreur"), 7);
}

TEST_F(AnalysisPrintTest, APeriodicSetpointPrintsTheLongCaption) {
  if (!Have("pdftotext")) GTEST_SKIP() << "no pdftotext";
  form->Button3->click();  // triangle
  form->Edit4->setText("0.5");
  form->Edit6->setText("3");
  form->Edit7->setText("1.25");
  form->Edit1->setText("2");
  RunFor(40);
  Print(PdfPath("triangle.pdf"));
  EXPECT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  const QString text = PdfText(PdfPath("triangle.pdf")).simplified();
  const QString caption = form->Panel15->Caption().simplified() +
                          "(moyenne:3.000,amplitude:1.250,f:0.500hz) , Kp:2.000, Kd:0.000, "
                          "Ki:0.000";
  EXPECT_TRUE(text.contains(caption)) << text.toStdString();
}

TEST_F(AnalysisPrintTest, SevenStripsOfEqualHeightInsideTheMargins) {
  if (!Have("pdftoppm")) GTEST_SKIP() << "no pdftoppm";
  StepRun("5", "0.5", "0.1", "0", 400);
  Print(PdfPath("strips.pdf"));
  ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join("\n").toStdString();
  constexpr int kDpi = 50;
  const QImage page = Render(PdfPath("strips.pdf"), kDpi);
  ASSERT_FALSE(page.isNull());
  // Where the printable area and the strips fall on the rendered page.
  QPrinter& device = Printer::Instance().Device();
  const double scale = static_cast<double>(kDpi) / device.resolution();
  const QRect paint = device.pageLayout().paintRectPixels(device.resolution());
  ASSERT_LT(std::abs(page.width() -
                     device.pageLayout().fullRectPixels(device.resolution()).width() * scale),
            2);
  const AnalysisPage geometry = ComputeAnalysisPage(paint.width(), paint.height());
  auto px = [&](double device) { return device * scale; };
  const double left = px(paint.left() + geometry.left);
  const double right = px(paint.left() + geometry.left + geometry.width);
  auto boundary = [&](int k) { return px(paint.top() + geometry.top + k * geometry.strip); };
  auto dark = [&](int x, int y) { return qGray(page.pixel(x, y)) < 128; };
  auto darkInRow = [&](int y, int x0, int x1) {
    int n = 0;
    for (int x = std::max(x0, 0); x < std::min(x1, page.width()); ++x) n += dark(x, y);
    return n;
  };

  // Each strip's plot frame runs along its top and bottom edges: a long dark row at each
  // of the eight strip boundaries, equally spaced.
  const int span = static_cast<int>(right - left);
  for (int k = 0; k <= kAnalysisStrips; ++k) {
    const int y = static_cast<int>(std::lround(boundary(k)));
    int best = 0;
    for (int dy = -1; dy <= 1; ++dy)
      best = std::max(best, darkInRow(y + dy, static_cast<int>(left), static_cast<int>(right)));
    EXPECT_GT(best, span * 7 / 10)
        << "no frame edge at strip boundary " << k << " (row " << y << ")";
  }
  // Nothing is drawn outside the margins and below the last strip.
  const int lastRow = static_cast<int>(std::ceil(boundary(kAnalysisStrips))) + 1;
  for (int y = lastRow; y < page.height(); ++y)
    ASSERT_EQ(darkInRow(y, 0, page.width()), 0) << "ink below the strips at row " << y;
  for (int y = 0; y < page.height(); ++y) {
    ASSERT_EQ(darkInRow(y, 0, static_cast<int>(std::floor(left)) - 1), 0)
        << "ink left of the margin at row " << y;
    ASSERT_EQ(darkInRow(y, static_cast<int>(std::ceil(right)) + 1, page.width()), 0)
        << "ink right of the margin at row " << y;
  }
  // Above the strips only the caption line, written in the top margin from its middle.
  const int firstRow = static_cast<int>(std::floor(boundary(0))) - 1;
  const int captionTop = static_cast<int>(std::floor(px(paint.top() + geometry.captionY)));
  int captionInk = 0;
  for (int y = 0; y < firstRow; ++y) {
    const int n = darkInRow(y, 0, page.width());
    if (y < captionTop) {
      ASSERT_EQ(n, 0) << "ink above the caption at row " << y;
    }
    captionInk += n;
  }
  EXPECT_GT(captionInk, 100);
}

TEST_F(AnalysisPrintTest, CancellingTheDialogPrintsNothing) {
  dialogs.printDialogAnswer = false;
  Print(PdfPath("none.pdf"));
  EXPECT_EQ(dialogs.printDialogs, 1);
  EXPECT_FALSE(std::filesystem::exists(Path("none.pdf")));
  EXPECT_FALSE(Printer::Instance().Printing());
  EXPECT_EQ(form2->Chart2->PrintResolution, 0);
  EXPECT_TRUE(dialogs.errors.isEmpty());
}

TEST_F(AnalysisPrintTest, RefusalsAreReportedAndLeaveThePrinterAndCursorAsTheyWere) {
  Printer& printer = Printer::Instance();
  // A printer without settings refuses the orientation: nothing is printed.
  printer.SetSupportsSettings(false);
  Print(PdfPath("refused.pdf"));
  ASSERT_EQ(dialogs.errors.size(), 1);
  EXPECT_EQ(dialogs.errors[0], "Opération non supportée par l'imprimante sélectionnée.");
  EXPECT_FALSE(std::filesystem::exists(Path("refused.pdf")));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // A page that cannot be put in place (the target is a folder holding a file).
  printer.SetSupportsSettings(true);
  printer.SetOrientation(TPrinterOrientation::poLandscape);
  std::filesystem::create_directories(Path("occupied/inside"));
  Print(PdfPath("occupied"));
  ASSERT_EQ(dialogs.errors.size(), 2);
  EXPECT_TRUE(dialogs.errors[1].startsWith("Impossible de créer le fichier"));
  EXPECT_FALSE(printer.Printing());
  EXPECT_EQ(printer.Orientation(), TPrinterOrientation::poLandscape);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // The next printout goes through.
  Print(PdfPath("next.pdf"));
  EXPECT_EQ(dialogs.errors.size(), 2);
  EXPECT_TRUE(std::filesystem::exists(Path("next.pdf")));
}

}  // namespace
}  // namespace vantor::testing
