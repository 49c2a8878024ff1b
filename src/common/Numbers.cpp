// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string_view>
#include <system_error>

#include "common/TextEncoding.h"
#include "common/VantorError.h"

namespace vantor {

namespace {

constexpr const char* kIntError = "'%s' n'est pas une valeur entière correcte";
constexpr const char* kFloatError = "'%s' n'est pas une valeur en virgule flottante correcte";
constexpr const char* kInvalidOperation = "Opération en virgule flottante incorrecte";

// A value quoted in a message is what someone typed or pasted: past a line's worth it
// is cut, so that an error box never grows taller than the screen.
std::string Quoted(const std::string& text) {
  constexpr std::size_t kMaxQuotedBytes = 80;
  return text.size() > kMaxQuotedBytes ? Utf8Prefix(text, kMaxQuotedBytes) + "…" : text;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Decimal digits of a finite, non-negative value: `digits` holds significant digits
// (no leading zero, or "0" for zero) and the value is 0.d1d2d3... x 10^exponent.
struct Decimal {
  std::string digits;
  int exponent = 0;
};

// Significant digits kept from the binary value before any decimal rounding. Eighteen
// digits is what an 80-bit extended value carries; rounding the displayed value from
// these digits (rather than from the exact binary expansion) makes 2.675 print as 2.68.
constexpr int kExtendedDigits = 18;

Decimal ToDecimal(long double magnitude) {
  if (magnitude == 0) return Decimal{"0", 0};
  Decimal d;
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                              std::chars_format::scientific, kExtendedDigits - 1);
  std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  // text is "d.ddddde[+-]xx"
  const std::size_t e = text.find('e');
  for (std::size_t i = 0; i < e; ++i)
    if (IsAsciiDigit(text[i])) d.digits += text[i];
  int exp10 = 0;
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(),
                  exp10);
  d.exponent = exp10 + 1;
  return d;
}

// Rounds the digits half away from zero so that `keep` digits remain (keep may be 0 or
// negative: the value then rounds to 0 or to one unit of the first kept position).
void RoundDigits(Decimal& d, int keep) {
  if (keep >= static_cast<int>(d.digits.size())) return;
  if (keep < 0) {
    d = Decimal{"0", 0};
    return;
  }
  const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
  d.digits.resize(static_cast<std::size_t>(keep));
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9') {
      d.digits[static_cast<std::size_t>(i)] = '0';
      --i;
    }
    if (i < 0) {
      d.digits.insert(d.digits.begin(), '1');
      ++d.exponent;
    } else {
      ++d.digits[static_cast<std::size_t>(i)];
    }
  }
  // Strip trailing zeros; an empty digit string is zero.
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) d = Decimal{"0", 0};
}

bool IsZero(const Decimal& d) {
  return d.digits == "0";
}

// Digit k (0-based from the first significant one), '0' beyond the stored digits.
char DigitAt(const Decimal& d, int k) {
  if (k < 0 || k >= static_cast<int>(d.digits.size())) return '0';
  return d.digits[static_cast<std::size_t>(k)];
}

// Scientific notation of the general form: significant digits with trailing zeros
// removed, "E", the exponent with a "-" only when negative ("1.2346E5", "1E-6").
std::string Scientific(const Decimal& d, bool negative) {
  std::string out = negative ? "-" : "";
  out += d.digits[0];
  if (d.digits.size() > 1) {
    out += '.';
    out.append(d.digits, 1, std::string::npos);
  }
  out += 'E';
  out += std::to_string(d.exponent - 1);
  return out;
}

// Plain decimal notation with exactly `decimals` digits after the point (none and no
// point when decimals is 0), at least one digit before it.
std::string Positional(const Decimal& d, bool negative, int decimals) {
  std::string out = negative ? "-" : "";
  if (d.exponent <= 0) {
    out += '0';
  } else {
    for (int k = 0; k < d.exponent; ++k) out += DigitAt(d, k);
  }
  if (decimals > 0) {
    out += '.';
    for (int k = 0; k < decimals; ++k) out += DigitAt(d, d.exponent + k);
  }
  return out;
}

std::string NonFinite(long double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

// Fixed notation with `decimals` decimals after rounding to at most `precision`
// significant digits; scientific when the integer part needs more than `precision`
// digits. A value that rounds to zero prints without a minus sign.
std::string FormatFixedDigits(long double value, int precision, int decimals) {
  if (!std::isfinite(value)) return NonFinite(value);
  const bool negative = std::signbit(value);
  Decimal d = ToDecimal(std::fabs(value));
  if (IsZero(d)) return Positional(d, false, decimals);
  // One rounding, at whichever comes first: the last significant digit allowed or the
  // last decimal shown.
  RoundDigits(d, std::min(precision, d.exponent + decimals));
  if (d.exponent > precision) return Scientific(d, negative);
  if (IsZero(d)) return Positional(d, false, decimals);
  return Positional(d, negative, decimals);
}

}  // namespace

std::int32_t StrToInt(const std::string& text) {
  auto fail = [&]() -> std::int32_t { throw VantorError(FormatMessage(kIntError, Quoted(text))); };
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < n && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i < n && (text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == n) return fail();
  // The magnitude may reach 2^31 only for a negative value.
  const std::uint64_t limit = negative ? 2147483648ULL : 2147483647ULL;
  std::uint64_t magnitude = 0;
  for (; i < n; ++i) {
    const int digit =
        base == 16 ? HexDigitValue(text[i]) : (IsAsciiDigit(text[i]) ? text[i] - '0' : -1);
    if (digit < 0) return fail();
    magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (magnitude > limit) return fail();
  }
  if (negative) return static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude));
  return static_cast<std::int32_t>(magnitude);
}

long double StrToFloat(const std::string& text) {
  auto fail = [&]() -> long double {
    std::string message = FormatMessage(kFloatError, Quoted(text));
    // "1,5" typed the French way: say which separator the program reads.
    if (text.find(',') != std::string::npos && text.size() <= 40) {
      std::string pointed = text;
      std::replace(pointed.begin(), pointed.end(), ',', '.');
      try {
        StrToFloat(pointed);
        message += "\nUtilisez le point comme séparateur décimal (" + pointed + ").";
      } catch (const VantorError&) {
      }
    }
    throw VantorError(message);
  };
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n && IsBlank(text[i])) ++i;
  const std::size_t start = i;
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t intStart = i;
  while (i < n && IsAsciiDigit(text[i])) ++i;
  const std::size_t intEnd = i;
  std::size_t fracStart = i, fracEnd = i;
  if (i < n && text[i] == '.') {
    ++i;
    fracStart = i;
    while (i < n && IsAsciiDigit(text[i])) ++i;
    fracEnd = i;
  }
  if (intEnd == intStart && fracEnd == fracStart) return fail();
  long long exponent = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool expNegative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
      expNegative = text[i] == '-';
      ++i;
    }
    const std::size_t expStart = i;
    while (i < n && IsAsciiDigit(text[i])) {
      if (exponent < 1000000) exponent = exponent * 10 + (text[i] - '0');
      ++i;
    }
    if (i == expStart) return fail();
    if (expNegative) exponent = -exponent;
  }
  const std::size_t end = i;
  while (i < n && IsBlank(text[i])) ++i;
  if (i != n) return fail();

  // from_chars does not accept a leading "+"; everything else was checked above, so it
  // only sees the grammar validated here (no "inf", "nan" or hexadecimal forms).
  std::size_t from = start;
  const bool negative = text[start] == '-';
  if (text[start] == '+' || negative) ++from;
  long double magnitude = 0;
  const auto result =
      std::from_chars(text.data() + from, text.data() + end, magnitude, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Decide between underflow (the value is 0) and overflow (an error) from the
    // position of the first significant digit.
    long long position = 0;
    bool found = false;
    for (std::size_t k = intStart; k < intEnd && !found; ++k)
      if (text[k] != '0') {
        position = static_cast<long long>(intEnd - k);
        found = true;
      }
    for (std::size_t k = fracStart; k < fracEnd && !found; ++k)
      if (text[k] != '0') {
        position = -static_cast<long long>(k - fracStart);
        found = true;
      }
    if (!found || position + exponent < 0) return negative ? -0.0L : 0.0L;
    return fail();
  }
  if (result.ec != std::errc() || result.ptr != text.data() + end) return fail();
  return negative ? -magnitude : magnitude;
}

std::string FormatFixed2(long double value) {
  return FormatFixedDigits(value, 5, 2);
}

std::string FormatShort(long double value) {
  if (!std::isfinite(value)) return NonFinite(value);
  const bool negative = std::signbit(value);
  Decimal d = ToDecimal(std::fabs(value));
  if (IsZero(d)) return "0";
  RoundDigits(d, 15);
  const int sciExponent = d.exponent - 1;
  if (sciExponent >= 15 || sciExponent < -5) return Scientific(d, negative);
  const int decimals = std::max(0, static_cast<int>(d.digits.size()) - d.exponent);
  return Positional(d, negative, decimals);
}

std::string FormatReadout(long double value) {
  return FormatFixedDigits(value, 6, 2);
}

std::string FormatPrinted(long double value) {
  return FormatFixedDigits(value, 5, 3);
}

std::int64_t RoundHalfEven(long double value) {
  // nearbyint follows the default rounding mode, round to nearest with ties to even.
  const long double rounded = std::nearbyint(value);
  constexpr long double kLimit = 9223372036854775808.0L;  // 2^63
  if (!(rounded >= -kLimit && rounded < kLimit)) throw VantorError(kInvalidOperation);
  return static_cast<std::int64_t>(rounded);
}

}  // namespace vantor
