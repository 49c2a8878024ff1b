// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/RichEdit.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstdint>
#include <memory>

#include "common/FileErrors.h"
#include "common/RegularFile.h"
#include "common/VantorError.h"

namespace vantor {

namespace {

constexpr const char* kLoadError = "Erreur au chargement du flux";
constexpr const char* kTooLargeError = "Texte trop volumineux pour être affiché";
constexpr const char* kTooLargeCause = "au plus 2 Mo et 50 000 paragraphes";

// Largest character size shown, in points: the reader accepts sizes up to 16383.5 pt,
// which would make a single glyph many pages high.
constexpr double kMaxPointSize = 1638.0;

Qt::Alignment ToQt(RtfAlign align) {
  switch (align) {
    case RtfAlign::Center:
      return Qt::AlignHCenter;
    case RtfAlign::Right:
      return Qt::AlignRight;
    case RtfAlign::Justify:
      return Qt::AlignJustify;
    case RtfAlign::Left:
      break;
  }
  return Qt::AlignLeft;
}

QTextCharFormat ToQt(const RtfRun& run) {
  QTextCharFormat format;
  format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
  format.setFontItalic(run.italic);
  format.setFontUnderline(run.underline);
  format.setFontPointSize(std::clamp(run.halfPoints / 2.0, 1.0, kMaxPointSize));
  if (!run.color.automatic)
    format.setForeground(QColor(run.color.red, run.color.green, run.color.blue));
  if (!run.font.empty()) format.setFontFamilies({QString::fromStdString(run.font)});
  return format;
}

constexpr double kDefaultTabPixels = 48.0;

// The run's text for the document: line breaks become line separators (same block).
QString RunText(const std::string& text) {
  QString s = QString::fromStdString(text);
  s.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));
  return s;
}

}  // namespace

void RtfToTextDocument(const RtfDocument& rtf, QTextDocument& document) {
  // Built as one edit, without undo steps: the layout then runs once for the whole text
  // instead of once per paragraph (a 1 MB help text shows in a fraction of a second).
  const bool undo = document.isUndoRedoEnabled();
  document.setUndoRedoEnabled(false);
  document.clear();
  // Tab stops every half inch, RTF's default (in layout pixels at 96 dpi, which the
  // layout scales to the printer's resolution when printing).
  QTextOption option = document.defaultTextOption();
  option.setTabStopDistance(kDefaultTabPixels);
  document.setDefaultTextOption(option);
  QTextCursor cursor(&document);
  cursor.beginEditBlock();
  bool first = true;
  for (const RtfParagraph& paragraph : rtf.paragraphs) {
    QTextBlockFormat block;
    block.setAlignment(ToQt(paragraph.align));
    // Twips to layout pixels (96 per inch, 1440 twips per inch).
    constexpr double kPixelsPerTwip = 96.0 / 1440.0;
    block.setTopMargin(paragraph.spaceBefore * kPixelsPerTwip);
    block.setBottomMargin(paragraph.spaceAfter * kPixelsPerTwip);
    block.setLeftMargin(paragraph.leftIndent * kPixelsPerTwip);
    block.setRightMargin(paragraph.rightIndent * kPixelsPerTwip);
    block.setTextIndent(paragraph.firstIndent * kPixelsPerTwip);
    if (!paragraph.tabStops.empty()) {
      // RTF measures tab stops from the page margin, the layout from where the first
      // line starts (left indent plus first-line indent).
      QList<QTextOption::Tab> tabs;
      for (int twips : paragraph.tabStops)
        tabs.append(QTextOption::Tab(
            (twips - paragraph.leftIndent - paragraph.firstIndent) * kPixelsPerTwip,
            QTextOption::LeftTab));
      block.setTabPositions(tabs);
    }
    // A paragraph's own format also serves the empty line it may be.
    const QTextCharFormat blockChars =
        paragraph.runs.empty() ? QTextCharFormat() : ToQt(paragraph.runs.front());
    if (first) {
      cursor.setBlockFormat(block);
      cursor.setBlockCharFormat(blockChars);
      first = false;
    } else {
      cursor.insertBlock(block, blockChars);
    }
    for (const RtfRun& run : paragraph.runs) {
      if (!run.text.empty()) cursor.insertText(RunText(run.text), ToQt(run));
    }
  }
  cursor.endEditBlock();
  document.setUndoRedoEnabled(undo);
}

std::string TextDocumentPlainText(const QTextDocument& document) {
  if (document.isEmpty()) return {};
  QString text;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    QString line = block.text();
    line.replace(QChar(QChar::LineSeparator), QStringLiteral("\r\n"));
    text += line;
    text += QStringLiteral("\r\n");
  }
  return text.toStdString();
}

TRichEdit::TRichEdit(QWidget* parent) : QTextEdit(parent) {
  setAcceptRichText(true);
}

void TRichEdit::LoadFromFile(const std::string& path) {
  std::string bytes;
  if (!ReadRegularFile(path, kHelpTextMaxBytes, bytes))
    throw VantorError(WithFileLine(kTooLargeError, path, kTooLargeCause));
  RtfDocument rtf;
  if (PlainTextMode) {
    if (!ParsePlainText(bytes, rtf)) throw VantorError(WithFileLine(kLoadError, path));
  } else {
    try {
      rtf = LoadRichText(bytes);
    } catch (const VantorError& e) {
      throw VantorError(WithFileLine(e.what(), path));
    }
  }
  if (rtf.paragraphs.size() > kHelpTextMaxParagraphs)
    throw VantorError(WithFileLine(kTooLargeError, path, kTooLargeCause));
  RtfToTextDocument(rtf, *document());
  // The loaded document is where undoing the student's edits stops.
  document()->clearUndoRedoStacks();
  moveCursor(QTextCursor::Start);
}

void TRichEdit::Clear() {
  clear();
}

std::string TRichEdit::PlainText() const {
  return TextDocumentPlainText(*document());
}

void TRichEdit::Print(Printer& printer, const QRect& pageRect, const QString& title) {
  if (pageRect.width() <= 0 || pageRect.height() <= 0)
    throw VantorError("La zone d'impression de la page est vide");
  printer.BeginDoc(title);
  try {
    // A copy laid out for the printer: fonts measured at its resolution, no margin of
    // its own (the page rectangle is the margin), pages as high as the rectangle.
    const std::unique_ptr<QTextDocument> copy(document()->clone());
    QAbstractTextDocumentLayout* layout = copy->documentLayout();
    layout->setPaintDevice(&printer.Device());
    copy->setDocumentMargin(0);
    const QSizeF body(pageRect.width(), pageRect.height());
    copy->setPageSize(body);
    const int pages = std::max(1, copy->pageCount());

    QPainter& canvas = printer.Canvas();
    for (int page = 0; page < pages; ++page) {
      if (page > 0) printer.NewPage();
      const QRectF view(0, page * body.height(), body.width(), body.height());
      canvas.save();
      canvas.translate(pageRect.left(), pageRect.top() - view.top());
      canvas.setClipRect(view);
      QAbstractTextDocumentLayout::PaintContext context;
      // Lines are laid out whole on one page, so a line of the next page starts on this
      // page's bottom edge and one of the previous page ends on its top edge: keep those
      // out of the page's content (the canvas clip alone would hide them but leave their
      // text in the document, found twice by a search).
      context.clip = view.adjusted(0, 0.5, 0, -0.5);
      context.palette.setColor(QPalette::Text, Qt::black);
      layout->draw(&canvas, context);
      canvas.restore();
    }
    printer.EndDoc();
  } catch (...) {
    if (printer.Printing()) printer.Abort();
    throw;
  }
}

}  // namespace vantor
