// The rows a re-processing is stored as: a new header that refers to the
// processing it replaces, its rental lines, its discounted cash-flow lines,
// and the amended mark on the processing replaced.
//
// Both re-processing screens save through these writers inside one
// transaction that the caller holds. A new re-processing draws its keys and
// writes; a stored re-processing saved again (edit mode) first deletes its
// header, lines and cash-flow rows (DeleteStoredRows) and writes them again
// under the same identifier and number. Every statement names the company
// beside the processing identifier, and every value is bound.
//
// Values reach the database as values: figures as doubles, dates as ISO text.
// Cells and boxes that are not numbers where one is needed throw
// text::NumberTextError (text::DateTextError for dates); database failures
// throw db::DbError. These writers keep nothing: a throw leaves the caller's
// transaction to roll back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/db/connection.h"
#include "platform/forms/list_view.h"
#include "platform/text/date_text.h"
#include "processing/processing_records.h"

namespace hp::reprocessing {

// Told when the processing being re-processed was amended by another user's
// re-processing after it was chosen here: nothing of this one was stored.
inline constexpr char kAlreadyAmended[] =
    "This processing has already been amended by another re-processing. Nothing was stored; choose the "
    "processing again.";

struct ReprocessingHeader {
  int company = 0;
  int department = 0;  // the department chosen on the screen
  std::int32_t id = 0;
  std::string number;
  text::Date date;
  std::int64_t customer = 0;
  std::int64_t invoice = 0;
  int financial = 0;
  double cash_price = 0;
  double down_payment = 0;
  double balance = 0;
  int rentals = 0;
  double interest_rate = 0;  // monthly percent
  double installment_price = 0;
  double rental_amount = 0;
  std::string remarks;
  double adjustment_amount = 0;
  std::string reprocessing_type = "A";     // "A" automatic, "M" manual
  std::int64_t reference = 0;              // the processing replaced
  int after_settlement = 0;                // hphreprocessaftersettlement: 1 only after settlement
  std::optional<double> balance_interest;  // after settlement only (unearned income balance)
  std::optional<int> adjustment_posted;    // after settlement only (0)
  std::string user_name;                   // the creator (kept when saved again)
  // Saved again (edit mode): who saved it and when; left unwritten otherwise.
  std::optional<std::string> update_user_name;
  std::optional<text::DateTime> update_time;
};

// One aHpProcessingHeader row, live (amended 0, cancelled 0, used 0), written
// by processing::SaveHeader with the re-processing columns.
void WriteHeader(db::Connection& con, const ReprocessingHeader& header);

// One ahpProcessingCashFlowDetail row per line of `cash_flow` (text the line
// number, sub-items 1 discount factor, 2 rental, 3 discounted cash flow),
// numbered from 1.
void WriteCashFlow(db::Connection& con, const processing::LineOwner& owner, const forms::ListView& cash_flow);

// Deletes the header, rental lines and cash-flow rows of processing `id` of
// `company` (edit mode, before they are written again).
void DeleteStoredRows(db::Connection& con, int company, std::int64_t id);
long DeleteHeader(db::Connection& con, int company, std::int64_t id);
long DeleteDetails(db::Connection& con, int company, std::int64_t id);
long DeleteCashFlow(db::Connection& con, int company, std::int64_t id);

// Marks processing `id` of `company` as amended. With `only_live` (a new
// re-processing) only a processing not yet amended is marked, so of two users
// re-processing the same processing only the first succeeds: false means no
// row changed and the caller must roll back and tell kAlreadyAmended. Without
// it (a stored re-processing saved again, whose replaced processing is
// amended already) the mark is set again; false when no such processing.
bool MarkAmended(db::Connection& con, int company, std::int64_t id, bool only_live);

}  // namespace hp::reprocessing
