#include "demo/demo_schedule.h"

#include <cmath>

#include <fmt/format.h>

#include "platform/finance/annuity_rate.h"
#include "platform/text/number_text.h"

namespace hp::demo {
namespace {

using text::Format00;
using text::NumberOf;
using text::PlainNumber;
using text::RoundHalfEven;

// As the screens carry figures: written as text, read back from the text.
double AsShown(const std::string& text) { return NumberOf(text); }
double Money(double value) { return NumberOf(Format00(value)); }
double Plain(double value) { return NumberOf(PlainNumber(value)); }

}  // namespace

StoredSchedule ProcessingSchedule(const processing::ScheduleInput& input,
                                  const processing::ChequeLookup& cheques) {
  StoredSchedule out;
  processing::ScheduleSink sink;
  sink.rates = [&out](const processing::ScheduleRates& rates) { out.monthly_rate = rates.monthly_rate; };
  sink.line = [&out](const processing::ScheduleLine& l) {
    StoredLine s;
    s.no = l.rental_no;
    s.due = l.due_date;
    s.capital = AsShown(l.capital);
    s.rental = AsShown(l.rental);
    s.interest = AsShown(l.interest);
    s.repayment = AsShown(l.capital_repayment);
    s.balance = AsShown(l.capital_balance);
    s.bank = l.bank_name;
    s.cheque_no = l.cheque_no;
    s.amount = AsShown(l.amount);
    s.settlement = AsShown(l.settlement);
    s.rate = AsShown(l.monthly_rate);
    out.lines.push_back(std::move(s));
  };
  out.lines.reserve(static_cast<size_t>(processing::LineCount(input.rentals)));
  processing::RunSchedule(input, cheques, sink);
  return out;
}

int AcceptedRentalCount(double total_rental, const std::vector<int>& candidates) {
  const std::string total = text::Format0(total_rental);
  for (int n : candidates) {
    if (n < 1) continue;
    const double rental = Money(total_rental / n);
    if (text::Format0(n * rental) == total) return n;
  }
  return 0;
}

Reprocessing AutomaticReprocessing(const std::vector<StoredLine>& lines, double loaded_monthly_rate,
                                   int new_rentals, const processing::ChequeLookup& cheques) {
  std::vector<const StoredLine*> remaining;
  for (const auto& l : lines)
    if (l.settlement == 0) remaining.push_back(&l);
  if (remaining.empty() || new_rentals < 1)
    throw processing::ScheduleError("nothing to re-process: every rental is settled");

  Reprocessing r;
  r.rentals = new_rentals;
  // What loading the processing shows: the first remaining line's capital as
  // the capital balance and the remaining rentals' total.
  r.capital_balance = Money(remaining.front()->capital);
  double total = 0;
  for (const auto* l : remaining) total += Money(l->rental);
  total = Money(total);
  r.rental = Money(total / new_rentals);
  const text::Date first_cheque_date = remaining.front()->due;

  // The new rentals discounted at the loaded monthly rate.
  double discounted_total = 0;
  for (int i = 1; i <= new_rentals; ++i) {
    CashFlowLine c;
    c.no = i;
    c.discount_factor = Plain(1 / std::pow(1 + loaded_monthly_rate / 100, i));
    c.rental = r.rental;
    c.discounted = Money(c.rental * c.discount_factor);
    discounted_total += c.discounted;
    r.cash_flow.push_back(c);
  }
  discounted_total = Money(discounted_total);
  r.adjustment = Money(discounted_total - r.capital_balance);
  const double adjusted_capital = Money(r.adjustment + r.capital_balance);

  // The adjusted capital balance amortised at the rate the new rentals imply,
  // with amounts to four decimals.
  double rate = 0;
  try {
    rate = finance::AnnuityRate(new_rentals, -r.rental, adjusted_capital);
  } catch (const finance::RateError& e) {
    throw processing::ScheduleError(fmt::format("re-processing has no rate: {}", e.what()));
  }
  const double rate_box = Plain(rate);
  const double percent = rate_box * 100;
  r.schedule.monthly_rate = Format00(RoundHalfEven(rate_box * 100, 2));
  const double line_rate = AsShown(r.schedule.monthly_rate);

  double capital = Plain(RoundHalfEven(adjusted_capital, 4));
  for (int i = 1; i <= new_rentals; ++i) {
    StoredLine s;
    s.no = i;
    s.due = text::AddMonths(first_cheque_date, i);
    s.capital = capital;
    s.rental = r.rental;
    s.interest = Plain(RoundHalfEven(percent / 100 * capital, 4));
    s.repayment = Plain(RoundHalfEven(s.rental - s.interest, 4));
    s.balance = Plain(RoundHalfEven(capital - s.repayment, 4));
    if (cheques) {
      processing::ChequeRef cheque = cheques(s.due);
      s.bank = std::move(cheque.bank_name);
      s.cheque_no = std::move(cheque.cheque_no);
    }
    s.amount = s.rental;
    s.settlement = 0;
    s.rate = line_rate;
    capital = s.balance;
    r.schedule.lines.push_back(std::move(s));
  }
  return r;
}

}  // namespace hp::demo
