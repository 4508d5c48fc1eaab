#include "platform/text/number_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace hp::text {
namespace {

struct FormatCase {
  double value;
  const char* expected;
};

// Both patterns round halves away from zero on the 15-digit text.
TEST(FormatTest, HalvesAwayFromZeroOnTheFifteenDigitText) {
  const FormatCase two_decimals[] = {
      {2.675, "2.68"}, {1.005, "1.01"},  // the doubles lie just below, their 15-digit texts do not
      {-2.675, "-2.68"}, {0.125, "0.13"}, {-0.125, "-0.13"}, {0.005, "0.01"}, {-0.005, "-0.01"},
      {-0.001, "0.00"}, {-0.0, "0.00"}, {0.0, "0.00"},  // never "-0.00"
      {0.0049999999999999, "0.00"},    // 15 digits: 4.99999999999990e-3
      {0.004999999999999999, "0.01"},  // 15 digits: 5.00000000000000e-3
      {0.1 + 0.2, "0.30"},             // shortest text has 17 digits
      {999.995, "1000.00"}, {-999.995, "-1000.00"}, {9.995, "10.00"},  // carry through every digit
      {1234.5, "1234.50"}, {96513.08, "96513.08"}, {0.01, "0.01"}, {7, "7.00"}, {5e-324, "0.00"},
      {1e15, "1000000000000000.00"},
      {123456789012345.67, "123456789012346.00"},  // 15 digits first, then the cents
  };
  for (const auto& c : two_decimals) EXPECT_EQ(Format00(c.value), c.expected) << c.value;
  const FormatCase whole[] = {
      {14999.6, "15000"}, {14997, "14997"}, {0.5, "1"}, {1.5, "2"},     {2.5, "3"},
      {-0.5, "-1"},       {-0.4, "0"},      {0.4999, "0"}, {2.675, "3"}, {1e15, "1000000000000000"},
  };
  for (const auto& c : whole) EXPECT_EQ(Format0(c.value), c.expected) << c.value;
}

// Beyond kLargestFigure the 15-digit text would overflow when read back.
TEST(FormatTest, RefusesInfinityNaNAndWhatCouldNotBeReadBack) {
  EXPECT_EQ(PlainNumber(kLargestFigure), "179769313486231" + std::string(294, '0'));
  using L = std::numeric_limits<double>;
  for (double v : {L::infinity(), -L::infinity(), L::quiet_NaN(), L::max(), -L::max()}) {
    EXPECT_THROW(Format00(v), NumberTextError);
    EXPECT_THROW(Format0(v), NumberTextError);
    EXPECT_THROW(PlainNumber(v), NumberTextError);
  }
}

// An independent reading of "0.00" on the 15-digit text: printf's %.14e gives
// the 15 digits, and whole-number arithmetic does the half-away rounding.
std::string ReferenceFormat00(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", v);
  const bool negative = buf[0] == '-';
  const char* p = buf + (negative ? 1 : 0);
  long long mantissa = 0;  // 15 digits
  for (; *p != 'e'; ++p)
    if (*p != '.') mantissa = mantissa * 10 + (*p - '0');
  const int shift = std::atoi(p + 1) - 14 + 2;  // cents = mantissa * 10^shift
  long long cents = mantissa;
  if (shift >= 0) {
    for (int i = 0; i < shift; ++i) cents *= 10;
  } else {
    long long divisor = 1;
    for (int i = 0; i < -shift && divisor <= LLONG_MAX / 10; ++i) divisor *= 10;
    cents = mantissa / divisor + (mantissa % divisor * 2 >= divisor ? 1 : 0);
  }
  char out[64];
  std::snprintf(out, sizeof out, "%s%lld.%02lld", negative && cents != 0 ? "-" : "", cents / 100, cents % 100);
  return out;
}

TEST(FormatTest, Format00AgreesWithAnIndependentRoundingAndReadsBack) {
  std::mt19937_64 rng(20240131);
  std::uniform_int_distribution<long long> cents(-1'000'000'000'00LL, 1'000'000'000'00LL);
  std::uniform_real_distribution<double> unit(-1, 1);
  std::uniform_int_distribution<int> exponent(-6, 12);
  for (int i = 0; i < 200000; ++i) {
    const double c = static_cast<double>(cents(rng));
    const double v = i % 4 == 0   ? c / 100                             // an amount as typed
                     : i % 4 == 1 ? (c * 10 + 5) / 1000                 // a tie on the third decimal
                     : i % 4 == 2 ? c / 100 * 0.0151308439023100        // a rate times a capital
                                  : unit(rng) * std::pow(10.0, exponent(rng));
    const std::string text = Format00(v);
    ASSERT_EQ(text, ReferenceFormat00(v)) << std::hexfloat << v;
    ASSERT_EQ(Format00(NumberOf(text)), text);
  }
}

TEST(HalfEvenTest, RoundsTheScaledDoubleToEvenAndConvertsToWholeNumbers) {
  const struct {
    double value;
    int decimals;
    double expected;
  } cases[] = {
      {0.125, 2, 0.12},   {0.375, 2, 0.38}, {2.675, 2, 2.68},  // 267.5 exactly after scaling
      {-0.125, 2, -0.12}, {12.5, 0, 12},    {13.5, 0, 14},     {-2.5, 0, -2},
      {1513.0843902310018, 2, 1513.08},
      {96513.075, 2, 96513.08},  // scaled: 9651307.5 exactly, to even
      {0.00005, 4, 0},           // scaled: 0.5 exactly, to even
      {1.005, 2, 1},             // scaled: 100.49999999999999, unlike Format00's 1.01
      {0.285, 2, 0.28},          // scaled: 28.499999999999996
      {1e300, 2, 1e300},         {1e17 + 16, 2, 1e17 + 16},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RoundHalfEven(c.value, c.decimals), c.expected) << c.value << " to " << c.decimals;
  EXPECT_TRUE(std::isnan(RoundHalfEven(std::nan(""), 2)));

  const std::pair<double, int> whole[] = {
      {12.5, 12}, {13.5, 14}, {-2.5, -2}, {2147483647.4, INT_MAX}, {-2147483648.0, INT_MIN}};
  for (const auto& [value, expected] : whole) EXPECT_EQ(WholeHalfEven(value), expected) << value;
  for (double v : {2147483648.0, std::nan(""), std::numeric_limits<double>::infinity()})
    EXPECT_THROW(WholeHalfEven(v), NumberTextError) << v;
}

TEST(PlainNumberTest, FifteenSignificantDigitsWithoutExponentOrTrailingZeros) {
  const FormatCase cases[] = {
      {92973.4, "92973.4"}, {100000, "100000"}, {-3.5, "-3.5"}, {0, "0"}, {-0.0, "0"}, {0.1 + 0.2, "0.3"},
      {0.0151308439, "0.0151308439"},
      {0.015130843902310018, "0.01513084390231"},  // 17-digit shortest text
      {1.0 / 3, "0.333333333333333"}, {2.0 / 3, "0.666666666666667"},
      {1e15, "1000000000000000"}, {1e16, "10000000000000000"}, {123456789012345678.0, "123456789012346000"},
      {1e-7, "0.0000001"}, {-1.5e-10, "-0.00000000015"}, {96513.08, "96513.08"},
      {999999999999999.9, "1000000000000000"},  // rounding carries into a new digit
  };
  for (const auto& c : cases) EXPECT_EQ(PlainNumber(c.value), c.expected) << c.value;
  EXPECT_EQ(PlainNumber(5e-324), "0." + std::string(323, '0') + "494065645841247");
}

// PlainNumber must read back as printf's %.15g of the same value, whichever
// of its two ways (shortest text or 15-digit rounding) produced it, and write
// the same text again from what it reads back.
TEST(PlainNumberTest, ReadsBackAsTheValueRoundedToFifteenDigits) {
  std::mt19937_64 rng(7);
  std::uniform_int_distribution<std::uint64_t> bits;
  std::uniform_int_distribution<long long> cents(-1'000'000'000'00LL, 1'000'000'000'00LL);
  for (int i = 0; i < 200000; ++i) {
    double v = static_cast<double>(cents(rng)) / 100 * (i % 4 == 0 ? 1.0 : 0.0123456789);
    if (i % 2 == 1) {
      const std::uint64_t b = bits(rng);
      std::memcpy(&v, &b, sizeof v);
      if (!std::isfinite(v) || std::fabs(v) > kLargestFigure) continue;
    }
    const std::string text = PlainNumber(v);
    char ref[64];
    std::snprintf(ref, sizeof ref, "%.15g", v);
    ASSERT_EQ(NumberOf(text), std::strtod(ref, nullptr)) << text << " vs " << ref;
    ASSERT_EQ(PlainNumber(NumberOf(text)), text);
    ASSERT_EQ(text.find_first_of("eE"), std::string::npos) << text;
    if (text.find('.') != std::string::npos) {
      ASSERT_NE(text.back(), '0') << text;
      ASSERT_NE(text.back(), '.') << text;
    }
  }
}

TEST(ParseNumberTest, ReadsNumbersStrictly) {
  const std::pair<const char*, double> good[] = {
      {"12", 12},         {" 12.5 ", 12.5},     {"\t7\t", 7},         {"+3", 3},     {"-3", -3},
      {".5", 0.5},        {"5.", 5},            {"1e5", 1e5},         {"2.5E-3", 0.0025}, {"1e+2", 100},
      {"-0", 0},          {"96513.08", 96513.08}, {"0.01513084390231", 0.01513084390231}, {"007", 7},
      {"1e-400", 0},      {"123e-400", 0},      {"-0.0001e-320", 0},  {"1000e-310", 1e-307},
  };
  for (const auto& [text, expected] : good) {
    const auto v = ParseNumber(text);
    ASSERT_TRUE(v.has_value()) << text;
    EXPECT_EQ(*v, expected) << text;
  }
  for (const char* t : {"", " ", ".", "1e", "12a", "abc", "inf", "nan", "0x10", "1 2", "--1", "1e400", "1,5", "+",
                        "-", "e5", "1.2.3", "1e5.5", "0.001e400", "100000000000000000000e300"})
    EXPECT_FALSE(ParseNumber(t).has_value()) << '"' << t << '"';
  EXPECT_EQ(NumberOf("100000.00"), 100000);
  try {
    NumberOf("12a");
    ADD_FAILURE() << "no exception";
  } catch (const NumberTextError& e) {
    EXPECT_NE(std::string(e.what()).find("\"12a\""), std::string::npos) << e.what();  // names the text
  }
}

TEST(LeadingValueTest, TakesTheLongestNumericPrefix) {
  const std::pair<const char*, double> cases[] = {
      {"12.5abc", 12.5}, {"abc", 0}, {"", 0},     {"-3", -3},      {"  42 apples", 42}, {"1e5x", 1e5}, {"1ex", 1},
      {".5.5", 0.5},     {"-", 0},   {"+7", 7},   {"1e-3", 0.001}, {"12 34", 12},       {"\t9", 9},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(LeadingValue(text), expected) << text;
  EXPECT_THROW(LeadingValue("1e400"), NumberTextError);
}

}  // namespace
}  // namespace hp::text
