#include "processing/schedule.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/text/date_text.h"
#include "platform/text/number_text.h"

namespace hp::processing {
namespace {

using text::Date;

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

struct LookupFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

TEST(ScheduleTest, TheWorkedExample) {
  const Schedule s = ComputeSchedule(Input("100000.00", "24", "5000.00"), {});
  EXPECT_EQ(s.rates.rate.substr(0, 12), "0.0151308439");
  EXPECT_EQ(s.rates.interest_rate, "18.16");
  EXPECT_EQ(s.rates.monthly_rate, "1.51");
  ASSERT_EQ(s.lines.size(), 24u);
  struct Expected {
    const char *capital, *interest, *repayment, *balance;
  };
  const Expected first[] = {
      {"100000", "1513.08", "3486.92", "96513.08"},
      {"96513.08", "1460.32", "3539.68", "92973.4"},
      {"92973.4", "1406.77", nullptr, nullptr},
  };
  for (int i = 0; i < 3; ++i) {
    const ScheduleLine& line = s.lines[i];
    EXPECT_EQ(line.capital, first[i].capital) << "line " << i + 1;
    EXPECT_EQ(line.interest, first[i].interest) << "line " << i + 1;
    if (first[i].repayment) EXPECT_EQ(line.capital_repayment, first[i].repayment);
    if (first[i].balance) EXPECT_EQ(line.capital_balance, first[i].balance);
  }
  // 1.51% of 100000 would be 1510.00: interest runs on the unrounded rate.
  EXPECT_EQ(s.lines[0].monthly_rate, "1.51");
}

TEST(ScheduleTest, EveryLineReadsItsOperandsBackFromTheTextsBeforeIt) {
  struct Case {
    const char *balance, *rentals, *rental;
  };
  const Case cases[] = {
      {"100000.00", "24", "5000.00"},   {"100000.00", "12", "9000.00"},
      {"50000.00", "36", "1800.00"},    {"1000000.00", "360", "10286.13"},
      {"100000.00", "24", "4000.00"},   {"120000.00", "24", "5000.00"},
      {"10000.00", "1", "10100.00"},    {"2999.99", "7", "450.5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.balance) + " / " + c.rentals + " x " + c.rental);
    const Schedule s = ComputeSchedule(Input(c.balance, c.rentals, c.rental), {});
    const double percent = 100 * text::NumberOf(s.rates.rate);
    const std::string rental = text::Format00(text::NumberOf(c.rental));
    double tot_rental = 0, tot_interest = 0, tot_capital = 0;
    std::string previous_balance =
        text::PlainNumber(text::RoundHalfEven(text::NumberOf(c.balance), 2));
    for (const ScheduleLine& line : s.lines) {
      ASSERT_EQ(line.capital, previous_balance) << "line " << line.rental_no;
      const double capital = text::NumberOf(line.capital);
      EXPECT_EQ(line.rental, rental);
      EXPECT_EQ(line.interest, text::PlainNumber(text::RoundHalfEven(percent / 100 * capital, 2)));
      const double interest = text::NumberOf(line.interest);
      EXPECT_EQ(line.capital_repayment,
                text::PlainNumber(text::RoundHalfEven(text::NumberOf(rental) - interest, 2)));
      const double repayment = text::NumberOf(line.capital_repayment);
      EXPECT_EQ(line.capital_balance, text::PlainNumber(text::RoundHalfEven(capital - repayment, 2)));
      EXPECT_EQ(line.amount, rental);
      EXPECT_EQ(line.settlement, "0");
      EXPECT_EQ(line.monthly_rate, s.rates.monthly_rate);
      tot_rental += text::NumberOf(line.rental);
      tot_interest += interest;
      tot_capital += repayment;
      previous_balance = line.capital_balance;
    }
    EXPECT_EQ(s.totals.total_rental, text::Format00(tot_rental));
    EXPECT_EQ(s.totals.total_interest, text::Format00(tot_interest));
    EXPECT_EQ(s.totals.total_capital, text::Format00(tot_capital));
  }
}

TEST(ScheduleTest, TheLastBalanceIsLeftAsTheRoundingLeavesIt) {
  // Twelve rentals of 9000.00 on 100000.00 leave a cent; 360 rentals leave more.
  const Schedule twelve = ComputeSchedule(Input("100000.00", "12", "9000.00"), {});
  EXPECT_NE(twelve.lines.back().capital_balance, "0");
  EXPECT_NE(twelve.totals.total_capital, "100000.00");
  const Schedule long_term = ComputeSchedule(Input("1000000.00", "360", "10286.13"), {});
  ASSERT_EQ(long_term.lines.size(), 360u);
  EXPECT_NE(long_term.lines.back().capital_balance, "0");
}

TEST(ScheduleTest, RentalsThatRepayTheBalanceExactlyCarryNoInterest) {
  const Schedule s = ComputeSchedule(Input("120000.00", "24", "5000.00"), {});
  EXPECT_EQ(s.rates.rate, "0");
  EXPECT_EQ(s.rates.monthly_rate, "0.00");
  for (const ScheduleLine& line : s.lines) EXPECT_EQ(line.interest, "0");
  EXPECT_EQ(s.lines.back().capital_balance, "0");
  EXPECT_EQ(s.totals.total_interest, "0.00");
}

TEST(ScheduleTest, DueDatesCountFromTheDeliveryDate) {
  struct Case {
    const char* delivery;
    std::vector<Date> due;
  };
  const Case cases[] = {
      {"2024-01-31", {{2024, 2, 29}, {2024, 3, 31}, {2024, 4, 30}, {2024, 5, 31}}},
      {"31/01/2023", {{2023, 2, 28}, {2023, 3, 31}, {2023, 4, 30}, {2023, 5, 31}}},
      {"2024-11-30", {{2024, 12, 30}, {2025, 1, 30}, {2025, 2, 28}, {2025, 3, 30}}},
      {"2024-01-31 00:00:00", {{2024, 2, 29}, {2024, 3, 31}, {2024, 4, 30}, {2024, 5, 31}}},
  };
  for (const auto& c : cases) {
    const Schedule s = ComputeSchedule(Input("10000.00", "4", "2600.00", c.delivery), {});
    ASSERT_EQ(s.lines.size(), c.due.size());
    for (size_t i = 0; i < c.due.size(); ++i) {
      EXPECT_EQ(s.lines[i].rental_no, static_cast<int>(i + 1));
      EXPECT_EQ(s.lines[i].rental_no_text, std::to_string(i + 1));
      EXPECT_EQ(s.lines[i].due_date, c.due[i]) << c.delivery << " line " << i + 1;
      EXPECT_EQ(s.lines[i].cheque_date, text::ShortDate(c.due[i]));
    }
  }
  EXPECT_EQ(ComputeSchedule(Input("10000.00", "1", "10100.00"), {}).lines[0].cheque_date,
            "29/02/2024");
}

TEST(ScheduleTest, ChequesComeFromTheLookUpForEachDueDate) {
  const std::map<std::string, ChequeRef> register_ = {
      {"20240229", {"City Bank", "100001"}},
      {"20240430", {"Harbour Bank", "100003"}},
  };
  std::vector<std::string> asked;
  const ChequeLookup lookup = [&](const Date& due) {
    asked.push_back(text::Yyyymmdd(due));
    const auto it = register_.find(asked.back());
    return it == register_.end() ? ChequeRef{} : it->second;
  };
  const Schedule s = ComputeSchedule(Input("10000.00", "3", "3500.00"), lookup);
  EXPECT_EQ(asked, (std::vector<std::string>{"20240229", "20240331", "20240430"}));
  EXPECT_EQ(s.lines[0].bank_name, "City Bank");
  EXPECT_EQ(s.lines[0].cheque_no, "100001");
  EXPECT_EQ(s.lines[1].bank_name, "");
  EXPECT_EQ(s.lines[1].cheque_no, "");
  EXPECT_EQ(s.lines[2].bank_name, "Harbour Bank");
  const auto sub = s.lines[2].SubItems();
  EXPECT_EQ(sub[0], s.lines[2].cheque_date);
  EXPECT_EQ(sub[6], "Harbour Bank");
  EXPECT_EQ(sub[7], "100003");
  EXPECT_EQ(sub[10], s.rates.monthly_rate);

  // The before-tax schedule: its own balance and rental, the main count, and
  // the same due dates, so the same cheques.
  const Schedule before_tax = ComputeSchedule(Input("9000.00", "3", "3150.00"), lookup);
  EXPECT_NE(before_tax.lines[0].capital, s.lines[0].capital);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(before_tax.lines[i].due_date, s.lines[i].due_date);
    EXPECT_EQ(before_tax.lines[i].bank_name, s.lines[i].bank_name);
    EXPECT_EQ(before_tax.lines[i].cheque_no, s.lines[i].cheque_no);
  }
}

TEST(ScheduleTest, AFailingLookUpLeavesTheLinesAlreadyProduced) {
  Recorder rec;
  int calls = 0;
  const ChequeLookup lookup = [&](const Date&) -> ChequeRef {
    if (++calls == 5) throw LookupFailure("database gone");
    return {"City Bank", std::to_string(calls)};
  };
  EXPECT_THROW(RunSchedule(Input("100000.00", "24", "5000.00"), lookup, rec.Sink()),
               LookupFailure);
  ASSERT_EQ(rec.rates.size(), 1u);
  EXPECT_EQ(rec.rates[0].monthly_rate, "1.51");
  ASSERT_EQ(rec.lines.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(rec.lines[i].rental_no, i + 1);
    EXPECT_EQ(rec.lines[i].cheque_no, std::to_string(i + 1));
  }
  EXPECT_EQ(rec.lines[1].capital, "96513.08");
}

TEST(ScheduleTest, StreamingHandsOutWhatTheWholeScheduleHolds) {
  Recorder rec;
  const ScheduleTotals totals = RunSchedule(Input("50000.00", "36", "1800.00"), {}, rec.Sink());
  const Schedule whole = ComputeSchedule(Input("50000.00", "36", "1800.00"), {});
  ASSERT_EQ(rec.rates.size(), 1u);
  EXPECT_EQ(rec.rates[0].rate, whole.rates.rate);
  ASSERT_EQ(rec.lines.size(), whole.lines.size());
  for (size_t i = 0; i < rec.lines.size(); ++i)
    EXPECT_EQ(rec.lines[i].SubItems(), whole.lines[i].SubItems());
  EXPECT_EQ(totals.total_interest, whole.totals.total_interest);
}

TEST(ScheduleTest, AnUnreadableDeliveryDateFailsAfterTheRatesBeforeAnyLine) {
  Recorder rec;
  EXPECT_THROW(RunSchedule(Input("100000.00", "24", "5000.00", "31/02/2024"), {}, rec.Sink()),
               ScheduleError);
  EXPECT_EQ(rec.rates.size(), 1u);
  EXPECT_TRUE(rec.lines.empty());
}

TEST(ScheduleTest, RefusesACountThatIsNotAWholeNumberOfRentals) {
  for (const char* rentals : {"12.5", "0", "", " ", "-3", "abc", "24x", "32768", "1e9", "0.5"}) {
    Recorder rec;
    EXPECT_THROW(RunSchedule(Input("100000.00", rentals, "5000.00"), {}, rec.Sink()),
                 ScheduleError)
        << '"' << rentals << '"';
    // Refused before anything reaches the screen.
    EXPECT_TRUE(rec.rates.empty()) << rentals;
    EXPECT_TRUE(rec.lines.empty()) << rentals;
    EXPECT_THROW(LineCount(rentals), ScheduleError) << rentals;
  }
  EXPECT_EQ(LineCount("24"), 24);
  EXPECT_EQ(LineCount(" 24.00 "), 24);
  EXPECT_EQ(LineCount("32767"), 32767);
  EXPECT_EQ(ComputeSchedule(Input("100000.00", "24.00", "5000.00"), {}).lines.size(), 24u);
}

TEST(ScheduleTest, RefusesBoxesWithoutANumberOrWithoutARate) {
  struct Case {
    const char *balance, *rental, *names;
  };
  const Case cases[] = {
      {"abc", "5000.00", "Balance"},
      {"", "5000.00", "Balance"},
      {"100000.00", "5,000.00", "Rental Amount"},
      {"100000.00", "0.00", "rate"},      // a zero rental repays nothing
      {"100000.00", "-5000.00", "rate"},  // a rental that adds to the debt
      {"0.00", "5000.00", "rate"},
  };
  for (const auto& c : cases) {
    Recorder rec;
    try {
      RunSchedule(Input(c.balance, "24", c.rental), {}, rec.Sink());
      ADD_FAILURE() << c.balance << " / " << c.rental << ": no exception";
    } catch (const ScheduleError& e) {
      EXPECT_NE(std::string(e.what()).find(c.names), std::string::npos) << e.what();
    }
    EXPECT_TRUE(rec.rates.empty());
    EXPECT_TRUE(rec.lines.empty());
  }
}

TEST(ScheduleTest, TheRentalColumnIsTheBoxFormatted) {
  const Schedule s = ComputeSchedule(Input("10000", "2", "5100"), {});
  EXPECT_EQ(s.lines[0].rental, "5100.00");
  EXPECT_EQ(s.lines[0].amount, "5100.00");
  EXPECT_EQ(s.totals.total_rental, "10200.00");
}

}  // namespace
}  // namespace hp::processing
