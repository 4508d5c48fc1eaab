#include "reprocessing/reprocessing_records.h"

#include "platform/db/row_writer.h"
#include "platform/text/number_text.h"

namespace hp::reprocessing {
namespace {
db::Value I(std::int64_t v) { return v; }
}  // namespace

void WriteHeader(db::Connection& con, const ReprocessingHeader& h) {
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
  w.Set("hphAmended", I(0));
  w.Set("hphCancel", I(0));
  w.Set("hphCashPrice", h.cash_price);
  w.Set("hphDownPayment", h.down_payment);
  w.Set("hphbalance", h.balance);
  w.Set("hphNoOfRentals", I(h.rentals));
  w.Set("hphInterestRate", h.interest_rate);
  w.Set("hphInstallmentPrice", h.installment_price);
  w.Set("hphRentalAmount", h.rental_amount);
  w.Set("hphRemarks", h.remarks);
  w.Set("hphAdjustmentAmount", h.adjustment_amount);
  w.Set("hphReprocessingType", h.reprocessing_type);
  w.Set("hphReferenceID", I(h.reference));
  // Written on every re-processing so that no reader has to guess what a
  // null means.
  w.Set("hphreprocessaftersettlement", I(h.after_settlement));
  if (h.balance_interest) w.Set("hphBalanceInterest", *h.balance_interest);
  if (h.adjustment_posted) w.Set("hphAdjustmentPosted", I(*h.adjustment_posted));
  w.Set("hphUserName", h.user_name);
  if (h.update_user_name) w.Set("hphUpdateUserName", *h.update_user_name);
  if (h.update_time) w.Set("hphUpdateTime", text::IsoDateTime(*h.update_time));
  w.Update();
}

void WriteCashFlow(db::Connection& con, const processing::LineOwner& owner, const forms::ListView& cash_flow) {
  db::RowWriter w(con, "ahpProcessingCashFlowDetail");
  for (int i = 0; i < cash_flow.Count(); ++i) {
    const forms::ListItem& line = cash_flow.Item(i);
    w.AddNew();
    w.Set("hpcComapnyID", I(owner.company));
    w.Set("hpcDepartmentID", I(owner.department));
    w.Set("hpcProcessingID", I(owner.processing_id));
    w.Set("hpcdetailID", I(i + 1));
    w.Set("hpcDiscountFactor", text::NumberOf(line.SubItem(1)));
    w.Set("hpcRental", text::NumberOf(line.SubItem(2)));
    w.Set("hpcDiscountCashFlow", text::NumberOf(line.SubItem(3)));
    w.Update();
  }
}

long DeleteHeader(db::Connection& con, int company, std::int64_t id) {
  return con.Execute("Delete From aHpProcessingHeader where hphProcessingID=? and hphCompanyID=?", {id, I(company)});
}

long DeleteDetails(db::Connection& con, int company, std::int64_t id) {
  return con.Execute("Delete From aHpProcessingDetail where hpdProcessingID=? and hpdCompanyID=?", {id, I(company)});
}

long DeleteCashFlow(db::Connection& con, int company, std::int64_t id) {
  return con.Execute("Delete From ahpProcessingCashFlowDetail where hpcProcessingID=? and hpcComapnyID=?",
                     {id, I(company)});
}

void DeleteStoredRows(db::Connection& con, int company, std::int64_t id) {
  DeleteHeader(con, company, id);
  DeleteDetails(con, company, id);
  DeleteCashFlow(con, company, id);
}

bool MarkAmended(db::Connection& con, int company, std::int64_t id, bool only_live) {
  long changed =
      only_live ? con.Execute(
                      "update aHpProcessingHeader set hphAmended=1 where hphProcessingID=? and hphCompanyID=? "
                      "and hphAmended=0",
                      {id, I(company)})
                : con.Execute("update aHpProcessingHeader set hphAmended=1 where hphProcessingID=? and hphCompanyID=?",
                              {id, I(company)});
  return changed > 0;
}

}  // namespace hp::reprocessing
