// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's one printer: the printer chosen last (in the print dialog or the set-up
// dialog), its orientation, the open job and its page canvas in printer pixels.
//
// Output to a PDF file is laid out in memory and written by EndDoc as every file the
// program writes for the user (OutputFile): under a temporary name beside the target,
// renamed into place once complete, so an aborted job leaves neither a partial file nor
// a damaged previous one, and a named pipe or a device at the target is refused, never
// opened.
#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QRect>
#include <QString>
#include <memory>

namespace vantor {

class OutputFile;

enum class TPrinterOrientation { poPortrait, poLandscape };

class Printer {
 public:
  static Printer& Instance();

  Printer();
  ~Printer();
  Printer(const Printer&) = delete;
  Printer& operator=(const Printer&) = delete;

  QPrinter& Device() { return *device_; }

  // Printable area of the current printer and orientation, in printer pixels.
  int PageWidth();
  int PageHeight();

  // Throws VantorError("Opération non supportée par l'imprimante sélectionnée") when the
  // printer offers no settings.
  TPrinterOrientation Orientation();
  // Same refusal; "Impression en cours" while a job is open.
  void SetOrientation(TPrinterOrientation o);

  // Opens a job and its first page; "Impression en cours" if one is open. To a PDF file,
  // "Impossible de créer le fichier %s" with its cause when the file cannot be written.
  void BeginDoc(const QString& title = QString());
  // Discards the open job; "L'imprimante n'imprime pas pour l'instant" if none is open.
  void Abort();
  // Ends the page and sends the job (writes the PDF file); same refusal as Abort.
  void EndDoc();
  // Starts a new page of the open job; same refusal.
  void NewPage();
  bool Printing() const { return printing_; }

  // The page canvas, valid between BeginDoc and EndDoc or Abort; "L'imprimante n'imprime
  // pas pour l'instant" otherwise.
  QPainter& Canvas();
  // Canvas font; the size in points is measured at the printer's resolution.
  void SetCanvasFont(const QString& family, int points, bool bold = false, bool italic = false,
                     bool underline = false);
  // Text with its top-left corner at (x, y), printer pixels.
  void TextOut(int x, int y, const QString& text);
  // The picture scaled into the rectangle.
  void StretchDraw(const QRect& r, const QImage& picture);

  // Prints into a PDF file from now on (tests, "print to file"); refused while printing.
  void SetOutputPdf(const QString& path);
  // The file "print to file" offers next: `name`.pdf (AcceptableFileName), in the folder of the file offered
  // or chosen last, else in the user's documents folder (the home folder when there is
  // none). The printer chosen stays chosen.
  void SuggestPdfName(const QString& name);
  // For tests: a printer that offers no settings refuses orientation calls.
  void SetSupportsSettings(bool supported) { supportsSettings_ = supported; }
  bool SupportsSettings() const;

 private:
  void RequirePrinting() const;
  void FinishJob(bool keep);
  void DropPdf();

  std::unique_ptr<QPrinter> device_;
  std::unique_ptr<QPainter> painter_;
  bool printing_ = false;
  bool supportsSettings_ = true;
  // A job to a PDF file: the file it ends up in, and the PDF laid out in memory.
  std::unique_ptr<OutputFile> output_;
  QByteArray pdfBytes_;
  std::unique_ptr<QBuffer> pdfBuffer_;
  std::unique_ptr<QPdfWriter> pdf_;
  QFont canvasFont_;
};

// A job on the program's printer: remembers the orientation, sets the one asked for and
// begins the document. End() ends it; destroyed still open (an error was thrown while
// drawing), it aborts the job. Either way the remembered orientation is restored, and
// the destructor never throws, so the drawing error is the only one reported.
class PrintJob {
 public:
  PrintJob(Printer& printer, TPrinterOrientation orientation, const QString& title = QString());
  ~PrintJob();
  PrintJob(const PrintJob&) = delete;
  PrintJob& operator=(const PrintJob&) = delete;
  void End();

 private:
  Printer& printer_;
  TPrinterOrientation remembered_;
};

}  // namespace vantor
