// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rich-text (RTF) codec behind the program's hidden rich-text controls: a reader
// that turns an RTF document, or plain text, into paragraphs of formatted runs, and a
// writer of one-paragraph documents for the settings files.
//
// Plain text of a document (`RtfDocument::PlainText`): UTF-8, every paragraph followed
// by "\r\n", a line break inside a paragraph also written "\r\n", a tab as "\t". So a
// document holding one paragraph "2.00" has the plain text "2.00\r\n". Control
// characters other than tab and line break are dropped on reading as on writing.
//
// The reader is meant for files anyone may drop in the program's folders: it runs in
// time linear in its input, flattens groups nested deeper than kRtfMaxDepth, refuses
// inputs larger than kRtfMaxInputBytes and bounds the number of runs it creates.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantor {

// Largest input the reader accepts (as RTF or as plain text).
inline constexpr std::size_t kRtfMaxInputBytes = 64u * 1024u * 1024u;
// Groups nested deeper than this are read as if their braces were absent.
inline constexpr int kRtfMaxDepth = 1000;
// Beyond this many runs and paragraphs in one document, further text joins the last
// run (its formatting is then that of the last run, paragraph ends become line breaks).
inline constexpr std::size_t kRtfMaxBlocks = 1u << 20;

// A colour of the document's colour table; `automatic` is the table's empty first
// entry (the reader's default text colour), in which case red/green/blue mean nothing.
struct RtfColor {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool automatic = true;

  friend bool operator==(const RtfColor&, const RtfColor&) = default;
};

enum class RtfAlign { Left, Center, Right, Justify };

// A stretch of text with one formatting. `text` is UTF-8; "\n" inside it is a line
// break within the paragraph, "\t" a tab.
struct RtfRun {
  std::string text;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int halfPoints = 24;  // font size in half-points (24 is 12 pt)
  RtfColor color;
  std::string font;  // font name from the font table, empty when unknown
};

struct RtfParagraph {
  RtfAlign align = RtfAlign::Left;
  // Spacing and indents in twips (1/1440 inch): \sb, \sa, \li, \ri, \fi.
  int spaceBefore = 0, spaceAfter = 0, leftIndent = 0, rightIndent = 0, firstIndent = 0;
  // Tab stops (\txN), in twips from the left margin, in the order given.
  std::vector<int> tabStops;
  std::vector<RtfRun> runs;
};

struct RtfDocument {
  std::vector<RtfParagraph> paragraphs;

  // The document's text: each paragraph followed by "\r\n" (see the top of this file).
  std::string PlainText() const;
};

// Reads `bytes` as RTF. Returns false, leaving `out` empty, when the bytes are not RTF
// (they do not start with "{\rtf" after an optional UTF-8 byte-order mark and blanks)
// or are larger than kRtfMaxInputBytes. Malformed RTF (unbalanced braces, unknown
// control words) is read as far as it makes sense, never refused.
bool ParseRtf(std::string_view bytes, RtfDocument& out);

// Reads `bytes` as plain text: UTF-16 when it starts with a UTF-16 byte-order mark,
// UTF-8 when it is valid UTF-8 (a byte-order mark is dropped), code page 1252
// otherwise; each line ("\r\n", "\n" or "\r") becomes a paragraph. Returns false,
// leaving `out` empty, when the bytes are not text: they hold a NUL byte (outside
// UTF-16) or are larger than kRtfMaxInputBytes.
bool ParsePlainText(std::string_view bytes, RtfDocument& out);

// What the rich-text control does when it loads a file: RTF, or else plain text.
// Throws VantorError("Erreur au chargement du flux") when the bytes are neither.
RtfDocument LoadRichText(std::string_view bytes);

// A one-paragraph RTF document holding the UTF-8 `text` (code page 1252 header, "\'hh"
// for the 1252 characters beyond ASCII, "\uN?" for the others; "{", "}" and "\"
// escaped). Line breaks in `text` become paragraph ends; other control characters
// are dropped. Its plain text, read back by ParseRtf, is `text` followed by "\r\n".
std::string WriteRtf(std::string_view text);

}  // namespace vantor
