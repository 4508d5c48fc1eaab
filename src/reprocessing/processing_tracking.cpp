#include "reprocessing/processing_tracking.h"

namespace hp::reprocessing {
namespace {

// The header join keeps the customer and company conditions on the processing
// itself: a processing number chosen for one customer can never bring in
// another customer's or another company's lines.
constexpr char kRemainingLines[] =
    "select d.hpddetailID, d.hpdChequeDate, d.hpdCapital, d.hpdRental, d.hpdInterest, "
    "d.hpdcapitalRepayment, d.hpdCapitalBalance, d.hpdBankName, d.hpdChequeNo, d.hpdAmount, "
    "d.hpdSettlementAmount, d.hpdInterestRate "
    "from aHpProcessingDetail d "
    "inner join aHpProcessingHeader h on h.hphProcessingID = d.hpdProcessingID "
    "and h.hphCompanyID = d.hpdCompanyID "
    "where d.hpdProcessingID = ? and d.hpdCompanyID = ? and h.hphCustomerID = ? "
    "and coalesce(d.hpdSettlementAmount, 0) = 0 "
    "order by d.hpddetailID";

}  // namespace

std::vector<TrackedLine> HpProcessingTracking(db::Connection& con, int company, std::int64_t customer,
                                              std::int64_t processing_id) {
  std::vector<TrackedLine> lines;
  con.ForEachRow(kRemainingLines, {processing_id, std::int64_t{company}, customer}, [&](const db::RowView& row) {
    TrackedLine l;
    l.detail_id = static_cast<int>(db::AsInt(row.Field(0)));
    l.cheque_date = row.Field(1);
    l.capital = row.Field(2);
    l.rental = row.Field(3);
    l.interest = row.Field(4);
    l.repayment = row.Field(5);
    l.balance = row.Field(6);
    l.bank_name = row.Field(7);
    l.cheque_no = row.Field(8);
    l.amount = row.Field(9);
    l.settlement = row.Field(10);
    l.interest_rate = row.Field(11);
    lines.push_back(std::move(l));
  });
  return lines;
}

}  // namespace hp::reprocessing
