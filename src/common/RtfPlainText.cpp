// SPDX-License-Identifier: GPL-3.0-or-later
// Plain text and documents: the text of a document, and a document made of the lines of
// a plain-text file.
#include "common/Rtf.h"
#include "common/RtfText.h"
#include "common/TextEncoding.h"

namespace vantor {

std::string RtfDocument::PlainText() const {
  std::string text;
  for (const RtfParagraph& paragraph : paragraphs) {
    for (const RtfRun& run : paragraph.runs) {
      for (const char c : run.text) {
        if (c == '\n')
          text += "\r\n";
        else
          text += c;
      }
    }
    text += "\r\n";
  }
  return text;
}

bool ParsePlainText(std::string_view bytes, RtfDocument& out) {
  out = RtfDocument{};
  if (bytes.size() > kRtfMaxInputBytes) return false;
  std::string text;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    text = Utf16ToUtf8(bytes.substr(2), bytes[0] == '\xFF');
    if (text.find('\0') != std::string::npos) return false;  // a NUL character: not text
  } else {
    if (bytes.find('\0') != std::string_view::npos) return false;
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    if (IsValidUtf8(bytes)) {
      text.assign(bytes);
    } else {
      text.reserve(bytes.size() * 2);
      for (const char c : bytes)
        AppendUtf8(text, CodePageToUnicode(1252, static_cast<unsigned char>(c)));
    }
  }
  std::size_t pos = 0;
  while (pos < text.size()) {
    RtfParagraph paragraph;
    if (out.paragraphs.size() + 1 >= kRtfMaxBlocks) {
      // Size bound reached: the rest is one last paragraph, its line ends kept as breaks.
      RtfRun run;
      for (std::size_t k = pos; k < text.size(); ++k) {
        if (text[k] == '\r') {
          if (k + 1 < text.size() && text[k + 1] == '\n') ++k;
          run.text += '\n';
        } else if (!IsDroppedControl(static_cast<unsigned char>(text[k]))) {
          run.text += text[k];
        }
      }
      paragraph.runs.push_back(std::move(run));
      out.paragraphs.push_back(std::move(paragraph));
      break;
    }
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    if (end > pos) {
      RtfRun run;
      run.text.reserve(end - pos);
      for (std::size_t k = pos; k < end; ++k)
        if (!IsDroppedControl(static_cast<unsigned char>(text[k]))) run.text += text[k];
      paragraph.runs.push_back(std::move(run));
    }
    out.paragraphs.push_back(std::move(paragraph));
    pos = end;
    if (pos < text.size() && text[pos] == '\r') {
      ++pos;
      if (pos < text.size() && text[pos] == '\n') ++pos;
    } else if (pos < text.size() && text[pos] == '\n') {
      ++pos;
    }
  }
  return true;
}

}  // namespace vantor
