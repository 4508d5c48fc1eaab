// The schedule as a report outside the screens (`hp schedule`): the arguments
// of the command checked and turned into the boxes' texts, and the computed
// schedule written as an aligned table, CSV or JSON. No database: the cheque
// columns stay empty and are not shown.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "processing/schedule.h"

namespace hp::processing {

enum class ReportFormat { kText, kCsv, kJson };

// The arguments as typed; an empty optional is an argument not given.
struct ScheduleArguments {
  std::optional<std::string> balance;   // a number: becomes the balance box, "0.00"
  std::optional<std::string> rentals;   // the number of rentals, taken as text
  std::optional<std::string> rental;    // a number: becomes the rental box, "0.00"
  std::optional<std::string> delivery;  // yyyy-mm-dd (or the short date text)
  std::string format = "text";          // text, csv or json
};

struct ScheduleRequest {
  ScheduleInput input;
  ReportFormat format = ReportFormat::kText;
};

// Checks the arguments in the order above and turns them into the boxes'
// texts. Throws ScheduleError whose message names the first argument at fault
// ("--rentals \"12.5\" is not a whole number of rentals from 1 to 32767").
ScheduleRequest CheckScheduleArguments(const ScheduleArguments& args);

// The report of a computed schedule. Figures are the screen's texts; dates are
// yyyy-mm-dd.
//   text: the inputs and rates, an aligned table of the lines, the totals.
//   csv:  header rental_no,cheque_date,capital,rental,interest,
//         capital_repayment,capital_balance and one row per line.
//   json: {"rate", "monthly_rate", "interest_rate", "total_rental",
//          "total_interest", "total_capital", "lines": [{csv names...}]},
//         every value a string.
std::string RenderSchedule(const ScheduleInput& input, const Schedule& schedule,
                           ReportFormat format);

// The whole command. On success writes the report to `out` and returns 0.
// Otherwise writes one line naming the problem to `err`, nothing to `out`, and
// returns 2 for bad arguments or a rate that cannot be found, 1 for anything
// else.
int RunScheduleReport(const ScheduleArguments& args, std::ostream& out, std::ostream& err);

}  // namespace hp::processing
