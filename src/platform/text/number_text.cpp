#include "platform/text/number_text.h"

#include <algorithm>
#include <charconv>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <system_error>

namespace hp::text {
namespace {

// A finite number rounded to 15 significant digits:
//   value = (negative ? -1 : 1) * d[0].d[1]d[2]...d[count-1] * 10^exp10
// with no trailing zero digits. Zero has count 0.
struct Digits15 {
  char d[17];
  int count = 0;
  int exp10 = 0;
  bool negative = false;
};

// Reads the digits and exponent of to_chars' scientific text ("-1.2345e+02").
void ReadScientific(const char* p, const char* end, Digits15& out) {
  out.count = 0;
  out.negative = false;
  if (*p == '-') {
    out.negative = true;
    ++p;
  }
  while (p < end && *p != 'e') {
    if (*p != '.') out.d[out.count++] = *p;
    ++p;
  }
  ++p;  // 'e'
  bool exp_negative = false;
  if (*p == '-' || *p == '+') exp_negative = *p++ == '-';
  int e = 0;
  while (p < end) e = e * 10 + (*p++ - '0');
  out.exp10 = exp_negative ? -e : e;
  while (out.count > 1 && out.d[out.count - 1] == '0') --out.count;
}

void ThrowNotFinite() { throw NumberTextError("a figure is not a finite number"); }

// The 15-significant-digit decimal form of `value`. The shortest round-trip
// text is tried first: when it has at most 15 digits it already is the value
// rounded to 15 digits (a normal double is closer to it than half a unit of
// the 15th digit), which is the common case for amounts and is cheaper than
// fixed-precision output.
Digits15 Decompose(double value) {
  Digits15 out;
  if (!std::isfinite(value)) ThrowNotFinite();
  if (std::fabs(value) > kLargestFigure) throw NumberTextError("a figure is too large to be written");
  if (value == 0) return out;
  char buf[48];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  ReadScientific(buf, res.ptr, out);
  // Subnormals have fewer than 15 digits of precision: their shortest text
  // ("5e-324") is shorter than their 15-digit text, which is the one we want.
  if (out.count > 15 || std::fabs(value) < DBL_MIN) {
    res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    ReadScientific(buf, res.ptr, out);
  }
  return out;
}

// Largest text: sign, 309 integer digits or "0." and 323 zeros before 15
// digits, and a few decimals.
constexpr size_t kBufSize = 400;

// Fixed notation with `decimals` places, halves away from zero, of the
// 15-digit form of `value`.
std::string FormatFixed(double value, int decimals) {
  const Digits15 n = Decompose(value);
  char digits[kBufSize];  // the rounded value in units of 10^-decimals
  int len = 0;
  if (n.count > 0) {
    const int keep = n.exp10 + 1 + decimals;  // digits at or above 10^-decimals
    if (keep <= 0) {
      digits[len++] = (keep == 0 && n.d[0] >= '5') ? '1' : '0';
    } else if (keep >= n.count) {
      std::memcpy(digits, n.d, n.count);
      len = n.count;
      std::memset(digits + len, '0', keep - n.count);
      len = keep;
    } else {
      std::memcpy(digits, n.d, keep);
      len = keep;
      if (n.d[keep] >= '5') {
        int i = len - 1;
        while (i >= 0 && digits[i] == '9') digits[i--] = '0';
        if (i >= 0) {
          ++digits[i];
        } else {
          std::memmove(digits + 1, digits, len);
          digits[0] = '1';
          ++len;
        }
      }
    }
  } else {
    digits[len++] = '0';
  }
  bool all_zero = true;
  for (int i = 0; i < len; ++i) {
    if (digits[i] != '0') {
      all_zero = false;
      break;
    }
  }
  // At least one integer digit: "5" cents is "0.05".
  if (len < decimals + 1) {
    const int pad = decimals + 1 - len;
    std::memmove(digits + pad, digits, len);
    std::memset(digits, '0', pad);
    len = decimals + 1;
  }
  char out[kBufSize + 8];
  size_t o = 0;
  if (n.negative && !all_zero) out[o++] = '-';
  const int int_digits = len - decimals;
  std::memcpy(out + o, digits, int_digits);
  o += int_digits;
  if (decimals > 0) {
    out[o++] = '.';
    std::memcpy(out + o, digits + int_digits, decimals);
    o += decimals;
  }
  return std::string(out, o);
}

double Pow10(int decimals) {
  static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (decimals >= 0 && decimals <= 22) return kPow10[decimals];
  return std::pow(10.0, decimals);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The syntax of a number starting at `pos`: [sign] digits [. digits] [exponent],
// at least one digit in the mantissa. Returns the end of the longest such
// prefix, or `pos` when there is none.
size_t ScanNumber(std::string_view s, size_t pos) {
  size_t p = pos;
  const size_t n = s.size();
  if (p < n && (s[p] == '+' || s[p] == '-')) ++p;
  const size_t int_start = p;
  while (p < n && IsDigit(s[p])) ++p;
  size_t digits = p - int_start;
  if (p < n && s[p] == '.') {
    size_t q = p + 1;
    while (q < n && IsDigit(s[q])) ++q;
    digits += q - p - 1;
    if (digits > 0) p = q;
  }
  if (digits == 0) return pos;
  if (p < n && (s[p] == 'e' || s[p] == 'E')) {
    size_t q = p + 1;
    if (q < n && (s[q] == '+' || s[q] == '-')) ++q;
    const size_t exp_start = q;
    while (q < n && IsDigit(s[q])) ++q;
    if (q > exp_start) p = q;  // "1e" is the number 1 followed by a letter
  }
  return p;
}

// Whether an unsigned number text that does not fit a double is too large
// rather than too small: where its first significant digit stands.
bool TooLarge(std::string_view number) {
  const size_t e = std::min(number.find_first_of("eE"), number.size());
  const std::string_view mantissa = number.substr(0, e);
  const size_t point = std::min(mantissa.find('.'), mantissa.size());
  const size_t first = mantissa.find_first_of("123456789");
  if (first == std::string_view::npos) return false;
  const long power = first < point ? static_cast<long>(point - first) - 1
                                   : -static_cast<long>(first - point);
  long exponent = 0;
  bool negative = false;
  size_t q = e + 1;
  if (q < number.size() && (number[q] == '+' || number[q] == '-')) negative = number[q++] == '-';
  for (; q < number.size(); ++q)
    if (exponent < 100000) exponent = exponent * 10 + (number[q] - '0');
  return power + (negative ? -exponent : exponent) > 0;
}

// Converts a span that ScanNumber accepted. nullopt when the value is too
// large for a double; too small a value becomes zero.
std::optional<double> Convert(std::string_view number) {
  bool negative = false;
  if (!number.empty() && (number.front() == '+' || number.front() == '-')) {
    negative = number.front() == '-';
    number.remove_prefix(1);
  }
  double value = 0;
  const auto res = std::from_chars(number.data(), number.data() + number.size(), value,
                                   std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    if (TooLarge(number)) return std::nullopt;
    value = 0;
  } else if (res.ec != std::errc() || res.ptr != number.data() + number.size()) {
    return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace

std::string Format00(double value) { return FormatFixed(value, 2); }

std::string Format0(double value) { return FormatFixed(value, 0); }

double RoundHalfEven(double value, int decimals) {
  if (!std::isfinite(value)) return value;
  const double scale = Pow10(decimals);
  const double scaled = value * scale;
  // From 2^52 on a double has no fraction: the value is already whole at this
  // scale, and scaling back could only disturb its last bit.
  constexpr double kTwo52 = 4503599627370496.0;
  if (std::fabs(scaled) >= kTwo52) return value;
  // Adding and taking away 2^52 leaves no fraction bits, so the sum is rounded
  // to a whole number in the current (nearest, ties to even) mode: the same
  // as nearbyint, without the library call. The sign keeps -0.001 at -0.
  const double whole = std::fabs(scaled) + kTwo52 - kTwo52;
  return std::copysign(whole, scaled) / scale;
}

int WholeHalfEven(double value) {
  if (!std::isfinite(value)) throw NumberTextError("a figure is not a finite number");
  const double r = std::nearbyint(value);
  if (r < static_cast<double>(INT_MIN) || r > static_cast<double>(INT_MAX))
    throw NumberTextError(PlainNumber(value) + " is out of the range of a whole number");
  return static_cast<int>(r);
}

std::string PlainNumber(double value) {
  // Fast path: the shortest round-trip text in fixed notation already is the
  // answer when it has at most 15 significant digits (see Decompose) and fits
  // a small buffer; most figures are like that.
  if (std::isfinite(value) && std::fabs(value) >= DBL_MIN) {
    char buf[48];
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (res.ec == std::errc()) {
      int first = -1, last = -1, digit = 0;
      for (const char* p = buf; p < res.ptr; ++p) {
        if (*p == '-' || *p == '.') continue;
        if (*p != '0') {
          if (first < 0) first = digit;
          last = digit;
        }
        ++digit;
      }
      if (last - first < 15) return std::string(buf, res.ptr);
    }
  }
  const Digits15 n = Decompose(value);
  if (n.count == 0) return "0";
  char out[kBufSize];
  size_t o = 0;
  if (n.negative) out[o++] = '-';
  if (n.exp10 < 0) {
    out[o++] = '0';
    out[o++] = '.';
    for (int i = -1; i > n.exp10; --i) out[o++] = '0';
    std::memcpy(out + o, n.d, n.count);
    o += n.count;
  } else if (n.exp10 + 1 >= n.count) {
    std::memcpy(out + o, n.d, n.count);
    o += n.count;
    const int zeros = n.exp10 + 1 - n.count;
    std::memset(out + o, '0', zeros);
    o += zeros;
  } else {
    const int int_digits = n.exp10 + 1;
    std::memcpy(out + o, n.d, int_digits);
    o += int_digits;
    out[o++] = '.';
    std::memcpy(out + o, n.d + int_digits, n.count - int_digits);
    o += n.count - int_digits;
  }
  return std::string(out, o);
}

std::optional<double> ParseNumber(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  const std::string_view body = text.substr(begin, end - begin);
  if (body.empty() || ScanNumber(body, 0) != body.size()) return std::nullopt;
  return Convert(body);
}

double NumberOf(std::string_view text) {
  if (auto v = ParseNumber(text)) return *v;
  throw NumberTextError("\"" + std::string(text) + "\" is not a number");
}

double LeadingValue(std::string_view text) {
  size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) ++begin;
  const size_t end = ScanNumber(text, begin);
  if (end == begin) return 0;
  if (auto v = Convert(text.substr(begin, end - begin))) return *v;
  throw NumberTextError("\"" + std::string(text) + "\" is too large a number");
}

}  // namespace hp::text
