// The system's number texts. Every figure on every screen passes through here:
// amounts are shown as "0.00", intermediate values as plain number text, and
// each computation reads its operands back from the text it wrote.
//
// All functions are locale-independent (the decimal separator is always '.').
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace hp::text {

// Thrown where a text must be a number and is not (a box holding letters).
class NumberTextError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The largest magnitude the writers take. Just above it the 15-digit form
// (1.79769313486232e308) is beyond the largest double and could not be read
// back.
inline constexpr double kLargestFigure = 1.79769313486231e308;

// The pattern "0.00": two fixed decimals, no thousands separator, halves
// rounded away from zero. The rounding works on the number's 15-significant-
// digit decimal text, so 2.675 gives "2.68" and 1.005 gives "1.01", as users
// expect from what the value looks like. A result that would read "-0.00" is
// "0.00". Large values are written in full (1e15 -> "1000000000000000.00").
// Throws NumberTextError for infinity or NaN (no figure may hold them) and for
// a value beyond kLargestFigure.
std::string Format00(double value);

// The pattern "0": whole units, halves away from zero (14999.6 -> "15000").
// Throws as Format00.
std::string Format0(double value);

// Round to `decimals` places with halves to even, on the double: the value is
// scaled by 10^decimals, rounded to the nearest whole number (ties to even) and
// scaled back. 0.125 -> 0.12, 0.375 -> 0.38, 2.675 -> 2.68 (2.675 * 100 is
// exactly 267.5 in double arithmetic). A value too large to have a fraction at
// that scale, infinity and NaN come back unchanged.
double RoundHalfEven(double value, int decimals);

// Conversion of a number to a whole number with halves to even (12.5 -> 12,
// 13.5 -> 14). Throws NumberTextError when the value is out of the range of a
// 32-bit integer or not finite.
int WholeHalfEven(double value);

// The plain text of a number: the value rounded to 15 significant digits (as
// printf's %.15g), written without exponent and without trailing zeros
// ("92973.4", "100000", "0.0151308439", "-3.5", 1e-7 -> "0.0000001"). Since a
// 15-digit decimal reads back to one double only, this is also the shortest
// text of that rounded value. Zero (also -0) is "0".
// Throws as Format00.
std::string PlainNumber(double value);

// Reads a number text strictly: optional blanks (space, tab) around, optional
// '+' or '-', digits with an optional '.' fraction (".5" and "5." are numbers),
// optional exponent ("1e5", "2.5E-3"). Returns nullopt for empty or
// non-numeric text ("12a", "abc", "", ".", "1e", "inf") and for a value too
// large for a double; a value too small for one reads as zero.
std::optional<double> ParseNumber(std::string_view text);

// As ParseNumber, but a text that is not a number throws NumberTextError
// naming the text. Used where a computation cannot go on without the number.
double NumberOf(std::string_view text);

// The leading numeric value of a text: the longest numeric prefix after
// leading blanks ("12.5abc" -> 12.5, "abc" -> 0, "" -> 0, "-3" -> -3,
// "1e5x" -> 100000, "1ex" -> 1). Throws NumberTextError when the prefix is too
// large for a double.
double LeadingValue(std::string_view text);

}  // namespace hp::text
