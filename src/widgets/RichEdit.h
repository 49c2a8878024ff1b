// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rich-text control: a text edit that loads RTF files (or plain text) through the
// program's RTF reader, gives its plain text, and prints itself page by page.
#include <QRect>
#include <QString>
#include <QTextEdit>
#include <cstddef>
#include <string>

#include "common/Rtf.h"
#include "widgets/Printer.h"

class QTextDocument;

namespace vantor {

// Replaces the content of `document` by `rtf`: one block per paragraph with its
// alignment, one fragment per run with its weight, slant, underline, size in points,
// colour (none set for the automatic colour, so the reader's default applies) and font
// family (none set when the run names no font). A line break inside a paragraph becomes
// a line separator, so it stays in the same block. Tab stops fall every half inch.
void RtfToTextDocument(const RtfDocument& rtf, QTextDocument& document);

// The text of `document` in the reader's convention: each block followed by "\r\n", a
// line separator inside a block written "\r\n" too; UTF-8. An empty document gives "".
std::string TextDocumentPlainText(const QTextDocument& document);

class TRichEdit : public QTextEdit {
 public:
  // Largest document LoadFromFile accepts: beyond it the window would take seconds to
  // show the text (about 8 µs a paragraph), so it is refused with a message.
  static constexpr std::size_t kHelpTextMaxBytes = 2u * 1024u * 1024u;
  static constexpr std::size_t kHelpTextMaxParagraphs = 50000;

  explicit TRichEdit(QWidget* parent = nullptr);

  // When set, LoadFromFile reads files as plain text only; when clear (the default),
  // as rich text with the plain-text fall-back.
  bool PlainTextMode = false;

  // Replaces the content by the file at `path` (used as given, UTF-8 bytes). Throws
  // VantorError, leaving the content as it was:
  //   "Impossible d'ouvrir le fichier %s" (%s = `path`) when it is missing, not a
  //   regular file (never blocking on a named pipe) or unreadable;
  //   "Erreur au chargement du flux" when it is neither RTF nor plain text, and
  //   "Texte trop volumineux pour être affiché" above the bounds, each with a second
  //   line naming the file.
  void LoadFromFile(const std::string& path);

  void Clear();

  // The control's text as it stands (edits included), see TextDocumentPlainText.
  std::string PlainText() const;

  // Prints the whole content on `printer` as one job titled `title`: the text is laid
  // out at the printer's resolution to the width of `pageRect` (printer pixels, on the
  // page canvas), and each page shows the next `pageRect.height()` pixels of it inside
  // `pageRect`; lines are never cut across two pages. The job is ended after the last
  // page, or aborted when an error stops the printing (the error is then thrown).
  // An empty rectangle is refused with "La zone d'impression de la page est vide".
  void Print(Printer& printer, const QRect& pageRect, const QString& title);
};

}  // namespace vantor
