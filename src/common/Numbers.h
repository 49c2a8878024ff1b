// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every number form the program reads or writes. "." is the decimal separator
// everywhere, whatever the process locale. Extended quantities are long double.
#include <cstdint>
#include <string>

namespace vantor {

// Integer conversion: leading blanks, optional sign, decimal digits, or hexadecimal
// digits after "$", "x"/"X" or "0x"/"0X". Nothing may follow.
// Throws VantorError("'%s' n'est pas une valeur entière correcte").
std::int32_t StrToInt(const std::string& text);

// Decimal conversion: leading blanks, optional sign, digits, optional "." with optional
// digits, optional exponent, trailing blanks. Throws
// VantorError("'%s' n'est pas une valeur en virgule flottante correcte").
long double StrToFloat(const std::string& text);

// Fixed form of the settings files: exactly two decimals, halves away from zero
// (2.00, 16.00, 0.10, -10.00).
std::string FormatFixed2(long double value);

// Short form of the captions: shortest general form, up to 15 significant digits
// (2, 0.1, 2.5, -10).
std::string FormatShort(long double value);

// Read-out form of the chart: two decimals, at most 6 significant digits, scientific
// when the integer part alone needs more than 6 digits (4.37, 12.85, -0.12).
std::string FormatReadout(long double value);

// Printed form of the captions on paper: three decimals, at most 5 significant digits
// (123.4567 -> 123.460).
std::string FormatPrinted(long double value);

// Rounding to the nearest integer, halves to the even neighbour.
std::int64_t RoundHalfEven(long double value);

}  // namespace vantor
