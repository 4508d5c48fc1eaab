#include "processing/schedule.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/text/date_text.h"
#include "platform/text/number_text.h"

namespace hp::processing {
namespace {

ScheduleInput Input(std::string balance, std::string rentals, std::string rental,
                    std::string delivery = "2024-01-31") {
  return {std::move(balance), std::move(rentals), std::move(rental), std::move(delivery)};
}

// Records what the schedule hands out, as the screen's lists would.
struct Recorder {
  std::vector<ScheduleRates> rates;
  std::vector<ScheduleLine> lines;
  ScheduleSink Sink() {
    return {[this](const ScheduleRates& r) { rates.push_back(r); },
            [this](const ScheduleLine& l) { lines.push_back(l); }};
  }
};

// The worked example's lines are checked where the screen stores them; here
// the rate box in full, and rentals that repay the balance exactly (no rate).
TEST(Schedule, TheRates) {
  const Schedule s = ComputeSchedule(Input("100000.00", "24", "5000.00"), {});
  EXPECT_EQ(s.rates.rate.substr(0, 12) + " " + s.rates.interest_rate + " " + s.rates.monthly_rate,
            "0.0151308439 18.16 1.51");
  const Schedule flat = ComputeSchedule(Input("120000.00", "24", "5000.00"), {});
  EXPECT_EQ(flat.rates.rate + " " + flat.rates.monthly_rate + " " + flat.lines.back().capital_balance, "0 0.00 0");
}

// Each line is computed from the rounded texts of the line before; the last
// balance is left as the rounding leaves it (twelve rentals of 9000.00 on
// 100000.00 leave a cent; nothing forces it to 0).
TEST(Schedule, EveryLineReadsItsOperandsBackFromTheTextsBeforeIt) {
  const std::vector<std::vector<const char*>> cases = {
      {"100000.00", "12", "9000.00"}, {"50000.00", "36", "1800.00"}, {"1000000.00", "360", "10286.13"},
      {"100000.00", "24", "4000.00"}, {"10000.00", "1", "10100.00"}, {"2999.99", "7", "450.5"}, {"10000", "2", "5100"},
  };
  auto rounded = [](double v) { return text::PlainNumber(text::RoundHalfEven(v, 2)); };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c[0]) + " / " + c[1] + " x " + c[2]);
    const Schedule s = ComputeSchedule(Input(c[0], c[1], c[2]), {});
    ASSERT_EQ(static_cast<int>(s.lines.size()), LineCount(c[1]));
    const double rate = text::NumberOf(s.rates.rate);
    const std::string rental = text::Format00(text::NumberOf(c[2]));
    double tot_interest = 0, tot_capital = 0;
    std::string previous_balance = rounded(text::NumberOf(c[0]));
    for (const ScheduleLine& line : s.lines) {
      ASSERT_EQ(line.capital, previous_balance) << "line " << line.rental_no;
      const double capital = text::NumberOf(line.capital);
      EXPECT_EQ(line.rental + " " + line.amount + " " + line.settlement + " " + line.monthly_rate,
                rental + " " + rental + " 0 " + s.rates.monthly_rate);
      EXPECT_EQ(line.interest, rounded(100 * rate / 100 * capital));
      const double interest = text::NumberOf(line.interest);
      EXPECT_EQ(line.capital_repayment, rounded(text::NumberOf(rental) - interest));
      const double repayment = text::NumberOf(line.capital_repayment);
      EXPECT_EQ(line.capital_balance, rounded(capital - repayment));
      tot_interest += interest;
      tot_capital += repayment;
      previous_balance = line.capital_balance;
    }
    EXPECT_EQ(s.totals.total_rental, text::Format00(text::NumberOf(rental) * s.lines.size()));
    EXPECT_EQ(s.totals.total_interest, text::Format00(tot_interest));
    EXPECT_EQ(s.totals.total_capital, text::Format00(tot_capital));
  }
}

TEST(Schedule, DueDatesCountFromTheDeliveryDate) {
  for (const auto& [delivery, expected] : {std::pair{"2024-01-31", "29/02/2024 31/03/2024 30/04/2024 31/05/2024 "},
                                           {"31/01/2023", "28/02/2023 31/03/2023 30/04/2023 31/05/2023 "},
                                           {"2024-11-30", "30/12/2024 30/01/2025 28/02/2025 30/03/2025 "},
                                           {"2024-01-31 00:00:00", "29/02/2024 31/03/2024 30/04/2024 31/05/2024 "}}) {
    std::string dates, numbers;
    for (const ScheduleLine& line : ComputeSchedule(Input("10000.00", "4", "2600.00", delivery), {}).lines) {
      dates += line.cheque_date + " ";
      EXPECT_EQ(line.cheque_date, text::ShortDate(line.due_date));
      numbers += std::to_string(line.rental_no) + line.rental_no_text;
    }
    EXPECT_EQ(dates, expected) << delivery;
    EXPECT_EQ(numbers, "11223344");
  }
}

// The screen shows lines as they come: a failure keeps those already handed
// out and stops there.
TEST(Schedule, AFailureStopsAfterTheLinesAlreadyProduced) {
  struct LookupFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
  };
  Recorder rec;
  int calls = 0;
  const ChequeLookup lookup = [&](const text::Date&) -> ChequeRef {
    if (++calls == 5) throw LookupFailure("database gone");
    return {"City Bank", std::to_string(calls)};
  };
  EXPECT_THROW(RunSchedule(Input("100000.00", "24", "5000.00"), lookup, rec.Sink()), LookupFailure);
  ASSERT_EQ(rec.rates.size(), 1u);
  ASSERT_EQ(rec.lines.size(), 4u);
  EXPECT_EQ(rec.lines[3].cheque_no + " " + rec.lines[1].capital, "4 96513.08");

  // An unreadable delivery date fails after the rates, before any line.
  Recorder bad_date;
  EXPECT_THROW(RunSchedule(Input("100000.00", "24", "5000.00", "31/02/2024"), {}, bad_date.Sink()), ScheduleError);
  EXPECT_EQ(bad_date.rates.size(), 1u);
  EXPECT_TRUE(bad_date.lines.empty());
}

// Refused before anything reaches the screen; the message names the box.
TEST(Schedule, RefusesBoxesWithoutANumberOrWithoutARate) {
  std::vector<std::vector<const char*>> cases = {
      {"abc", "24", "5000.00", "Balance"},       {"", "24", "5000.00", "Balance"},
      {"100000.00", "24", "5,000.00", "Rental Amount"}, {"0.00", "24", "5000.00", "rate"},
      {"100000.00", "24", "0.00", "rate"},       // a zero rental repays nothing
      {"100000.00", "24", "-5000.00", "rate"},   // a rental that adds to the debt
  };
  // A count that is not a whole number of rentals from 1 to 32767.
  for (const char* rentals : {"12.5", "0", "", " ", "-3", "abc", "24x", "32768", "1e9", "0.5"}) {
    cases.push_back({"100000.00", rentals, "5000.00", "No of Rentals"});
    EXPECT_THROW(LineCount(rentals), ScheduleError) << '"' << rentals << '"';
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c[0]) + " / " + c[1] + " x " + c[2]);
    Recorder rec;
    try {
      RunSchedule(Input(c[0], c[1], c[2]), {}, rec.Sink());
      ADD_FAILURE() << "no exception";
    } catch (const ScheduleError& e) {
      EXPECT_NE(std::string(e.what()).find(c[3]), std::string::npos) << e.what();
    }
    EXPECT_TRUE(rec.rates.empty() && rec.lines.empty());
  }
  EXPECT_EQ(LineCount(" 24.00 "), 24);
  EXPECT_EQ(LineCount("32767"), 32767);
}

}  // namespace
}  // namespace hp::processing
