#include "aftersettlement/after_settlement_schedule.h"

#include <string>

#include "platform/db/connection.h"
#include "platform/text/date_text.h"
#include "platform/text/number_text.h"

namespace hp::aftersettlement {
namespace {

using text::Format00;
using text::NumberOf;
using text::PlainNumber;

db::Value I(std::int64_t v) { return v; }

// A box as the computations read it: its leading number, 0 when none.
double V(const forms::TextBox& box) { return text::LeadingValue(box.Text()); }

// A figure as shown, read back: the computations go on with the two-decimal
// value the user sees.
double Shown(double v) { return NumberOf(Format00(v)); }

// A stored date as the lists and boxes show it (the system's short date); a
// text that is no date is shown as it is.
std::string DateText(const db::Value& v) {
  std::string s = db::AsText(v);
  if (auto d = text::ParseDate(s)) return text::ShortDate(*d);
  return s;
}

}  // namespace

AfterSettlementSchedule::AfterSettlementSchedule(shell::BasModule& bas, SettlementControls controls)
    : bas_(bas), c_(controls) {}

std::optional<double> AfterSettlementSchedule::GetSettledAmount(std::int32_t id) {
  db::Recordset rs = bas_.adocon->Open(
      "select Sum(hpdSettlementAmount) SettlementAmount from aHpProcessingDetail where hpdProcessingID=? and "
      "hpdCompanyID=?",
      {I(id), I(bas_.intCompanyID)});
  if (rs.Eof() || db::IsNull(rs.Field("SettlementAmount"))) return std::nullopt;
  return db::AsDouble(rs.Field("SettlementAmount"));
}

std::optional<double> AfterSettlementSchedule::GetInterestTotal(std::int32_t id) {
  db::Recordset rs = bas_.adocon->Open(
      "select Sum(hpdInterest) InterestAmount from aHpProcessingDetail where hpdProcessingID=? and hpdCompanyID=?",
      {I(id), I(bas_.intCompanyID)});
  if (rs.Eof() || db::IsNull(rs.Field("InterestAmount"))) return std::nullopt;
  return db::AsDouble(rs.Field("InterestAmount"));
}

bool AfterSettlementSchedule::CapitalReceived(std::int32_t id) {
  std::optional<double> settled = GetSettledAmount(id);
  if (!settled) return false;
  // Lines without any interest figure earn nothing.
  full_interest_total = GetInterestTotal(id).value_or(0.0);
  c_.txtReceipted.SetText(PlainNumber(Shown(*settled) - Shown(full_interest_total)));
  return true;
}

bool AfterSettlementSchedule::LoadProcessingHeader(std::int32_t id) {
  db::Recordset rs = bas_.adocon->Open("select * from aHpProcessingHeader where hphProcessingID=? and hphCompanyID=?",
                                       {I(id), I(bas_.intCompanyID)});
  if (rs.Eof()) return false;
  invoice_id = static_cast<std::int32_t>(db::AsInt(rs.Field("hphInvoiceID")));
  c_.txtNoRetals.SetText(db::AsText(rs.Field("hphNoOfRentals")));
  c_.txtRentalAmount.SetText(Format00(db::AsDouble(rs.Field("hphRentalAmount"))));
  c_.txtSP.SetText(Format00(db::AsDouble(rs.Field("hphCashPrice"))));
  c_.txtDP.SetText(Format00(db::AsDouble(rs.Field("hphDownPayment"))));
  c_.txtMonthlyRate.SetText(db::AsText(rs.Field("hphInterestRate")));
  c_.txtInterestRate.SetText(PlainNumber(db::AsDouble(rs.Field("hphInterestRate")) * 12));
  c_.txtBal.SetText(Format00(db::AsDouble(rs.Field("hphbalance"))));
  // The settled amount includes the down payment received at the start.
  const double settled = Shown(GetSettledAmount(id).value_or(0.0));
  c_.txtPrevoiusSettlements.SetText(Format00(settled + db::AsDouble(rs.Field("hphDownPayment"))));
  return true;
}

int AfterSettlementSchedule::LoadSettledRentals(std::int32_t id) { return ListSettledRentals(id, std::nullopt); }

int AfterSettlementSchedule::ReprocessSettledRentals(std::int32_t id) {
  const int rows = ListSettledRentals(id, V(c_.txtNoRetals));
  c_.txtUnearnedIncomeBal.SetText(Format00(full_interest_total - V(c_.txtTotInterest)));
  txtnewInstPrice_Change();
  return rows;
}

int AfterSettlementSchedule::ListSettledRentals(std::int32_t id, std::optional<double> limit) {
  forms::ListView& list = c_.lvwPreDetails;
  list.Clear();
  db::Recordset rs = bas_.adocon->Open(
      "select * from aHpProcessingDetail where hpdProcessingID=? and hpdSettlementAmount<>0 and hpdCompanyID=? "
      "order by hpddetailID",
      {I(id), I(bas_.intCompanyID)});
  int k = 0;
  double total_rental = 0, total_interest = 0, total_repayment = 0, previous_balance = 0;
  for (; !rs.Eof(); rs.MoveNext()) {
    if (limit && !(k < *limit)) break;
    ++k;
    forms::ListItem& row = list.Item(list.Add(std::to_string(k)));
    row.SetSubItem(kChequeDate, DateText(rs.Field("hpdChequeDate")));
    // The schedule starts from the amount financed, whatever the first
    // stored line says, and runs on the balances rebuilt here.
    row.SetSubItem(kCapital, Format00(k == 1 ? V(c_.txtSP) - V(c_.txtDP) : previous_balance));
    const double capital = NumberOf(row.SubItem(kCapital));
    const double settled = db::AsDouble(rs.Field("hpdSettlementAmount"));
    row.SetSubItem(kRental, Format00(settled));
    const double rental = NumberOf(row.SubItem(kRental));
    total_rental += rental;
    row.SetSubItem(kInterest, Format00(db::AsDouble(rs.Field("hpdInterest"))));
    const double interest = NumberOf(row.SubItem(kInterest));
    total_interest += interest;
    row.SetSubItem(kRepayment, Format00(rental - interest));
    const double repayment = NumberOf(row.SubItem(kRepayment));
    total_repayment += repayment;
    row.SetSubItem(kBalance, Format00(capital - repayment));
    previous_balance = NumberOf(row.SubItem(kBalance));
    row.SetSubItem(kBankName, db::AsText(rs.Field("hpdBankName")));
    row.SetSubItem(kChequeNo, db::AsText(rs.Field("hpdChequeNo")));
    row.SetSubItem(kAmount, Format00(settled));
    row.SetSubItem(kSettlement, Format00(settled));
    row.SetSubItem(kMonthlyRate, Format00(db::AsDouble(rs.Field("hpdInterestRate"))));
  }
  c_.txtTotRental.SetText(Format00(total_rental));
  c_.txtTotInterest.SetText(Format00(total_interest));
  c_.txtTotCapitalRepayment.SetText(Format00(total_repayment));
  return k;
}

void AfterSettlementSchedule::Summarise(std::int32_t id) {
  shell::ClsCommonDb look_up;
  look_up.adocon = bas_.adocon;

  look_up.SetTable("ahpprocessingheader ");
  const std::string rentals = std::to_string(static_cast<std::int16_t>(db::AsInt(look_up.fnreturnfield(
      "hphNoOfRentals", "hphprocessingID=? and hphCompanyID=?", {I(id), I(bas_.intCompanyID)}))));
  c_.txtNoofRentals.SetText(rentals);
  c_.txtNoRetals.SetText(rentals);

  // Setting the price recalculates the panel at once; the steps below then
  // replace what that wrote.
  c_.txtnewInstPrice.SetText(PlainNumber(V(c_.txtPrevoiusSettlements)));
  c_.txtBalancetoPay.SetText(PlainNumber(V(c_.txtnewInstPrice) - V(c_.txtPrevoiusSettlements)));

  // The interest of every line of the processing in the company, whatever
  // department the lines carry.
  look_up.SetTable("ahpprocessingdetail");
  full_interest_total =
      db::AsDouble(look_up.fnreturnfield("sum(hpdInterest)", "hpdProcessingId=? and hpdCompanyID=?",
                                         {I(id), I(bas_.intCompanyID)}));

  look_up.SetTable("loshpInvoiceHeader where hpqhQuotationId=? and hpqhCompanyID=?",
                   {I(invoice_id), I(bas_.intCompanyID)});
  c_.txtInvoice.SetText(db::AsText(look_up.fnreturnfield("hpqhQuotationNo")));
  c_.txtInvDate.SetText(DateText(look_up.fnreturnfield("hpqhQuotationDate")));
  c_.txtInstallmentPrice.SetText(Format00(db::AsDouble(look_up.fnreturnfield("hpqhInstPrice"))));

  c_.txtAdjCapitalBal.SetText(Format00(V(c_.txtInstallmentPrice) - V(c_.txtPrevoiusSettlements)));
  c_.txtUnearnedIncomeBal.SetText(Format00(full_interest_total - V(c_.txtTotInterest)));
  c_.txtAdjustments.SetText(Format00(V(c_.txtAdjCapitalBal) - V(c_.txtUnearnedIncomeBal)));
}

void AfterSettlementSchedule::txtnewInstPrice_Change() {
  c_.txtBalancetoPay.SetText(Format00(V(c_.txtnewInstPrice) - V(c_.txtPrevoiusSettlements)));
  c_.txtAdjCapitalBal.SetText(Format00(V(c_.txtInstallmentPrice) - V(c_.txtnewInstPrice)));
  c_.txtAdjustments.SetText(Format00(V(c_.txtAdjCapitalBal) - V(c_.txtUnearnedIncomeBal)));
}

void AfterSettlementSchedule::txtNoRetals_KeyPress(int& key, shell::clsCommonGen& gen) {
  if (key == 45) {
    key = 0;
    return;
  }
  if (key == 13 && !c_.txtTotRental.Text().empty()) {
    const double rentals = V(c_.txtNoRetals);
    // A revised number of 0 is allowed (it keeps no rental) but divides
    // nothing: the rental stays as it is.
    if (rentals != 0) c_.txtRentalAmount.SetText(Format00(V(c_.txtTotRental) / rentals));
  }
  bas_.EnterAsTab(key);
  gen.TextValidateNum(c_.txtNoRetals, key, 12);
}

void AfterSettlementSchedule::txtRentalAmount_KeyPress(int& key, shell::clsCommonGen& gen) {
  if (c_.txtRentalAmount.Text().empty()) {
    c_.txtRentalAmount.SetFocus();
    return;
  }
  if (key == 45) {
    key = 0;
    return;
  }
  if (key == 13 && !c_.txtTotRental.Text().empty()) {
    const double rental = V(c_.txtRentalAmount);
    if (rental != 0) c_.txtNoRetals.SetText(Format00(V(c_.txtTotRental) / rental));
  }
  bas_.EnterAsTab(key);
  gen.TextValidateNum(c_.txtRentalAmount, key, 12, 2);
}

}  // namespace hp::aftersettlement
