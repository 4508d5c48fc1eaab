#include "processing/processing_records.h"

#include "platform/db/row_writer.h"
#include "platform/text/number_text.h"

namespace hp::processing {
namespace {

db::Value I(std::int64_t v) { return v; }

// The columns of a rental list (sub-items), as the schedule lays them out.
enum Column {
  kChequeDate = 1,
  kCapital,
  kRental,
  kInterest,
  kRepayment,
  kBalance,
  kBankName,
  kChequeNo,
  kAmount,
  kSettlement,
  kMonthlyRate
};

// The column names of one line table: the detail table and its before-tax
// twin differ only in their names.
struct LineColumns {
  const char* table;
  const char* detail_id;
  const char* cheque_date;
  const char* capital;
  const char* rental;
  const char* interest;
  const char* repayment;
  const char* balance;
  const char* bank_name;
  const char* cheque_no;
  const char* amount;
  const char* settlement;
  const char* rate;
  bool posted;  // only the detail table has a posted flag
};

constexpr LineColumns kDetail{"aHpProcessingDetail", "hpddetailID",      "hpdChequeDate", "hpdCapital",
                              "hpdRental",           "hpdInterest",      "hpdcapitalRepayment",
                              "hpdCapitalBalance",   "hpdBankName",      "hpdChequeNo",   "hpdAmount",
                              "hpdSettlementAmount", "hpdInterestRate",  true};
constexpr LineColumns kBeforeTax{"aHpProcessingDetailOthers", "hpddetailIDBT",        "hpdChequeDateBT",
                                 "hpdCapitalBT",              "hpdRentalBT",          "hpdInterestBT",
                                 "hpdcapitalRepaymentBT",     "hpdCapitalBalanceBT",  "hpdBankNameBT",
                                 "hpdChequeNoBT",             "hpdAmountBT",          "hpdSettlementAmountBT",
                                 "hpdInterestRateBT",         false};

void SaveLines(db::Connection& con, const LineOwner& owner, const forms::ListView& list, const LineColumns& c) {
  db::RowWriter w(con, c.table);
  for (int i = 0; i < list.Count(); ++i) {
    const forms::ListItem& line = list.Item(i);
    auto figure = [&](int column) { return db::Value(text::NumberOf(line.SubItem(column))); };
    w.AddNew();
    w.Set("hpdCompanyID", I(owner.company));
    w.Set("hpdDepartmentID", I(owner.department));
    w.Set("hpdProcessingID", I(owner.processing_id));
    w.Set(c.detail_id, I(i + 1));
    w.Set(c.cheque_date, text::IsoDate(text::DateOf(line.SubItem(kChequeDate))));
    w.Set(c.capital, figure(kCapital));
    w.Set(c.rental, figure(kRental));
    w.Set(c.interest, figure(kInterest));
    w.Set(c.repayment, figure(kRepayment));
    w.Set(c.balance, figure(kBalance));
    w.Set(c.bank_name, line.SubItem(kBankName));
    w.Set(c.cheque_no, line.SubItem(kChequeNo));
    w.Set(c.amount, figure(kAmount));
    w.Set(c.settlement, figure(kSettlement));
    w.Set(c.rate, figure(kMonthlyRate));
    if (c.posted) w.Set("hpdPosted", I(0));
    w.Update();
  }
}

}  // namespace

void SaveHeader(db::Connection& con, const HeaderRecord& h) {
  db::RowWriter w(con, "aHpProcessingHeader");
  w.AddNew();
  w.Set("hphCompanyID", I(h.company));
  w.Set("hphDepartmentID", I(h.department));
  w.Set("hphProcessingID", I(h.id));
  w.Set("hphProcessingNo", h.number);
  w.Set("hphProcessingdate", text::IsoDate(h.date));
  w.Set("hphCustomerID", I(h.customer));
  w.Set("hphInvoiceID", I(h.invoice));
  w.Set("hphUsed", I(0));
  w.Set("hphFinancialID", I(h.financial));
  w.Set("hphAmended", h.amended);
  w.Set("hphCancel", h.cancel);
  if (h.cancel_remarks) w.Set("hphcancelRemarks", *h.cancel_remarks);
  w.Set("hphCashPrice", h.cash_price);
  w.Set("hphDownPayment", h.down_payment);
  w.Set("hphbalance", h.balance);
  w.Set("hphNoOfRentals", I(h.rentals));
  w.Set("hphInterestRate", h.interest_rate);
  w.Set("hphInstallmentPrice", h.installment_price ? db::Value(*h.installment_price) : db::Value{});
  w.Set("hphRentalAmount", h.rental_amount);
  w.Set("hphRemarks", h.remarks);
  const std::optional<ReprocessingColumns>& r = h.reprocessing;
  if (r) {
    w.Set("hphAdjustmentAmount", r->adjustment_amount);
    w.Set("hphReprocessingType", r->type);
    w.Set("hphReferenceID", I(r->reference));
  }
  w.Set("hphreprocessaftersettlement", I(r ? r->after_settlement : 0));
  if (r && r->balance_interest) w.Set("hphBalanceInterest", *r->balance_interest);
  if (r && r->adjustment_posted) w.Set("hphAdjustmentPosted", I(*r->adjustment_posted));
  w.Set("hphUserName", h.user_name);
  if (h.update_user_name) w.Set("hphUpdateUserName", *h.update_user_name);
  if (h.update_time) w.Set("hphUpdateTime", text::IsoDateTime(*h.update_time));
  w.Update();
}

void SaveDetails(db::Connection& con, const LineOwner& owner, const forms::ListView& list) {
  SaveLines(con, owner, list, kDetail);
}

void SaveDetailsBeforeTax(db::Connection& con, const LineOwner& owner, const forms::ListView& list) {
  SaveLines(con, owner, list, kBeforeTax);
}

}  // namespace hp::processing
