// The interest schedule from arbitrary box texts, as the processing screen
// hands them over: "Balance:", "No of Rentals:", "Rental Amount:" and the
// invoice's delivery date, one per line of the input. The cheque look-up finds
// a cheque for due dates in even months only.
//
// Accepted, the schedule has one line per rental, numbered and dated from the
// delivery date; each line's capital is the previous line's balance, interest
// and repayment make up the rental, the balance is what the repayment leaves,
// and the totals are the columns' sums. Refused, the failure is ScheduleError
// and no more lines than the rentals were handed out. Nothing else escapes.
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text/number_text.h"
#include "processing/schedule.h"

namespace p = hp::processing;
namespace t = hp::text;

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

p::ChequeRef Cheque(const t::Date& due) {
  if (due.month % 2) return {};
  return {"Bank of " + std::to_string(due.month), std::to_string(due.day)};
}

bool Near(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

// Checks each line as it comes, against the one before.
struct Lines {
  const p::ScheduleInput& in;
  int count = 0;
  bool rated = false;
  p::ScheduleRates rates;
  std::string balance_after;
  double interest = 0, capital = 0, rental = 0;

  void Rates(const p::ScheduleRates& r) {
    Check(!rated && count == 0);
    rated = true;
    rates = r;
    const double rate = t::NumberOf(r.rate), yearly = t::NumberOf(r.interest_rate);
    const double monthly = t::NumberOf(r.monthly_rate);
    Check(Near(monthly, 100 * rate, 0.0051 + 1e-12 * std::fabs(rate * 100)));
    Check(Near(yearly, 1200 * rate, 0.0051 + 1e-12 * std::fabs(rate * 1200)));
  }

  void Line(const p::ScheduleLine& l) {
    Check(rated);
    ++count;
    Check(l.rental_no == count && l.rental_no_text == std::to_string(count));
    Check(l.due_date == t::AddMonths(t::DateOf(in.delivery_date), count));
    Check(l.cheque_date == t::ShortDate(l.due_date));
    const p::ChequeRef c = Cheque(l.due_date);
    Check(l.bank_name == c.bank_name && l.cheque_no == c.cheque_no);
    Check(l.rental == t::Format00(t::NumberOf(in.rental)) && l.amount == l.rental && l.settlement == "0");
    Check(l.monthly_rate == rates.monthly_rate);
    const double cap = t::NumberOf(l.capital), rent = t::NumberOf(l.rental);
    const double in_ = t::NumberOf(l.interest), rep = t::NumberOf(l.capital_repayment);
    const double after = t::NumberOf(l.capital_balance);
    if (count == 1)
      Check(l.capital == t::PlainNumber(t::RoundHalfEven(t::NumberOf(in.balance), 2)));
    else
      Check(l.capital == balance_after);
    // Half a cent of rounding, and the 15 digits the cells keep.
    Check(Near(in_ + rep, rent, 0.005 + 1e-14 * (std::fabs(in_) + std::fabs(rent))));
    Check(Near(cap - rep, after, 0.005 + 1e-14 * (std::fabs(cap) + std::fabs(rep))));
    balance_after = l.capital_balance;
    interest += in_;
    capital += rep;
    rental += rent;
  }
};

std::string_view Field(std::string_view& rest) {
  const size_t end = rest.find('\n');
  const std::string_view f = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  p::ScheduleInput in;
  in.balance = Field(rest);
  in.rentals = Field(rest);
  in.rental = Field(rest);
  in.delivery_date = Field(rest);

  int wanted = -1;
  try {
    wanted = p::LineCount(in.rentals);
    Check(wanted >= 1 && wanted <= 32767);
  } catch (const p::ScheduleError&) {
  }
  Lines lines{in};
  p::ScheduleSink sink;
  sink.rates = [&](const p::ScheduleRates& r) { lines.Rates(r); };
  sink.line = [&](const p::ScheduleLine& l) { lines.Line(l); };
  p::ScheduleTotals totals;
  try {
    totals = p::RunSchedule(in, Cheque, sink);
  } catch (const p::ScheduleError& e) {
    Check(*e.what() != 0);
    Check(lines.count <= (wanted < 0 ? 0 : wanted));
    if (wanted < 0) Check(!lines.rated);
    return 0;
  }
  Check(lines.count == wanted);
  Check(totals.total_rental == t::Format00(lines.rental));
  Check(totals.total_interest == t::Format00(lines.interest));
  Check(totals.total_capital == t::Format00(lines.capital));
  return 0;
}
