// The rows a processing is stored as: its header (also the header of a
// re-processing, with its own columns), its rental lines and, for a
// service-tax invoice, its before-tax rental lines.
//
// Values reach the database as values: figures as doubles, dates as ISO text.
// The lines are written from a rental list by column position, each cell read
// back from the text the list shows; a cell that is not a number or a date
// where one is needed throws (text::NumberTextError / text::DateTextError), so
// a save never stores a figure it could not read. Database failures throw
// db::DbError. The caller holds the transaction: a throw leaves it to roll
// back, and these writers keep nothing of their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/db/connection.h"
#include "platform/forms/list_view.h"
#include "platform/text/date_text.h"

namespace hp::processing {

// The columns only a re-processing writes.
struct ReprocessingColumns {
  double adjustment_amount = 0;
  std::string type = "A";       // hphReprocessingType: "A" automatic, "M" manual
  std::int64_t reference = 0;   // hphReferenceID: the processing replaced
  int after_settlement = 0;     // hphreprocessaftersettlement
  std::optional<double> balance_interest;  // written only when set
  std::optional<int> adjustment_posted;    // written only when set
};

struct HeaderRecord {
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
  double interest_rate = 0;  // monthly percent, as the Monthly Rate box shows it
  std::optional<double> installment_price;  // null when the invoice has none
  double rental_amount = 0;
  std::string remarks;
  std::string user_name;
  // A row saved again carries its stored flags over; a new row is live.
  db::Value amended = std::int64_t{0};
  db::Value cancel = std::int64_t{0};
  std::optional<db::Value> cancel_remarks;  // written only when set
  // Absent for a first processing.
  std::optional<ReprocessingColumns> reprocessing;
  // Saved again: who saved it and when; written only when set.
  std::optional<std::string> update_user_name;
  std::optional<text::DateTime> update_time;
};

// One aHpProcessingHeader row, used 0, the one writer of header rows for
// every screen. hphreprocessaftersettlement is always written (0 for a first
// processing) so that no reader has to guess what a null means; the other
// optional columns are written only when set.
void SaveHeader(db::Connection& con, const HeaderRecord& header);

// Whose lines these are. The department is the session's, as the lines have
// always carried it.
struct LineOwner {
  int company = 0;
  int department = 0;
  std::int32_t processing_id = 0;
};

// One aHpProcessingDetail row per line of `list`, in list order, numbered from
// 1, not posted.
void SaveDetails(db::Connection& con, const LineOwner& owner, const forms::ListView& list);

// One aHpProcessingDetailOthers row per line of the before-tax `list`.
void SaveDetailsBeforeTax(db::Connection& con, const LineOwner& owner, const forms::ListView& list);

}  // namespace hp::processing
