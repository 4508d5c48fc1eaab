#include "platform/text/date_text.h"

#include <ctime>
#include <string>

namespace hp::text {
namespace {

std::string& PatternStorage() {
  static std::string pattern = "dd/MM/yyyy";
  return pattern;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Appends `value` with at least `width` digits (zero padded). Values are small
// and non-negative here; a negative year is written with its sign.
void AppendNumber(std::string& out, long value, int width) {
  if (value < 0) {
    out.push_back('-');
    value = -value;
  }
  char buf[24];
  int len = 0;
  do {
    buf[len++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0);
  for (int i = len; i < width; ++i) out.push_back('0');
  while (len > 0) out.push_back(buf[--len]);
}

// Reads between min_digits and max_digits digits at `pos`; advances pos.
bool ReadDigits(std::string_view s, size_t& pos, int min_digits, int max_digits, int& value) {
  int count = 0;
  value = 0;
  while (pos < s.size() && count < max_digits && IsDigit(s[pos])) {
    value = value * 10 + (s[pos] - '0');
    ++pos;
    ++count;
  }
  return count >= min_digits;
}

size_t RunLength(std::string_view s, size_t pos) {
  size_t end = pos;
  while (end < s.size() && s[end] == s[pos]) ++end;
  return end - pos;
}

std::optional<Date> ParseWithPattern(std::string_view text, std::string_view pattern) {
  Date d;
  bool have_day = false, have_month = false, have_year = false;
  size_t pos = 0;
  for (size_t p = 0; p < pattern.size();) {
    const char c = pattern[p];
    const size_t run = RunLength(pattern, p);
    int value = 0;
    if (c == 'd' && run <= 2) {
      if (!ReadDigits(text, pos, 1, 2, value)) return std::nullopt;
      d.day = value;
      have_day = true;
    } else if (c == 'M' && run <= 2) {
      if (!ReadDigits(text, pos, 1, 2, value)) return std::nullopt;
      d.month = value;
      have_month = true;
    } else if (c == 'y' && run == 4) {
      if (!ReadDigits(text, pos, 4, 4, value)) return std::nullopt;
      d.year = value;
      have_year = true;
    } else if (c == 'y' && run == 2) {
      if (!ReadDigits(text, pos, 2, 2, value)) return std::nullopt;
      // Two-digit years: 00-29 are this century, 30-99 the last.
      d.year = value < 30 ? 2000 + value : 1900 + value;
      have_year = true;
    } else {
      // Anything else in the pattern stands for itself.
      for (size_t i = 0; i < run; ++i) {
        if (pos >= text.size() || text[pos] != c) return std::nullopt;
        ++pos;
      }
    }
    p += run;
  }
  if (pos != text.size() || !have_day || !have_month || !have_year) return std::nullopt;
  if (!IsValid(d)) return std::nullopt;
  return d;
}

// "hh:mm[:ss[.fraction]]" followed by an optional zone ("Z", "+05", "+05:30").
bool ParseTime(std::string_view s, size_t& pos, int& hour, int& minute, int& second) {
  if (!ReadDigits(s, pos, 2, 2, hour) || pos >= s.size() || s[pos] != ':') return false;
  ++pos;
  if (!ReadDigits(s, pos, 2, 2, minute)) return false;
  second = 0;
  if (pos < s.size() && s[pos] == ':') {
    ++pos;
    if (!ReadDigits(s, pos, 2, 2, second)) return false;
    if (pos < s.size() && s[pos] == '.') {
      ++pos;
      const size_t start = pos;
      while (pos < s.size() && IsDigit(s[pos])) ++pos;
      if (pos == start) return false;
    }
  }
  if (pos < s.size() && s[pos] == 'Z') {
    ++pos;
  } else if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
    ++pos;
    int zh = 0, zm = 0;
    if (!ReadDigits(s, pos, 2, 2, zh)) return false;
    if (pos < s.size() && s[pos] == ':') {
      ++pos;
      if (!ReadDigits(s, pos, 2, 2, zm)) return false;
    }
  }
  return hour <= 23 && minute <= 59 && second <= 60;
}

std::optional<DateTime> ParseIso(std::string_view text) {
  size_t pos = 0;
  DateTime t;
  if (!ReadDigits(text, pos, 4, 4, t.date.year) || pos >= text.size() || text[pos] != '-')
    return std::nullopt;
  ++pos;
  if (!ReadDigits(text, pos, 2, 2, t.date.month) || pos >= text.size() || text[pos] != '-')
    return std::nullopt;
  ++pos;
  if (!ReadDigits(text, pos, 2, 2, t.date.day)) return std::nullopt;
  if (!IsValid(t.date)) return std::nullopt;
  if (pos == text.size()) return t;
  if (text[pos] != ' ' && text[pos] != 'T') return std::nullopt;
  ++pos;
  if (!ParseTime(text, pos, t.hour, t.minute, t.second) || pos != text.size())
    return std::nullopt;
  return t;
}

}  // namespace

bool IsValid(const Date& d) {
  return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         d.day <= DaysInMonth(d.year, d.month);
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  if (month == 2) {
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return leap ? 29 : 28;
  }
  return kDays[month - 1];
}

// Days from civil and back after H. Hinnant's public-domain algorithms: exact
// for the whole proleptic Gregorian calendar, no tables, no time zone.
long DaysFromCivil(const Date& d) {
  const long y = static_cast<long>(d.year) - (d.month <= 2 ? 1 : 0);
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long m = d.month;
  const long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d.day - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

Date CivilFromDays(long days) {
  days += 719468;
  const long era = (days >= 0 ? days : days - 146096) / 146097;
  const long doe = days - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  Date d;
  d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  d.year = static_cast<int>(yoe + era * 400 + (d.month <= 2 ? 1 : 0));
  return d;
}

Date AddDays(const Date& d, long days) { return CivilFromDays(DaysFromCivil(d) + days); }

Date AddMonths(const Date& d, int months) {
  if (!IsValid(d)) throw DateTextError("cannot add months to an invalid date " + IsoDate(d));
  const long total = static_cast<long>(d.year) * 12 + (d.month - 1) + months;
  long year = total / 12;
  long month0 = total % 12;
  if (month0 < 0) {
    month0 += 12;
    --year;
  }
  if (year < 1 || year > 9999)
    throw DateTextError("date out of range adding " + std::to_string(months) + " months to " +
                        IsoDate(d));
  Date r;
  r.year = static_cast<int>(year);
  r.month = static_cast<int>(month0 + 1);
  const int last = DaysInMonth(r.year, r.month);
  r.day = d.day > last ? last : d.day;
  return r;
}

void SetShortDatePattern(std::string pattern) { PatternStorage() = std::move(pattern); }

const std::string& ShortDatePattern() { return PatternStorage(); }

std::string ShortDate(const Date& d) {
  const std::string& pattern = PatternStorage();
  // Each letter of the pattern becomes at most two characters (d -> "31",
  // yyyy -> "2024"), a year beyond four digits aside: a small buffer does,
  // and the text is built once.
  char small[64];
  std::string large;
  char* out = small;
  if (pattern.size() * 2 + 8 > sizeof small) {
    large.resize(pattern.size() * 2 + 16);
    out = large.data();
  }
  char* p = out;
  auto put = [&p](long value, int width) {
    char digits[24];
    int len = 0;
    do {
      digits[len++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value > 0);
    for (int i = len; i < width; ++i) *p++ = '0';
    while (len > 0) *p++ = digits[--len];
  };
  for (size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    const size_t run = RunLength(pattern, i);
    if (c == 'd' && run <= 2) {
      put(d.day, static_cast<int>(run));
    } else if (c == 'M' && run <= 2) {
      put(d.month, static_cast<int>(run));
    } else if (c == 'y' && run == 4) {
      put(d.year < 0 ? 0 : d.year % 100000, 4);
    } else if (c == 'y' && run == 2) {
      put(((d.year % 100) + 100) % 100, 2);
    } else {
      for (size_t k = 0; k < run; ++k) *p++ = c;
    }
    i += run;
  }
  return std::string(out, p);
}

std::optional<Date> ParseDate(std::string_view text) {
  text = Trim(text);
  if (auto d = ParseWithPattern(text, PatternStorage())) return d;
  if (auto t = ParseIso(text)) return t->date;
  return std::nullopt;
}

Date DateOf(std::string_view text) {
  if (auto d = ParseDate(text)) return *d;
  throw DateTextError("\"" + std::string(text) + "\" is not a date");
}

std::string Yyyymmdd(const Date& d) {
  std::string out;
  out.reserve(8);
  AppendNumber(out, d.year, 4);
  AppendNumber(out, d.month, 2);
  AppendNumber(out, d.day, 2);
  return out;
}

std::string IsoDate(const Date& d) {
  std::string out;
  out.reserve(10);
  AppendNumber(out, d.year, 4);
  out.push_back('-');
  AppendNumber(out, d.month, 2);
  out.push_back('-');
  AppendNumber(out, d.day, 2);
  return out;
}

std::string IsoDateTime(const DateTime& t) {
  std::string out = IsoDate(t.date);
  out.push_back(' ');
  AppendNumber(out, t.hour, 2);
  out.push_back(':');
  AppendNumber(out, t.minute, 2);
  out.push_back(':');
  AppendNumber(out, t.second, 2);
  return out;
}

std::optional<DateTime> ParseIsoDateTime(std::string_view text) { return ParseIso(Trim(text)); }

DateTime Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  DateTime t;
  t.date.year = local.tm_year + 1900;
  t.date.month = local.tm_mon + 1;
  t.date.day = local.tm_mday;
  t.hour = local.tm_hour;
  t.minute = local.tm_min;
  t.second = local.tm_sec > 59 ? 59 : local.tm_sec;
  return t;
}

Date Today() { return Now().date; }

}  // namespace hp::text
