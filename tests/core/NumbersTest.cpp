// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>

#include "common/Numbers.h"
#include "common/VantorError.h"

namespace vantor {
namespace {

// The message of the error `call` throws, or "(no error)".
template <typename Call>
std::string ErrorOf(Call call) {
  try {
    call();
  } catch (const VantorError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(StrToIntTest, AcceptsDecimalAndTheThreeHexadecimalPrefixes) {
  EXPECT_EQ(StrToInt("$330"), 816);
  EXPECT_EQ(StrToInt("$340"), 832);
  EXPECT_EQ(StrToInt("$034"), 52);
  EXPECT_EQ(StrToInt("3300"), 3300);
  EXPECT_EQ(StrToInt("x1f"), 31);
  EXPECT_EQ(StrToInt("X1F"), 31);
  EXPECT_EQ(StrToInt("0x1F"), 31);
  EXPECT_EQ(StrToInt("0X10"), 16);
  EXPECT_EQ(StrToInt("$aBc"), 0xABC);
  EXPECT_EQ(StrToInt("0"), 0);
  EXPECT_EQ(StrToInt("007"), 7);
}

TEST(StrToIntTest, AcceptsLeadingBlanksAndASign) {
  EXPECT_EQ(StrToInt("  12"), 12);
  EXPECT_EQ(StrToInt("\t-12"), -12);
  EXPECT_EQ(StrToInt("+12"), 12);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt(" -0x10"), -16);
}

TEST(StrToIntTest, CoversTheWholeSigned32BitRangeAndNoMore) {
  EXPECT_EQ(StrToInt("2147483647"), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(StrToInt("-2147483648"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(StrToInt("$7FFFFFFF"), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(StrToInt("-$80000000"), std::numeric_limits<std::int32_t>::min());
  EXPECT_THROW(StrToInt("2147483648"), VantorError);
  EXPECT_THROW(StrToInt("-2147483649"), VantorError);
  EXPECT_THROW(StrToInt("$80000000"), VantorError);
  EXPECT_THROW(StrToInt("99999999999999999999999"), VantorError);
}

TEST(StrToIntTest, RefusesAnythingAfterTheDigitsAndMalformedTexts) {
  for (const char* text : {"", " ", "$", "x", "0x", "-", "+", "$33 ", "12 ", "1.5", "12a", "$3g0",
                           "--1", "- 1", "$-1", "0x$1", "3300\r", "abc", "1e3"}) {
    EXPECT_EQ(ErrorOf([&] { StrToInt(text); }),
              std::string("'") + text + "' n'est pas une valeur entière correcte")
        << "text: [" << text << "]";
  }
}

TEST(StrToFloatTest, ReadsTheFourCharacterCutsOfTheFixedForm) {
  EXPECT_EQ(StrToFloat("2.00"), 2.0L);
  EXPECT_EQ(StrToFloat("16.0"), 16.0L);
  EXPECT_EQ(StrToFloat("64.0"), 64.0L);
  EXPECT_EQ(StrToFloat("-10."), -10.0L);
  EXPECT_EQ(StrToFloat("-2.5"), -2.5L);
  EXPECT_EQ(StrToFloat("0.10"), 0.1L);
}

TEST(StrToFloatTest, AcceptsTheWholeGrammar) {
  EXPECT_EQ(StrToFloat(".5"), 0.5L);
  EXPECT_EQ(StrToFloat("5."), 5.0L);
  EXPECT_EQ(StrToFloat("+4"), 4.0L);
  EXPECT_EQ(StrToFloat("  3.5e2  "), 350.0L);
  EXPECT_EQ(StrToFloat("\t1E-2"), 0.01L);
  EXPECT_EQ(StrToFloat("2.5e+1"), 25.0L);
  EXPECT_EQ(StrToFloat("-0"), 0.0L);
  EXPECT_TRUE(std::signbit(StrToFloat("-0")));
  // Far below the smallest extended value reads as zero; far above it is an error.
  EXPECT_EQ(StrToFloat("1e-6000"), 0.0L);
  EXPECT_EQ(StrToFloat("0.0000e-99999999999"), 0.0L);
  EXPECT_THROW(StrToFloat("1e6000"), VantorError);
  // Extended precision: the nearest long double, not the nearest double.
  EXPECT_EQ(StrToFloat("0.1"), 0.1L);
  EXPECT_NE(StrToFloat("0.1"), static_cast<long double>(0.1));
}

TEST(StrToFloatTest, RefusesMalformedTextsWithTheTextAsGiven) {
  for (const char* text :
       {"",    " ",   ".",     "-",   "-.",    "abc", "1,5,3", "1e",  "1e+", "e5",   "0x10", "inf",
        "-inf", "nan", "INF", "NaN", "1.2.3", "1 2", "2.00x", "$10", "1..", "- 1", "1e5.5"}) {
    EXPECT_EQ(ErrorOf([&] { StrToFloat(text); }),
              std::string("'") + text + "' n'est pas une valeur en virgule flottante correcte")
        << "text: [" << text << "]";
  }
}

TEST(StrToFloatTest, ACommaTypedTheFrenchWayIsExplainedAndALongPasteIsCut) {
  EXPECT_EQ(ErrorOf([] { StrToFloat("1,5"); }),
            "'1,5' n'est pas une valeur en virgule flottante correcte\nUtilisez le point comme "
            "séparateur décimal (1.5).");
  const std::string pasted(13000, '7');
  const std::string message = ErrorOf([&] { StrToFloat(pasted + "x"); });
  EXPECT_LT(message.size(), 200u);
  EXPECT_NE(message.find("'" + std::string(80, '7') + "…'"), std::string::npos) << message;
}

TEST(FormatFixed2Test, WritesTwoDecimalsRoundingHalvesAwayFromZero) {
  EXPECT_EQ(FormatFixed2(2), "2.00");
  EXPECT_EQ(FormatFixed2(16), "16.00");
  EXPECT_EQ(FormatFixed2(64), "64.00");
  EXPECT_EQ(FormatFixed2(-10), "-10.00");
  EXPECT_EQ(FormatFixed2(-2.5L), "-2.50");
  EXPECT_EQ(FormatFixed2(0.1L), "0.10");
  EXPECT_EQ(FormatFixed2(0.125L), "0.13");
  EXPECT_EQ(FormatFixed2(-0.125L), "-0.13");
  EXPECT_EQ(FormatFixed2(0.005L), "0.01");
  EXPECT_EQ(FormatFixed2(0.995L), "1.00");
  EXPECT_EQ(FormatFixed2(9.999L), "10.00");
  // Typed decimals round as written, not as their binary approximation.
  EXPECT_EQ(FormatFixed2(StrToFloat("2.675")), "2.68");
  EXPECT_EQ(FormatFixed2(StrToFloat("1.005")), "1.01");
  EXPECT_EQ(FormatFixed2(1234.567L), "1234.60");  // five significant digits at most
}

TEST(FormatFixed2Test, NeverWritesMinusZero) {
  EXPECT_EQ(FormatFixed2(0), "0.00");
  EXPECT_EQ(FormatFixed2(-0.0L), "0.00");
  EXPECT_EQ(FormatFixed2(-0.001L), "0.00");
  EXPECT_EQ(FormatFixed2(-0.004999L), "0.00");
  EXPECT_EQ(FormatFixed2(-1e-30L), "0.00");
}

TEST(FormatFixed2Test, KeepsAtMostFiveSignificantDigits) {
  EXPECT_EQ(FormatFixed2(12345.678L), "12346.00");
  EXPECT_EQ(FormatFixed2(123.456L), "123.46");
  EXPECT_EQ(FormatFixed2(99999.996L), "1E5");
  EXPECT_EQ(FormatFixed2(123456.0L), "1.2346E5");
  EXPECT_EQ(FormatFixed2(-123456.0L), "-1.2346E5");
}

TEST(FormatFixed2Test, EveryHundredthReadsBackAndItsFourCharacterCutToo) {
  // Every value a settings file can hold in the program's ranges (-99.99 to 99.99):
  // the written text reads back to the same hundredth, and the cut the store makes
  // reads back to the value truncated to what four characters hold.
  for (int hundredths = -9999; hundredths <= 9999; ++hundredths) {
    const long double value = hundredths / 100.0L;
    const std::string text = FormatFixed2(value);
    ASSERT_GE(text.size(), 4u) << text;
    EXPECT_EQ(std::lround(StrToFloat(text) * 100), hundredths) << text;
    EXPECT_EQ(FormatFixed2(StrToFloat(text)), text);
    const long double cut = StrToFloat(text.substr(0, 4));
    EXPECT_LE(std::fabs(cut - value), 1.0L) << text;
  }
}

TEST(FormatShortTest, WritesTheShortestGeneralForm) {
  EXPECT_EQ(FormatShort(2), "2");
  EXPECT_EQ(FormatShort(0.1L), "0.1");
  EXPECT_EQ(FormatShort(2.5L), "2.5");
  EXPECT_EQ(FormatShort(-10), "-10");
  EXPECT_EQ(FormatShort(0.01L), "0.01");
  EXPECT_EQ(FormatShort(StrToFloat("0.01")), "0.01");
  EXPECT_EQ(FormatShort(8 * 0.75L), "6");
  EXPECT_EQ(FormatShort(0), "0");
  EXPECT_EQ(FormatShort(-0.0L), "0");
  EXPECT_EQ(FormatShort(1.0L / 3), "0.333333333333333");
  EXPECT_EQ(FormatShort(2.0L / 3), "0.666666666666667");
  EXPECT_EQ(FormatShort(123456789012345.0L), "123456789012345");
  EXPECT_EQ(FormatShort(0.00001L), "0.00001");
}

TEST(FormatShortTest, SwitchesToScientificForVeryLargeOrSmallValues) {
  EXPECT_EQ(FormatShort(1e15L), "1E15");
  EXPECT_EQ(FormatShort(-2.5e20L), "-2.5E20");
  EXPECT_EQ(FormatShort(1e-6L), "1E-6");
  EXPECT_EQ(FormatShort(1234567890123456.0L), "1.23456789012346E15");
}

TEST(FormatReadoutTest, WritesTwoDecimalsWithAtMostSixSignificantDigits) {
  EXPECT_EQ(FormatReadout(4.37L), "4.37");
  EXPECT_EQ(FormatReadout(12.85L), "12.85");
  EXPECT_EQ(FormatReadout(-0.12L), "-0.12");
  EXPECT_EQ(FormatReadout(1.5L), "1.50");
  EXPECT_EQ(FormatReadout(0), "0.00");
  EXPECT_EQ(FormatReadout(-0.001L), "0.00");
  EXPECT_EQ(FormatReadout(0.125L), "0.13");
  EXPECT_EQ(FormatReadout(-0.125L), "-0.13");
  // Digits beyond the sixth significant one print as 0.
  EXPECT_EQ(FormatReadout(12345.678L), "12345.70");
  EXPECT_EQ(FormatReadout(123456.789L), "123457.00");
  // An integer part of more than six digits goes scientific.
  EXPECT_EQ(FormatReadout(1234567.0L), "1.23457E6");
  EXPECT_EQ(FormatReadout(-999999.7L), "-1E6");
}

TEST(FormatPrintedTest, WritesThreeDecimalsWithAtMostFiveSignificantDigits) {
  EXPECT_EQ(FormatPrinted(123.4567L), "123.460");
  EXPECT_EQ(FormatPrinted(2), "2.000");
  EXPECT_EQ(FormatPrinted(0.2L), "0.200");
  EXPECT_EQ(FormatPrinted(-1.5L), "-1.500");
  EXPECT_EQ(FormatPrinted(0.0005L), "0.001");
  EXPECT_EQ(FormatPrinted(-0.0004L), "0.000");
  EXPECT_EQ(FormatPrinted(12345.678L), "12346.000");
  EXPECT_EQ(FormatPrinted(1.23449L), "1.234");
}

TEST(RoundHalfEvenTest, RoundsHalvesToTheEvenNeighbour) {
  // The step field of the main window: finalech x 0.75.
  EXPECT_EQ(RoundHalfEven(8 * 0.75L), 6);
  EXPECT_EQ(RoundHalfEven(5 * 0.75L), 4);
  EXPECT_EQ(RoundHalfEven(6 * 0.75L), 4);
  EXPECT_EQ(RoundHalfEven(2 * 0.75L), 2);
  EXPECT_EQ(RoundHalfEven(1 * 0.75L), 1);
  EXPECT_EQ(RoundHalfEven(0.5L), 0);
  EXPECT_EQ(RoundHalfEven(2.5L), 2);
  EXPECT_EQ(RoundHalfEven(-2.5L), -2);
  EXPECT_EQ(RoundHalfEven(-3.5L), -4);
  EXPECT_EQ(RoundHalfEven(2.5000001L), 3);
  EXPECT_EQ(RoundHalfEven(StrToFloat("16.0")), 16);
}

TEST(RoundHalfEvenTest, RefusesValuesWithoutAnIntegerResult) {
  const std::string message = "Opération en virgule flottante incorrecte";
  EXPECT_EQ(ErrorOf([] { RoundHalfEven(std::numeric_limits<long double>::quiet_NaN()); }), message);
  EXPECT_EQ(ErrorOf([] { RoundHalfEven(std::numeric_limits<long double>::infinity()); }), message);
  EXPECT_EQ(ErrorOf([] { RoundHalfEven(1e30L); }), message);
  EXPECT_EQ(RoundHalfEven(-9223372036854775808.0L), std::numeric_limits<std::int64_t>::min());
}

// Restores the process locale when the test ends.
class CommaLocaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::setlocale(LC_ALL, "fr_FR.UTF-8") && !std::setlocale(LC_ALL, "fr_FR.utf8"))
      GTEST_SKIP() << "locale fr_FR.UTF-8 not installed";
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(CommaLocaleTest, NumbersStillUseThePoint) {
  EXPECT_EQ(StrToFloat("2.50"), 2.5L);
  EXPECT_EQ(StrToFloat("-10."), -10.0L);
  EXPECT_THROW(StrToFloat("2,50"), VantorError);
  EXPECT_EQ(FormatFixed2(2.5L), "2.50");
  EXPECT_EQ(FormatShort(0.1L), "0.1");
  EXPECT_EQ(FormatReadout(-0.12L), "-0.12");
  EXPECT_EQ(FormatPrinted(123.4567L), "123.460");
}

}  // namespace
}  // namespace vantor
