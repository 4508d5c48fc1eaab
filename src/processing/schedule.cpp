#include "processing/schedule.h"

#include <cmath>
#include <string>

#include <fmt/format.h>

#include "platform/finance/annuity_rate.h"
#include "platform/text/number_text.h"

namespace hp::processing {
namespace {

using text::Format00;
using text::NumberOf;
using text::PlainNumber;
using text::RoundHalfEven;

constexpr int kMaxLines = 32767;  // the line number is a 16-bit counter

double ReadBox(std::string_view box_text, std::string_view caption) {
  if (auto v = text::ParseNumber(box_text)) return *v;
  throw ScheduleError(fmt::format("{} \"{}\" is not a number", caption, box_text));
}

// Figures near the largest double can add or multiply up beyond it: such a
// schedule cannot be shown, and is refused as any other.
double Finite(double value) {
  if (!std::isfinite(value) || std::fabs(value) > text::kLargestFigure)
    throw ScheduleError("the schedule's figures are too large to be shown");
  return value;
}

// Writes `value` as plain number text into `cell` and returns the number read
// back from it: what the next step works with is what the cell shows.
double WritePlain(std::string& cell, double value) {
  cell = PlainNumber(Finite(value));
  return NumberOf(cell);
}

// Due dates count from the delivery date, never from the previous due date,
// so 31 January gives 29 February and then 31 March.
text::Date DueDate(const text::Date& delivery, int months) {
  try {
    return text::AddMonths(delivery, months);
  } catch (const text::DateTextError& e) {
    throw ScheduleError(fmt::format("rental {} has no due date: {}", months, e.what()));
  }
}

}  // namespace

std::array<std::string, 11> ScheduleLine::SubItems() const {
  return {cheque_date, capital, rental,    interest,   capital_repayment, capital_balance,
          bank_name,   cheque_no, amount, settlement, monthly_rate};
}

int LineCount(std::string_view rentals_text) {
  const auto v = text::ParseNumber(rentals_text);
  if (!v || *v != std::floor(*v) || *v < 1 || *v > kMaxLines)
    throw ScheduleError(fmt::format(
        "No of Rentals \"{}\" is not a whole number of rentals from 1 to {}", rentals_text,
        kMaxLines));
  return static_cast<int>(*v);
}

ScheduleTotals RunSchedule(const ScheduleInput& input, const ChequeLookup& lookup,
                           const ScheduleSink& sink) {
  // Refused before anything is written: the rate is solved for this many
  // periods and this many lines are laid out, so both must be the same whole
  // number.
  const int count = LineCount(input.rentals);

  // Rate derivation.
  const double n = ReadBox(input.rentals, "No of Rentals");
  const double rental_value = ReadBox(input.rental, "Rental Amount");
  const double balance = ReadBox(input.balance, "Balance");
  double r = 0;
  try {
    r = finance::AnnuityRate(n, -rental_value, balance, 0.0, 0.1);
  } catch (const finance::RateError& e) {
    throw ScheduleError(fmt::format("no monthly rate for a balance of {} repaid by {} rentals of {}: {}",
                                    input.balance, input.rentals, input.rental, e.reason()));
  }
  ScheduleRates rates;
  // The monthly box first holds r in full; the rate used for interest is read
  // back from there and kept unrounded, although the box then shows it rounded.
  const double rate_box = WritePlain(rates.rate, r);
  const double percent = 100 * rate_box;
  rates.interest_rate = Format00(Finite(RoundHalfEven(rate_box * 1200, 2)));
  rates.monthly_rate = Format00(Finite(RoundHalfEven(rate_box * 100, 2)));
  if (sink.rates) sink.rates(rates);

  const auto delivery = text::ParseDate(input.delivery_date);
  if (!delivery)
    throw ScheduleError(fmt::format("the delivery date \"{}\" is not a date", input.delivery_date));

  // The same on every line: the rental and cheque amount as written, and the
  // monthly box re-formatted.
  ScheduleLine line;
  line.rental = Format00(rental_value);
  const double rental = NumberOf(line.rental);
  line.amount = Format00(rental);
  line.settlement.assign(1, '0');  // "0" on every new line
  line.monthly_rate = Format00(NumberOf(rates.monthly_rate));

  double total_rental = 0, total_interest = 0, total_capital = 0;
  double capital_after = RoundHalfEven(balance, 2);  // the first line's capital
  for (int i = 1; i <= count; ++i) {
    line.rental_no = i;
    line.rental_no_text = std::to_string(i);
    line.due_date = DueDate(*delivery, i);
    line.cheque_date = text::ShortDate(line.due_date);

    const double capital = WritePlain(line.capital, capital_after);
    total_rental += rental;
    const double interest =
        WritePlain(line.interest, RoundHalfEven(percent / 100 * capital, 2));
    total_interest += interest;
    const double repayment =
        WritePlain(line.capital_repayment, RoundHalfEven(rental - interest, 2));
    total_capital += repayment;
    capital_after = WritePlain(line.capital_balance, RoundHalfEven(capital - repayment, 2));

    if (lookup) {
      ChequeRef cheque = lookup(line.due_date);
      line.bank_name = std::move(cheque.bank_name);
      line.cheque_no = std::move(cheque.cheque_no);
    } else {
      line.bank_name.clear();
      line.cheque_no.clear();
    }
    if (sink.line) sink.line(line);
  }
  // Whatever the rounding leaves after the last line stays as it is.
  return {Format00(Finite(total_rental)), Format00(Finite(total_interest)), Format00(Finite(total_capital))};
}

Schedule ComputeSchedule(const ScheduleInput& input, const ChequeLookup& lookup) {
  Schedule s;
  ScheduleSink sink;
  sink.rates = [&s](const ScheduleRates& rates) { s.rates = rates; };
  sink.line = [&s](const ScheduleLine& line) { s.lines.push_back(line); };
  s.totals = RunSchedule(input, lookup, sink);
  return s;
}

}  // namespace hp::processing
