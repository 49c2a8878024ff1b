// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/Printer.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QStandardPaths>

#include "common/FileErrors.h"
#include "common/OutputFile.h"
#include "common/VantorError.h"

namespace vantor {

namespace {

const char* const kPrinting = "Impression en cours";
const char* const kNotPrinting = "L'imprimante n'imprime pas pour l'instant";
const char* const kUnsupported = "Opération non supportée par l'imprimante sélectionnée";

}  // namespace

Printer& Printer::Instance() {
  // Created on first use (after the application object) and kept to the very end:
  // the program may print until its last handler returns.
  static Printer* const printer = new Printer;
  return *printer;
}

Printer::Printer() : device_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  canvasFont_ = QFont(QStringLiteral("Arial"));
  canvasFont_.setPointSize(10);
}

Printer::~Printer() {
  if (printing_) FinishJob(false);
}

bool Printer::SupportsSettings() const {
  if (!supportsSettings_) return false;
  return device_->outputFormat() == QPrinter::PdfFormat || device_->isValid();
}

int Printer::PageWidth() {
  return device_->pageLayout().paintRectPixels(device_->resolution()).width();
}

int Printer::PageHeight() {
  return device_->pageLayout().paintRectPixels(device_->resolution()).height();
}

TPrinterOrientation Printer::Orientation() {
  if (!SupportsSettings()) throw VantorError(kUnsupported);
  return device_->pageLayout().orientation() == QPageLayout::Landscape
             ? TPrinterOrientation::poLandscape
             : TPrinterOrientation::poPortrait;
}

void Printer::SetOrientation(TPrinterOrientation o) {
  if (!SupportsSettings()) throw VantorError(kUnsupported);
  if (printing_) throw VantorError(kPrinting);
  device_->setPageOrientation(o == TPrinterOrientation::poLandscape ? QPageLayout::Landscape
                                                                    : QPageLayout::Portrait);
}

void Printer::SetOutputPdf(const QString& path) {
  if (printing_) throw VantorError(kPrinting);
  device_->setOutputFormat(QPrinter::PdfFormat);
  device_->setOutputFileName(path);
}

void Printer::SuggestPdfName(const QString& name) {
  if (printing_) return;
  QString folder = QFileInfo(device_->outputFileName()).absolutePath();
  if (device_->outputFileName().isEmpty() || !QFileInfo(folder).isDir()) {
    folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
  }
  const QPrinter::OutputFormat format = device_->outputFormat();
  const QString printer = device_->printerName();
  // A ".pdf" name turns the printer to PDF output: a printer chosen before is put back.
  device_->setOutputFileName(QDir(folder).filePath(
      QString::fromStdString(AcceptableFileName((name + QStringLiteral(".pdf")).toStdString()))));
  if (format == QPrinter::NativeFormat && !printer.isEmpty()) {
    device_->setOutputFormat(QPrinter::NativeFormat);
    device_->setPrinterName(printer);
  }
}

void Printer::BeginDoc(const QString& title) {
  if (printing_) throw VantorError(kPrinting);
  device_->setDocName(title);
  QPaintDevice* target = device_.get();
  if (device_->outputFormat() == QPrinter::PdfFormat) {
    const QString file = device_->outputFileName();
    if (file.isEmpty()) {
      throw VantorError(
          "Aucune imprimante n'est disponible : choisissez l'impression dans un fichier PDF");
    }
    // The file is made ready first, so that a folder that cannot be written is said
    // before anything is drawn; the pages go to memory, the file is written by EndDoc.
    output_ = std::make_unique<OutputFile>(file.toStdString());
    pdfBytes_.clear();
    pdfBuffer_ = std::make_unique<QBuffer>(&pdfBytes_);
    pdfBuffer_->open(QIODevice::WriteOnly);
    pdf_ = std::make_unique<QPdfWriter>(pdfBuffer_.get());
    pdf_->setResolution(device_->resolution());
    pdf_->setPageLayout(device_->pageLayout());
    pdf_->setTitle(title);
    pdf_->setCreator(device_->creator());
    target = pdf_.get();
  }
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(target)) {
    painter_.reset();
    const std::string file = output_ ? output_->Path() : std::string();
    DropPdf();
    if (!file.empty())
      throw VantorError(WithCauseLine(FormatMessage("Impossible de créer le fichier %s", file),
                                      "la mise en page du PDF n'a pas pu commencer"));
    throw VantorError("Impossible de commencer l'impression sur l'imprimante sélectionnée");
  }
  painter_->setFont(canvasFont_);
  printing_ = true;
}

void Printer::RequirePrinting() const {
  if (!printing_) throw VantorError(kNotPrinting);
}

void Printer::DropPdf() {
  // The writer before the buffer it writes to; the output file, unwritten, leaves nothing.
  pdf_.reset();
  pdfBuffer_.reset();
  pdfBytes_.clear();
  output_.reset();
}

void Printer::FinishJob(bool keep) {
  // Ends the painter in every case: the printer is free for the next job whatever
  // happens to the output file.
  printing_ = false;
  if (!keep && !pdf_) device_->abort();
  const bool ended = painter_->end();
  painter_.reset();
  if (!output_) return;
  std::unique_ptr<OutputFile> output = std::move(output_);
  const QByteArray bytes = pdfBytes_;
  DropPdf();
  if (!keep) return;
  if (!ended)
    throw VantorError(
        WithCauseLine(FormatMessage("Erreur à l'écriture du fichier %s", output->Path()),
                      "la mise en page du PDF n'a pas pu s'achever"));
  output->Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  output->Commit();
}

void Printer::Abort() {
  RequirePrinting();
  FinishJob(false);
}

void Printer::EndDoc() {
  RequirePrinting();
  FinishJob(true);
}

void Printer::NewPage() {
  RequirePrinting();
  if (!(pdf_ ? pdf_->newPage() : device_->newPage()))
    throw VantorError("Impossible de commencer une nouvelle page");
}

QPainter& Printer::Canvas() {
  RequirePrinting();
  return *painter_;
}

void Printer::SetCanvasFont(const QString& family, int points, bool bold, bool italic,
                            bool underline) {
  QFont font(family);
  font.setPointSize(points > 0 ? points : 1);
  font.setBold(bold);
  font.setItalic(italic);
  font.setUnderline(underline);
  canvasFont_ = font;
  if (printing_) painter_->setFont(font);
}

void Printer::TextOut(int x, int y, const QString& text) {
  QPainter& painter = Canvas();
  const QFontMetricsF metrics(painter.font(), device_.get());
  painter.drawText(QPointF(x, y + metrics.ascent()), text);
}

void Printer::StretchDraw(const QRect& r, const QImage& picture) {
  QPainter& painter = Canvas();
  painter.drawImage(QRectF(r), picture);
}

PrintJob::PrintJob(Printer& printer, TPrinterOrientation orientation, const QString& title)
    : printer_(printer), remembered_(printer.Orientation()) {
  printer_.SetOrientation(orientation);
  try {
    printer_.BeginDoc(title);
  } catch (...) {
    try {
      printer_.SetOrientation(remembered_);
    } catch (...) {
      // the error that stopped the job is the one reported
    }
    throw;
  }
}

PrintJob::~PrintJob() {
  try {
    if (printer_.Printing()) printer_.Abort();
  } catch (...) {
    // never mask the error that is unwinding
  }
  try {
    printer_.SetOrientation(remembered_);
  } catch (...) {
    // same
  }
}

void PrintJob::End() {
  printer_.EndDoc();
  printer_.SetOrientation(remembered_);
}

}  // namespace vantor
