// The demo's automatic re-processing: the remaining total is kept, the new
// rentals are discounted at the loaded rate, and the new schedule amortises
// the adjusted capital balance.
#include "demo/demo_schedule.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/text/number_text.h"

namespace hp::demo {
namespace {

TEST(DemoRentalCount, TakesTheFirstCountThatKeepsTheTotalInWholeUnits) {
  const struct {
    double total;
    std::vector<int> candidates;
    int expected;
  } cases[] = {
      {15000, {10}, 10},
      // 200 rentals of 5.00 make 1000, not 1001.
      {1000.6, {200, 10}, 10},
      {1000.6, {200}, 0},
      {500, {0, -1, 4}, 4},
      {500, {}, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(AcceptedRentalCount(c.total, c.candidates), c.expected) << c.total;
}

// The worked example of the processing schedule: 100000 over 24 rentals of 5000.
StoredSchedule Example() {
  return ProcessingSchedule({"100000.00", "24", "5000.00", "2024-01-31"},
                            [](const text::Date&) { return processing::ChequeRef{"Bank", "1"}; });
}

TEST(DemoReprocessing, KeepsTheTotalAndDiscountsAtTheLoadedRate) {
  const StoredSchedule old = Example();
  ASSERT_EQ(old.lines.size(), 24u);
  EXPECT_EQ(old.monthly_rate, "1.51");
  EXPECT_EQ(old.lines[1].capital, 96513.08);

  struct Case {
    int settled, rentals;
  };
  for (const Case c : {Case{0, 36}, Case{0, 12}, Case{5, 30}}) {
    std::vector<StoredLine> lines = old.lines;
    for (int i = 0; i < c.settled; ++i) lines[static_cast<size_t>(i)].settlement = lines[static_cast<size_t>(i)].rental;
    const Reprocessing r = AutomaticReprocessing(lines, 1.51, c.rentals, {});
    const StoredLine& first_open = lines[static_cast<size_t>(c.settled)];
    EXPECT_EQ(r.capital_balance, first_open.capital);
    ASSERT_EQ(r.schedule.lines.size(), static_cast<size_t>(c.rentals));
    ASSERT_EQ(r.cash_flow.size(), static_cast<size_t>(c.rentals));
    // The remaining rentals' total, re-spread.
    const double remaining = 5000.0 * (24 - c.settled);
    EXPECT_NEAR(r.rental * c.rentals, remaining, 0.005 * c.rentals);
    // Discounted at the loaded rate; the adjustment is what that is worth
    // beyond the capital balance (less for a longer run of rentals).
    double discounted = 0;
    for (const auto& f : r.cash_flow) {
      EXPECT_NEAR(f.discount_factor, std::pow(1.0151, -f.no), 1e-12);
      discounted += f.discounted;
    }
    EXPECT_NEAR(r.adjustment, discounted - r.capital_balance, 0.006);
    EXPECT_EQ(r.adjustment < 0, c.rentals > 24 - c.settled) << c.rentals;
    // The new schedule starts from the adjusted capital a month after the
    // first remaining rental, and its rate is the loaded one up to rounding.
    EXPECT_NEAR(r.schedule.lines[0].capital, r.capital_balance + r.adjustment, 1e-6);
    EXPECT_EQ(r.schedule.lines[0].due, text::AddMonths(first_open.due, 1));
    EXPECT_EQ(r.schedule.lines.back().due, text::AddMonths(first_open.due, c.rentals));
    EXPECT_NEAR(text::NumberOf(r.schedule.monthly_rate), 1.51, 0.011);
    for (size_t i = 1; i < r.schedule.lines.size(); ++i)
      EXPECT_EQ(r.schedule.lines[i].capital, r.schedule.lines[i - 1].balance);
    EXPECT_NEAR(r.schedule.lines.back().balance, 0, 1.0);
  }
}

TEST(DemoReprocessing, RefusesWhenEveryRentalIsSettled) {
  std::vector<StoredLine> lines = Example().lines;
  for (auto& l : lines) l.settlement = l.rental;
  EXPECT_THROW(AutomaticReprocessing(lines, 1.51, 12, {}), processing::ScheduleError);
  EXPECT_THROW(AutomaticReprocessing(Example().lines, 1.51, 0, {}), processing::ScheduleError);
}

}  // namespace
}  // namespace hp::demo
