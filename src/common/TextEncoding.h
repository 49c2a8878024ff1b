// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Character encodings met in the files the program reads: UTF-8 (its own text), the
// Windows and DOS single-byte code pages of rich-text files and plain-text files, and
// UTF-16 (plain-text files with a byte-order mark, the "\uN" units of rich text).
#include <cstddef>
#include <string>
#include <string_view>

namespace vantor {

// ASCII classes, whatever the locale (unlike <cctype>).
inline bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}
inline bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
// Value of a hexadecimal digit of either case, -1 for any other character.
inline int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The character of `byte` in the single-byte code page `codePage` (1252, 1250, 437 and
// 850 are known; any other code page is read as 1252).
char32_t CodePageToUnicode(int codePage, unsigned char byte);

// The code page 1252 byte of `ch`, or -1 when the code page has no such character.
int UnicodeToCp1252(char32_t ch);

// Appends `ch` in UTF-8; surrogates and values beyond U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, char32_t ch);

// True when `bytes` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view bytes);

// Decodes the character at `pos` of `text` and advances `pos`; an invalid sequence
// yields U+FFFD and advances by one byte.
char32_t NextUtf8(std::string_view text, std::size_t& pos);

// The first `count` characters (not bytes) of UTF-8 `text`; never splits a character.
std::string Utf8Prefix(std::string_view text, std::size_t count);

// The longest start of UTF-8 `text` that holds at most `bytes` bytes; never splits a
// character.
std::string Utf8PrefixBytes(std::string_view text, std::size_t bytes);

// `text`, which comes from a file or a device, made fit to be shown (a label, a window
// title, a message, a printout): every control character (U+0000 to U+001F, U+007F to
// U+009F) and every bidirectional embedding, override or isolate (U+202A to U+202E,
// U+2066 to U+2069) becomes U+FFFD, so that nothing moves the cursor, changes colours or
// turns the text around; a tab becomes a space, an invalid UTF-8 sequence U+FFFD. With
// `keepLineBreaks`, a line break ("\n", "\r\n") stays a "\n".
std::string ShownText(std::string_view text, bool keepLineBreaks = false);

// The UTF-16 units of `ch` in `units`: one, or a surrogate pair beyond U+FFFF. Returns
// how many there are. Surrogates and values beyond U+10FFFF give U+FFFD.
int ToUtf16(char32_t ch, char16_t units[2]);

// Pairs UTF-16 units given one at a time into characters. A surrogate without its
// partner stands for U+FFFD.
class Utf16Decoder {
 public:
  // Takes the next unit. The characters it completes (none, one or two: a pending
  // surrogate's U+FFFD, then the unit) go to `out`; returns how many.
  int Put(char32_t unit, char32_t out[2]);
  // Ends the text: true, with U+FFFD in `out`, when a surrogate waits for its partner.
  bool Finish(char32_t& out);

 private:
  char32_t high_ = 0;  // pending high surrogate, 0 when none
};

// UTF-16 `bytes` (without byte-order mark; a last odd byte is ignored) as UTF-8.
std::string Utf16ToUtf8(std::string_view bytes, bool littleEndian);

}  // namespace vantor
