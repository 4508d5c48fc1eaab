#include "platform/text/date_text.h"

#include <gtest/gtest.h>

#include <string>

namespace hp::text {
namespace {

// Restores the short date pattern that a test changes.
class DateTextTest : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = ShortDatePattern(); }
  void TearDown() override { SetShortDatePattern(saved_); }

 private:
  std::string saved_;
};

TEST_F(DateTextTest, AddMonthsKeepsTheDayOrTakesTheMonthsLastDayAndRefusesInvalidDates) {
  struct Case {
    Date from;
    int months;
    Date expected;
  };
  const Case cases[] = {
      {{2024, 1, 31}, 1, {2024, 2, 29}},  {{2023, 1, 31}, 1, {2023, 2, 28}},    // leap year and not
      {{2024, 1, 31}, 2, {2024, 3, 31}},  {{2024, 1, 31}, 3, {2024, 4, 30}},    // from the start, not from 29 Feb
      {{2024, 2, 29}, 12, {2025, 2, 28}}, {{2024, 2, 29}, 48, {2028, 2, 29}},
      {{2023, 12, 31}, 1, {2024, 1, 31}}, {{2023, 11, 30}, 2, {2024, 1, 30}},   // over the year end
      {{2024, 11, 30}, 3, {2025, 2, 28}}, {{2024, 1, 15}, -1, {2023, 12, 15}},
      {{2024, 3, 31}, -1, {2024, 2, 29}}, {{2024, 5, 31}, -15, {2023, 2, 28}},
      {{2024, 1, 31}, 0, {2024, 1, 31}},  {{2024, 1, 31}, 360, {2054, 1, 31}},
      {{1900, 1, 31}, 1, {1900, 2, 28}},  {{2000, 1, 31}, 1, {2000, 2, 29}},    // 1900 is no leap year, 2000 is
  };
  for (const auto& c : cases)
    EXPECT_EQ(AddMonths(c.from, c.months), c.expected) << IsoDate(c.from) << " + " << c.months << " months";
  // Invalid dates, and years beyond the calendar, are refused.
  const std::pair<Date, int> refused[] = {{{2024, 2, 30}, 1}, {{2024, 13, 1}, 1}, {{9999, 12, 1}, 1}, {{1, 1, 1}, -1}};
  for (const auto& [from, months] : refused) EXPECT_THROW(AddMonths(from, months), DateTextError) << months;
}

TEST_F(DateTextTest, DayNumbersFollowTheCalendarDayByDay) {
  EXPECT_EQ(DaysFromCivil({1970, 1, 1}), 0);
  EXPECT_EQ(DaysFromCivil({1969, 12, 31}), -1);
  EXPECT_EQ(DaysFromCivil({2000, 3, 1}), 11017);
  // Walk the calendar from 1601 to 2400 by hand and compare every day.
  Date d{1601, 1, 1};
  long n = DaysFromCivil(d);
  for (int i = 0; i < 292200; ++i) {
    ASSERT_EQ(CivilFromDays(n), d) << n;
    ASSERT_EQ(DaysFromCivil(d), n) << IsoDate(d);
    if (++d.day > DaysInMonth(d.year, d.month)) {
      d.day = 1;
      if (++d.month > 12) {
        d.month = 1;
        ++d.year;
      }
    }
    ++n;
  }
  EXPECT_EQ(AddDays({2024, 2, 28}, 1), (Date{2024, 2, 29}));
  EXPECT_EQ(AddDays({2024, 3, 1}, -1), (Date{2024, 2, 29}));
}

TEST_F(DateTextTest, ShortDateFollowsThePattern) {
  const Date d{2024, 3, 5};
  EXPECT_EQ(ShortDate(d), "05/03/2024");
  const std::pair<const char*, const char*> cases[] = {
      {"d/M/yy", "5/3/24"}, {"MM-dd-yyyy", "03-05-2024"}, {"yyyy.MM.dd", "2024.03.05"},
      {"dd MMM yyyy", "05 MMM 2024"},  // unknown letters stand for themselves
  };
  for (const auto& [pattern, expected] : cases) {
    SetShortDatePattern(pattern);
    EXPECT_EQ(ShortDate(d), expected) << pattern;
  }
}

TEST_F(DateTextTest, ParseDateReadsTheShortDateThenIso) {
  const std::pair<const char*, Date> good[] = {
      {"31/01/2024", {2024, 1, 31}}, {" 31/01/2024 ", {2024, 1, 31}}, {"1/2/2024", {2024, 2, 1}},
      {"29/02/2024", {2024, 2, 29}}, {"2024-01-31", {2024, 1, 31}},   {"2024-01-31 14:05:09", {2024, 1, 31}},
      {"2024-01-31T14:05:09.123+05:30", {2024, 1, 31}},               {"2024-01-31 00:00", {2024, 1, 31}},
  };
  for (const auto& [text, expected] : good) EXPECT_EQ(ParseDate(text), expected) << text;
  for (const char* t : {"", "abc", "31/02/2024", "29/02/2023", "2024-02-30", "2024-1-31", "31/01/24", "31/01/2024x",
                        "2024-13-01", "2024-01-31 25:00:00", "2024-01-31 10:00:00 junk", "00/01/2024"})
    EXPECT_FALSE(ParseDate(t).has_value()) << '"' << t << '"';
  EXPECT_THROW(DateOf("31/02/2024"), DateTextError);

  SetShortDatePattern("MM/dd/yy");
  EXPECT_EQ(ParseDate("01/31/24"), (Date{2024, 1, 31}));
  EXPECT_EQ(ParseDate("01/31/85"), (Date{1985, 1, 31}));
  EXPECT_EQ(ParseDate("2024-01-31"), (Date{2024, 1, 31}));
  EXPECT_FALSE(ParseDate("31/01/2024").has_value());
}

TEST_F(DateTextTest, FixedTextsAndIsoTimes) {
  EXPECT_EQ(Yyyymmdd({2024, 2, 9}), "20240209");
  EXPECT_EQ(Yyyymmdd({987, 12, 31}), "09871231");
  EXPECT_EQ(IsoDate({2024, 2, 9}), "2024-02-09");
  EXPECT_EQ(IsoDateTime({{2024, 1, 31}, 14, 5, 9}), "2024-01-31 14:05:09");
  EXPECT_EQ(ParseIsoDateTime("2024-01-31 14:05:09"), (DateTime{{2024, 1, 31}, 14, 5, 9}));
  EXPECT_EQ(ParseIsoDateTime("2024-01-31"), (DateTime{{2024, 1, 31}, 0, 0, 0}));
  EXPECT_FALSE(ParseIsoDateTime("31/01/2024").has_value());
  EXPECT_FALSE(ParseIsoDateTime("2024-01-31 14:60:00").has_value());
  EXPECT_TRUE(IsValid(Today()));
}

}  // namespace
}  // namespace hp::text
