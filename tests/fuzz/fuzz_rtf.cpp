// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer entry for the rich-text reader: any byte string must load as RTF, as plain
// text, or be refused with a VantorError. Besides crashes, hangs and undefined
// behaviour, it checks what the rest of the program relies on: the plain text is valid
// UTF-8, and the writer's document of that text reads back to the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/Rtf.h"
#include "common/TextEncoding.h"
#include "common/VantorError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  vantor::RtfDocument doc;
  try {
    doc = vantor::LoadRichText(bytes);
  } catch (const vantor::VantorError&) {
    return 0;
  }
  const std::string plain = doc.PlainText();
  if (!vantor::IsValidUtf8(plain)) __builtin_trap();
  for (const vantor::RtfParagraph& paragraph : doc.paragraphs)
    for (const vantor::RtfRun& run : paragraph.runs)
      if (run.text.find('\r') != std::string::npos) __builtin_trap();

  // Writing the first paragraph as a setting and reading it back gives it unchanged.
  if (!doc.paragraphs.empty()) {
    std::string first;
    for (const vantor::RtfRun& run : doc.paragraphs.front().runs)
      if (run.text.find('\n') == std::string::npos) first += run.text;
    vantor::RtfDocument back;
    if (!vantor::ParseRtf(vantor::WriteRtf(first), back)) __builtin_trap();
    if (back.PlainText() != first + "\r\n") __builtin_trap();
  }
  return 0;
}
