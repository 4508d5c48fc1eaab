// The interest schedule of a processing: from the balance, the number of
// rentals and the rental it derives the monthly rate that the rentals imply
// and lays out one line per rental (due date, capital, interest, capital
// repayment, capital balance, cheque).
//
// Figures are carried as the texts the screen shows, and every step reads its
// operands back from the text the step before it wrote: the schedule is
// exactly what the boxes and list cells say, never a hidden double.
//
// The same routine computes the before-tax schedule of a service-tax invoice:
// the caller passes the before-tax balance and rental with the main number of
// rentals, and puts the results into the before-tax boxes.
//
// No database here: the cheque for each due date comes from a callback.
#pragma once

#include <array>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text/date_text.h"

namespace hp::processing {

// Thrown when the schedule cannot be computed from the boxes: a number of
// rentals that is not a whole number from 1 to 32767, a balance or rental that
// is not a number, a rate that cannot be found, an unreadable delivery date,
// figures that add up beyond the range of numbers.
// The message names the box and what is wrong with it.
class ScheduleError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The texts of the boxes the schedule reads.
struct ScheduleInput {
  std::string balance;        // "Balance:", e.g. "100000.00"
  std::string rentals;        // "No of Rentals:", e.g. "24": the periods and the line count
  std::string rental;         // "Rental Amount:", e.g. "5000.00"
  std::string delivery_date;  // the invoice's delivery date, short date or ISO text
};

// The rate texts, in the order the screen writes them.
struct ScheduleRates {
  std::string rate;           // r as plain number text: what the monthly box holds first
  std::string interest_rate;  // "Rate of Interest:", yearly percent, "0.00"
  std::string monthly_rate;   // "Monthly Rate:", monthly percent, "0.00"
};

// The cheque the cheque register holds for a due date; both empty when none.
struct ChequeRef {
  std::string bank_name;
  std::string cheque_no;
};

// One row of the rental list: the row text and its eleven sub-items.
struct ScheduleLine {
  int rental_no = 0;
  text::Date due_date;
  std::string rental_no_text;     // row text
  std::string cheque_date;        // 1: due date, short date text
  std::string capital;            // 2: plain number text
  std::string rental;             // 3: "0.00"
  std::string interest;           // 4: plain number text
  std::string capital_repayment;  // 5: plain number text
  std::string capital_balance;    // 6: plain number text
  std::string bank_name;          // 7
  std::string cheque_no;          // 8
  std::string amount;             // 9: the rental, "0.00"
  std::string settlement;         // 10: "0"
  std::string monthly_rate;       // 11: the monthly box, "0.00"

  // Sub-items 1..11 in column order (index 0 is sub-item 1).
  std::array<std::string, 11> SubItems() const;
};

struct ScheduleTotals {
  std::string total_rental;    // "Total Rental:", "0.00"
  std::string total_interest;  // "Total Interest:", "0.00"
  std::string total_capital;   // "Total Capital:", "0.00"
};

// Looks up the cheque for a due date. May throw (a database failure); the
// exception reaches the caller of RunSchedule unchanged.
using ChequeLookup = std::function<ChequeRef(const text::Date& due_date)>;

// Where the schedule's results go as they are produced. Either may be empty.
struct ScheduleSink {
  std::function<void(const ScheduleRates&)> rates;  // once, before the first line
  std::function<void(const ScheduleLine&)> line;    // once per line, in order
};

// The number of lines a rentals text asks for: a whole number from 1 to 32767
// ("24", also "24.00"). Throws ScheduleError for anything else ("12.5", "0",
// "-3", "", "abc"): a fractional count would solve the rate for one number of
// periods and lay out another.
int LineCount(std::string_view rentals_text);

// Computes the schedule: checks the number of rentals, derives the rates and
// hands them to sink.rates, then produces the lines one by one, each handed to
// sink.line as soon as it is complete, and returns the totals after the last.
//
// On failure it throws and stops where it is: what was handed to the sink
// stays handed (an unreadable delivery date fails before the first line, after
// the rates; a throwing cheque look-up fails at its line, after the lines
// before it). Our own failures are ScheduleError; the look-up's exceptions
// pass through as they are.
ScheduleTotals RunSchedule(const ScheduleInput& input, const ChequeLookup& lookup,
                           const ScheduleSink& sink);

// A whole schedule, for callers that want it in one piece.
struct Schedule {
  ScheduleRates rates;
  std::vector<ScheduleLine> lines;
  ScheduleTotals totals;
};

// RunSchedule collecting everything; throws as RunSchedule (nothing is kept).
Schedule ComputeSchedule(const ScheduleInput& input, const ChequeLookup& lookup);

}  // namespace hp::processing
