// SPDX-License-Identifier: GPL-3.0-or-later
// The program's printer: refusals, jobs to PDF, abort after a drawing error, orientation.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "ScriptedDialogs.h"
#include "ThrownText.h"
#include "common/VantorError.h"
#include "widgets/Dialogs.h"
#include "widgets/ErrorReport.h"
#include "widgets/Printer.h"

namespace vantor {
namespace {

const std::string kNotPrinting = "L'imprimante n'imprime pas pour l'instant";
const std::string kPrinting = "Impression en cours";
const std::string kUnsupported = "Opération non supportée par l'imprimante sélectionnée";

class PrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    pdf = dir.filePath("page.pdf");
    printer.SetOutputPdf(pdf);
  }
  QTemporaryDir dir;
  QString pdf;
  Printer printer;
};

TEST_F(PrinterTest, RefusesJobOperationsWithNoJobOpenAndASecondJob) {
  EXPECT_EQ(ThrownText([&] { printer.Abort(); }), kNotPrinting);
  EXPECT_EQ(ThrownText([&] { printer.EndDoc(); }), kNotPrinting);
  EXPECT_EQ(ThrownText([&] { printer.NewPage(); }), kNotPrinting);
  EXPECT_EQ(ThrownText([&] { printer.Canvas(); }), kNotPrinting);
  EXPECT_EQ(ThrownText([&] { printer.TextOut(0, 0, "x"); }), kNotPrinting);
  printer.BeginDoc("essai");
  EXPECT_TRUE(printer.Printing());
  EXPECT_EQ(ThrownText([&] { printer.BeginDoc(); }), kPrinting);
  EXPECT_EQ(ThrownText([&] { printer.SetOrientation(TPrinterOrientation::poLandscape); }),
            kPrinting);
  EXPECT_EQ(ThrownText([&] { printer.SetOutputPdf(dir.filePath("other.pdf")); }), kPrinting);
  printer.EndDoc();
  EXPECT_FALSE(printer.Printing());
  EXPECT_EQ(ThrownText([&] { printer.EndDoc(); }), kNotPrinting);
}

TEST_F(PrinterTest, APrinterWithoutSettingsRefusesOrientation) {
  printer.SetSupportsSettings(false);
  EXPECT_EQ(ThrownText([&] { printer.Orientation(); }), kUnsupported);
  EXPECT_EQ(ThrownText([&] { printer.SetOrientation(TPrinterOrientation::poPortrait); }),
            kUnsupported);
  EXPECT_EQ(ThrownText([&] { PrintJob job(printer, TPrinterOrientation::poPortrait); }),
            kUnsupported);
  EXPECT_FALSE(printer.Printing());
  EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PrinterTest, OrientationSetBeforeAJobIsRestoredAfterIt) {
  printer.SetOrientation(TPrinterOrientation::poLandscape);
  EXPECT_GT(printer.PageWidth(), printer.PageHeight());
  {
    PrintJob job(printer, TPrinterOrientation::poPortrait);
    EXPECT_EQ(printer.Orientation(), TPrinterOrientation::poPortrait);
    EXPECT_LT(printer.PageWidth(), printer.PageHeight());
    printer.SetCanvasFont("Arial", 10);
    printer.TextOut(100, 100, "Consigne: Echelon(amplitude:2.000)");
    job.End();
  }
  EXPECT_EQ(printer.Orientation(), TPrinterOrientation::poLandscape);
  EXPECT_FALSE(printer.Printing());
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF"));
  EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"page.pdf"});
  if (!QStandardPaths::findExecutable("pdftotext").isEmpty()) {
    QProcess p;
    p.start("pdftotext", {pdf, "-"});
    p.waitForFinished(60000);
    EXPECT_TRUE(p.readAllStandardOutput().contains("Consigne: Echelon(amplitude:2.000)"));
  }
}

TEST_F(PrinterTest, AJobAbortedAfterADrawingErrorLeavesNoJobAndReportsOnlyThatError) {
  // A page printed earlier is neither damaged nor replaced by the aborted job.
  printer.BeginDoc();
  printer.TextOut(10, 10, "ancienne page");
  printer.EndDoc();
  QFile earlier(pdf);
  ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
  const QByteArray before = earlier.readAll();
  earlier.close();

  printer.SetOrientation(TPrinterOrientation::poLandscape);
  ScriptedDialogs dialogs;
  DialogsScope scope(&dialogs);
  const bool ok = Guarded(nullptr, [&] {
    PrintJob job(printer, TPrinterOrientation::poPortrait);
    printer.TextOut(10, 10, "moitié de page");
    throw VantorError("Division par zéro");
  });
  EXPECT_FALSE(ok);
  EXPECT_EQ(dialogs.errors, QStringList{"Division par zéro."});
  EXPECT_FALSE(printer.Printing());
  EXPECT_EQ(printer.Orientation(), TPrinterOrientation::poLandscape);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"page.pdf"});
  ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
  EXPECT_EQ(earlier.readAll(), before);
  // The printer is free for the next job.
  printer.BeginDoc();
  printer.Abort();
  EXPECT_EQ(ThrownText([&] { printer.Abort(); }), kNotPrinting);
}

TEST_F(PrinterTest, PdfOutputWithoutAFileOrInAMissingFolderIsAClearError) {
  printer.SetOutputPdf(QString());
  printer.Device().setOutputFormat(QPrinter::PdfFormat);
  EXPECT_NE(ThrownText([&] { printer.BeginDoc(); }).find("fichier PDF"), std::string::npos);
  EXPECT_FALSE(printer.Printing());
  const QString missing = dir.filePath("absent/page.pdf");
  printer.SetOutputPdf(missing);
  EXPECT_EQ(ThrownText([&] { printer.BeginDoc(); }),
            "Impossible de créer le fichier " + missing.toStdString() +
                "\nCause : fichier ou dossier absent");
  EXPECT_FALSE(printer.Printing());
  // Stays usable once a valid file is chosen.
  printer.SetOutputPdf(pdf);
  printer.BeginDoc();
  printer.EndDoc();
  EXPECT_TRUE(QFile::exists(pdf));
}

TEST_F(PrinterTest, ScriptedPrintDialogRoutesTheJobToItsPdfFile) {
  ScriptedDialogs dialogs;
  dialogs.pdfPath = dir.filePath("choisi.pdf");
  EXPECT_TRUE(dialogs.PrintDialog(nullptr, printer));
  EXPECT_EQ(printer.Device().outputFileName(), dialogs.pdfPath);
  dialogs.printDialogAnswer = false;
  dialogs.pdfPath = dir.filePath("ignored.pdf");
  EXPECT_FALSE(dialogs.PrintDialog(nullptr, printer));
  EXPECT_EQ(printer.Device().outputFileName(), dir.filePath("choisi.pdf"));
  EXPECT_EQ(dialogs.printDialogs, 2);
}

}  // namespace
}  // namespace vantor
