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

}  // namespace
}  // namespace vantor
