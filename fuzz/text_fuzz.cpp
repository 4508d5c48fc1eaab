// The number and date texts on arbitrary text. The input is the text itself;
// its first bytes also give a raw double, a month count and a raw date, so
// that the writers meet values no text would spell.
//
// Properties: the strict readers accept nothing with junk after the number
// or date; what they accept the lenient reader reads alike; every text the
// writers produce reads back to the value it stands for.
#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/text/date_text.h"
#include "platform/text/number_text.h"

namespace t = hp::text;

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

template <typename T>
T Raw(const uint8_t* data, size_t size, size_t at) {
  T v{};
  if (size >= at + sizeof v) std::memcpy(&v, data + at, sizeof v);
  return v;
}

// The value rounded to 15 significant digits, by the C library.
double Round15(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", v);
  return std::strtod(buf, nullptr);
}

// LeadingValue as a value or "too large" (NaN: it never returns one).
double Leading(std::string_view s) {
  try {
    return t::LeadingValue(s);
  } catch (const t::NumberTextError&) {
    return NAN;
  }
}

bool SameLeading(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

void CheckReaders(const std::string& s) {
  const auto v = t::ParseNumber(s);
  bool threw = false;
  try {
    const double n = t::NumberOf(s);
    Check(v && n == *v);
  } catch (const t::NumberTextError&) {
    threw = true;
  }
  Check(threw == !v);
  if (v) {
    Check(std::isfinite(*v));
    Check(Leading(s) == *v);
    for (const char* junk : {"x", ",", "e", "-", "%"}) Check(!t::ParseNumber(s + junk));
    Check(!t::ParseNumber("x" + s));
  }
  // Nothing after the number can extend it.
  Check(SameLeading(Leading(s), Leading(s + "x")));
}

void CheckWriters(double v) {
  if (!std::isfinite(v) || std::fabs(v) > t::kLargestFigure) {
    int threw = 0;
    try {
      t::PlainNumber(v);
    } catch (const t::NumberTextError&) {
      ++threw;
    }
    try {
      t::Format00(v);
    } catch (const t::NumberTextError&) {
      ++threw;
    }
    Check(threw == 2);
    Check(std::isnan(t::RoundHalfEven(v, 2)) == std::isnan(v));
    return;
  }
  // Plain text: no exponent, no trailing zeros, exactly the 15-digit value.
  const std::string plain = t::PlainNumber(v);
  Check(plain.find_first_of("eE+") == std::string::npos && plain != "-0");
  if (plain.find('.') != std::string::npos) Check(plain.back() != '0' && plain.back() != '.');
  const auto back = t::ParseNumber(plain);
  Check(back && *back == Round15(v));
  Check(t::PlainNumber(*back) == plain);

  // "0.00" and "0": a number with that many decimals, within half a unit of
  // the last place (and of the 15-digit rounding) of the value, re-read alike.
  const double tiny = 1e-14 * std::fabs(v);
  const std::string f00 = t::Format00(v), f0 = t::Format0(v);
  Check(f00.size() >= 4 && f00[f00.size() - 3] == '.' && f00 != "-0.00" && f0 != "-0");
  Check(f0.find('.') == std::string::npos);
  const auto p00 = t::ParseNumber(f00), p0 = t::ParseNumber(f0);
  Check(p00 && std::fabs(*p00 - v) <= 0.005 * (1 + 1e-9) + tiny && t::Format00(*p00) == f00);
  Check(p0 && std::fabs(*p0 - v) <= 0.5 * (1 + 1e-12) + tiny && t::Format0(*p0) == f0);

  // Half-even rounding to a few places stays within half a unit of the place.
  for (int d : {0, 2, 4, 9}) {
    const double r = t::RoundHalfEven(v, d);
    Check(std::isfinite(r) && std::fabs(r - v) <= 0.5 * std::pow(10.0, -d) * (1 + 1e-9) + 4 * DBL_EPSILON * std::fabs(v));
    Check(r == 0 || std::signbit(r) == std::signbit(v));
  }
  try {
    const int w = t::WholeHalfEven(v);
    const double gap = std::fabs(w - v);
    Check(gap < 0.5 || (gap == 0.5 && w % 2 == 0));
  } catch (const t::NumberTextError&) {
    Check(std::fabs(v) > static_cast<double>(INT_MAX) - 1);
  }
}

void CheckDate(const t::Date& d) {
  Check(t::IsValid(d));
  Check(t::ParseDate(t::ShortDate(d)) == d && t::ParseDate(t::IsoDate(d)) == d);
  Check(t::CivilFromDays(t::DaysFromCivil(d)) == d);
  const std::string y = t::Yyyymmdd(d);
  Check(y.size() == 8 && y.find_first_not_of("0123456789") == std::string::npos);
}

// Calendar-month addition: a valid date `months` months on, the day kept or
// cut to the month's end; refused only for an invalid date or a result
// outside years 1..9999.
void CheckAddMonths(const t::Date& d, int months) {
  const long long total = static_cast<long long>(d.year) * 12 + (d.month - 1) + months;
  const long long year = total >= 0 ? total / 12 : (total - 11) / 12;
  const bool refused = !t::IsValid(d) || year < 1 || year > 9999;
  try {
    const t::Date r = t::AddMonths(d, months);
    Check(!refused && t::IsValid(r));
    Check(static_cast<long long>(r.year) * 12 + (r.month - 1) == total);
    Check(r.day == std::min(d.day, t::DaysInMonth(r.year, r.month)));
  } catch (const t::DateTextError&) {
    Check(refused);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string s(reinterpret_cast<const char*>(data), size);
  CheckReaders(s);

  const auto v = t::ParseNumber(s);
  if (v) CheckWriters(*v);
  if (double lead = Leading(s); !std::isnan(lead)) CheckWriters(lead);
  CheckWriters(Raw<double>(data, size, 0));

  const auto d = t::ParseDate(s);
  bool threw = false;
  try {
    const t::Date of = t::DateOf(s);
    Check(d && of == *d);
  } catch (const t::DateTextError&) {
    threw = true;
  }
  Check(threw == !d);
  const int months = Raw<int32_t>(data, size, 0);
  if (d) {
    CheckDate(*d);
    Check(!t::ParseDate(s + "x") && !t::ParseDate("x" + s));
    for (int m : {1, -1, 13, -1200, months, INT_MAX, INT_MIN}) CheckAddMonths(*d, m);
  }
  const t::Date raw{Raw<int16_t>(data, size, 4), Raw<int8_t>(data, size, 6), Raw<int8_t>(data, size, 7)};
  CheckAddMonths(raw, months);
  if (t::IsValid(raw)) CheckDate(raw);
  return 0;
}
