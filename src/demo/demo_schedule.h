// The rental lines the demo database stores, and the two ways it makes them:
// the processing schedule of an invoice (the processing screen's own
// computation), and the automatic re-processing of a stored schedule over a
// new number of rentals, with its discounted cash flow, as the re-processing
// screen computes it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/text/date_text.h"
#include "processing/schedule.h"

namespace hp::demo {

// One rental line as stored (the columns of the rental-line tables).
struct StoredLine {
  int no = 0;  // 1..n
  text::Date due;
  double capital = 0, rental = 0, interest = 0, repayment = 0, balance = 0;
  std::string bank, cheque_no;
  double amount = 0, settlement = 0, rate = 0;
};

struct StoredSchedule {
  std::string monthly_rate;  // "Monthly Rate:", "0.00": what the header stores
  std::vector<StoredLine> lines;
};

// The processing schedule for the texts of the screen's boxes. Throws
// processing::ScheduleError as processing::ComputeSchedule.
StoredSchedule ProcessingSchedule(const processing::ScheduleInput& input,
                                  const processing::ChequeLookup& cheques);

struct CashFlowLine {
  int no = 0;
  double discount_factor = 0, rental = 0, discounted = 0;
};

struct Reprocessing {
  int rentals = 0;
  double rental = 0;          // "Rental Amount:"
  double capital_balance = 0;  // "Capital Balance:": the first re-processed line's capital
  double adjustment = 0;       // "Adjustments to Carrrying Amount:"
  StoredSchedule schedule;
  std::vector<CashFlowLine> cash_flow;
};

// The rentals from `new_rentals` choices that re-schedule `total_rental`
// without a difference in whole units: the first of `candidates` (>= 1) whose
// rental, total / count in "0.00", times the count is the total in whole
// units; 0 when none is.
int AcceptedRentalCount(double total_rental, const std::vector<int>& candidates);

// Re-schedules the lines of a stored processing that are not settled over
// `new_rentals` rentals: the remaining total of rentals is kept, the new
// rentals are discounted at `loaded_monthly_rate` (percent, as the header
// stores it), and the adjusted capital balance is amortised at the rate the
// new rentals imply, due one month after another from the first remaining
// line's date. Bank and cheque of each new line come from `cheques`.
// Throws processing::ScheduleError when there is nothing to re-schedule or no
// rate is found.
Reprocessing AutomaticReprocessing(const std::vector<StoredLine>& lines, double loaded_monthly_rate,
                                   int new_rentals, const processing::ChequeLookup& cheques);

}  // namespace hp::demo
