// The rentals of a processing that are still to be re-scheduled: the lines of
// processing `processing_id` of `company`, belonging to `customer`, whose
// settlement amount is null or 0, in line order (hpddetailID).
//
// Their first line gives the capital balance and the first cheque date of a
// re-processing, their rentals the total to be re-scheduled. An empty result
// means there is nothing left to re-process (every rental settled, or the
// processing is not that customer's or that company's); the caller says so.
//
// Portable SQL with bound values; throws db::DbError when the query fails.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/db/connection.h"

namespace hp::reprocessing {

// One remaining rental line, with the columns the re-processing screen lists.
struct TrackedLine {
  int detail_id = 0;        // hpddetailID
  db::Value cheque_date;    // hpdChequeDate as stored (ISO text)
  db::Value capital;        // hpdCapital
  db::Value rental;         // hpdRental
  db::Value interest;       // hpdInterest
  db::Value repayment;      // hpdcapitalRepayment
  db::Value balance;        // hpdCapitalBalance
  db::Value bank_name;      // hpdBankName
  db::Value cheque_no;      // hpdChequeNo
  db::Value amount;         // hpdAmount
  db::Value settlement;     // hpdSettlementAmount (null or 0 here)
  db::Value interest_rate;  // hpdInterestRate
};

std::vector<TrackedLine> HpProcessingTracking(db::Connection& con, int company, std::int64_t customer,
                                              std::int64_t processing_id);

}  // namespace hp::reprocessing
