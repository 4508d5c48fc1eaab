// Calendar dates and their texts: the system's short date text (one setting,
// "dd/MM/yyyy" by default), "yyyymmdd" for cheque look-ups, ISO text for the
// database, and calendar-month addition.
#pragma once

#include <compare>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace hp::text {

class DateTextError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Date {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  auto operator<=>(const Date&) const = default;
};

struct DateTime {
  Date date;
  int hour = 0, minute = 0, second = 0;
  auto operator<=>(const DateTime&) const = default;
};

bool IsValid(const Date& d);
int DaysInMonth(int year, int month);

// Days since 1970-01-01 and back (proleptic Gregorian calendar).
long DaysFromCivil(const Date& d);
Date CivilFromDays(long days);
Date AddDays(const Date& d, long days);

// Calendar-month addition: the same day `months` months later; a day beyond the
// end of the target month becomes that month's last day (31 Jan + 1 = 28/29 Feb).
// Throws DateTextError for an invalid `d` or a result outside years 1..9999.
Date AddMonths(const Date& d, int months);

// The short date pattern in use. Letters: dd, d, MM, M, yyyy, yy; anything
// else is copied. Default "dd/MM/yyyy". Set once at start-up.
void SetShortDatePattern(std::string pattern);
const std::string& ShortDatePattern();

std::string ShortDate(const Date& d);                 // "31/01/2024"
// Reads a date typed or shown by the system (blanks around ignored): the short
// date pattern first (d/dd and M/MM take one or two digits, yy is 1930..2029),
// then ISO "yyyy-mm-dd" (optionally followed by a time, as ParseIsoDateTime).
// nullopt when neither gives a valid date.
std::optional<Date> ParseDate(std::string_view text);
// As ParseDate, throwing DateTextError naming the text.
Date DateOf(std::string_view text);

std::string Yyyymmdd(const Date& d);                  // "20240131"
std::string IsoDate(const Date& d);                   // "2024-01-31"
std::string IsoDateTime(const DateTime& t);           // "2024-01-31 14:05:09"
// Reads "yyyy-mm-dd", optionally followed by ' ' or 'T' and "hh:mm[:ss[.fff]]"
// with an optional zone ("Z", "+05:30") that is ignored. A date alone is
// midnight. nullopt for anything else.
std::optional<DateTime> ParseIsoDateTime(std::string_view text);

// The present date and time of this machine (local time).
DateTime Now();
Date Today();

}  // namespace hp::text
