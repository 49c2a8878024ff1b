// SPDX-License-Identifier: GPL-3.0-or-later
// UTF-16 in both directions: units of a character, pairing of surrogates and the
// conversion of UTF-16 bytes to UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "common/TextEncoding.h"

namespace vantor {
namespace {

std::u32string Decoded(const std::u16string& units) {
  std::u32string text;
  Utf16Decoder decoder;
  char32_t chars[2];
  for (char16_t u : units) {
    const int count = decoder.Put(u, chars);
    text.append(chars, chars + count);
  }
  if (decoder.Finish(chars[0])) text += chars[0];
  return text;
}

TEST(TextEncoding, CharactersGoToUtf16UnitsAndBack) {
  for (char32_t ch : {char32_t{0x41}, char32_t{0xE9}, char32_t{0xFFFD}, char32_t{0xFFFF},
                      char32_t{0x10000}, char32_t{0x1F600}, char32_t{0x10FFFF}}) {
    char16_t units[2];
    const int count = ToUtf16(ch, units);
    EXPECT_EQ(count, ch < 0x10000 ? 1 : 2) << std::hex << static_cast<unsigned>(ch);
    EXPECT_EQ(Decoded(std::u16string(units, units + count)), std::u32string(1, ch))
        << std::hex << static_cast<unsigned>(ch);
  }
  char16_t units[2];
  ASSERT_EQ(ToUtf16(0x1F600, units), 2);
  EXPECT_EQ(units[0], 0xD83D);
  EXPECT_EQ(units[1], 0xDE00);
  ASSERT_EQ(ToUtf16(0xDC00, units), 1);  // a surrogate is not a character
  EXPECT_EQ(units[0], 0xFFFD);
  ASSERT_EQ(ToUtf16(0x110000, units), 1);
  EXPECT_EQ(units[0], 0xFFFD);
}

TEST(TextEncoding, SurrogatesWithoutTheirPartnerStandForTheReplacementCharacter) {
  EXPECT_EQ(Decoded(u"a\xD83D"
                    u"b"),
            U"a\xFFFD"
            U"b");
  EXPECT_EQ(Decoded(u"\xDE00"
                    u"c"),
            U"\xFFFD"
            U"c");
  EXPECT_EQ(Decoded(u"\xD83D\xD83D\xDE00"), U"\xFFFD\x1F600");
  EXPECT_EQ(Decoded(u"z\xD83D"), U"z\xFFFD");
}

TEST(TextEncoding, Utf16BytesInEitherOrderBecomeUtf8) {
  EXPECT_EQ(Utf16ToUtf8(std::string("v\0\xE9\0=\xD8\0\xDE", 8), true), "vé😀");
  EXPECT_EQ(Utf16ToUtf8(std::string("\0v\0\xE9\xD8=\xDE\0", 8), false), "vé😀");
  EXPECT_EQ(Utf16ToUtf8(std::string("a\0b", 3), true), "a");  // the odd last byte
  EXPECT_EQ(Utf16ToUtf8(std::string("=\xD8", 2), true), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8("", true), "");
}

// What a file or a device may send in a caption, a version or a line quoted by a message.
TEST(TextEncoding, ShownTextKeepsNothingThatMovesTheCursorChangesColoursOrTurnsTheText) {
  const std::string r = "\xEF\xBF\xBD";  // U+FFFD
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"1.2\x1b[31mrouge\x1b[0m", "1.2" + r + "[31mrouge" + r + "[0m"},  // ESC sequences
      {"1.2\x1b]0;titre\x07", "1.2" + r + "]0;titre" + r},              // OSC, BEL
      {std::string("avant\0après", 12), "avant" + r + "après"},          // NUL
      {"ligne\rcachée", "ligne" + r + "cachée"},                          // CR alone
      {"a\x7f\x01\x1f", "a" + r + r + r},                                  // DEL, C0
      {"b\xC2\x9B""2J\xC2\x85", "b" + r + "2J" + r},                      // C1 as UTF-8
      {"c\x9B" "2J\xFF", "c" + r + "2J" + r},                               // 8-bit, invalid
      {"fichier\xE2\x80\xAE" "fdp.exe", "fichier" + r + "fdp.exe"},         // U+202E
      {"\xE2\x80\xAA\xE2\x81\xA6x\xE2\x81\xA9", r + r + "x" + r},         // U+202A, U+2066/9
      {"Kp\t2", "Kp 2"},
      {"Consigne : échelon 2 V ± 0,1 V à 50 °C — Moteur « α » ✓",
       "Consigne : échelon 2 V ± 0,1 V à 50 °C — Moteur « α » ✓"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ShownText(c.in), c.out) << c.in;
    EXPECT_EQ(ShownText(c.in, true), c.out) << c.in;
  }
  // Where lines mean something (a message), a line break stays one, in either form.
  EXPECT_EQ(ShownText("un\r\ndeux\ntrois", true), "un\ndeux\ntrois");
  EXPECT_EQ(ShownText("un\r\ndeux\ntrois"), "un" + r + r + "deux" + r + "trois");
}

}  // namespace
}  // namespace vantor
