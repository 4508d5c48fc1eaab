#include "reprocessing/reprocessing_records.h"

#include "platform/db/row_writer.h"
#include "platform/text/number_text.h"

namespace hp::reprocessing {
namespace {
db::Value I(std::int64_t v) { return v; }
}  // namespace

void WriteHeader(db::Connection& con, const ReprocessingHeader& h) {
  processing::HeaderRecord r;
  r.company = h.company;
  r.department = h.department;
  r.id = h.id;
  r.number = h.number;
  r.date = h.date;
  r.customer = h.customer;
  r.invoice = h.invoice;
  r.financial = h.financial;
  r.cash_price = h.cash_price;
  r.down_payment = h.down_payment;
  r.balance = h.balance;
  r.rentals = h.rentals;
  r.interest_rate = h.interest_rate;
  r.installment_price = h.installment_price;
  r.rental_amount = h.rental_amount;
  r.remarks = h.remarks;
  r.user_name = h.user_name;
  r.reprocessing = processing::ReprocessingColumns{h.adjustment_amount,  h.reprocessing_type, h.reference,
                                                   h.after_settlement,   h.balance_interest,  h.adjustment_posted};
  r.update_user_name = h.update_user_name;
  r.update_time = h.update_time;
  processing::SaveHeader(con, r);
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
