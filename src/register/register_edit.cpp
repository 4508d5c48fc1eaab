#include "register/register_edit.h"

#include <memory>
#include <stdexcept>
#include <string>

#include "aftersettlement/frm_reprocessing_after_settlemt.h"
#include "platform/db/connection.h"
#include "platform/text/date_text.h"
#include "platform/text/number_text.h"
#include "processing/frm_processing.h"
#include "reprocessing/frm_reprocessing.h"
#include "shell/windows.h"

namespace hp::reg {
namespace {

db::Value I(std::int64_t v) { return v; }

std::string Money(const db::Value& v) { return text::Format00(db::AsDouble(v)); }

// A stored date as the screens show dates (the short date); a text that is no
// date is shown as it is.
std::string DateCell(const db::Value& v) {
  std::string s = db::AsText(v);
  if (auto d = text::ParseDate(s)) return text::ShortDate(*d);
  return s;
}

// Takes the window the factory made as the screen it must be.
template <class Screen>
std::unique_ptr<Screen> As(std::unique_ptr<forms::Form> form, const char* name) {
  auto* screen = dynamic_cast<Screen*>(form.get());
  if (!screen) throw std::runtime_error(std::string("the window factory did not make ") + name);
  form.release();
  return std::unique_ptr<Screen>(screen);
}

// Chooses the entry of `value` as a user's choice would (its Click runs). A
// screen that does not offer the stored value would show another processing's
// context, so the action stops instead.
void Choose(shell::BasModule& bas, forms::ComboBox& combo, std::int64_t value) {
  bas.objGen->SelectComboItemByValue(combo, value);
  if (combo.ListIndex() < 0 || combo.SelectedData() != value)
    throw std::runtime_error(combo.Name() + " does not offer " + std::to_string(value) +
                             " of the processing being opened");
}

// The figures every working screen shows of a stored processing.
template <class Screen>
void FillCommonFigures(Screen& s, const db::Recordset& h) {
  s.txtRentalAmount.SetText(Money(h.Field("hphRentalAmount")));
  s.txtSP.SetText(Money(h.Field("hphCashPrice")));
  s.txtDP.SetText(Money(h.Field("hphDownPayment")));
  s.txtBal.SetText(Money(h.Field("hphbalance")));
  // The rate is stored monthly; the yearly rate shown is twelve times it.
  s.txtMonthlyRate.SetText(db::AsText(h.Field("hphInterestRate")));
  s.txtInterestRate.SetText(text::PlainNumber(db::AsDouble(h.Field("hphInterestRate")) * 12));
  s.txtRemarks.SetText(db::AsText(h.Field("hphRemarks")));
  s.txtUserName.SetText(db::AsText(h.Field("hphUserName")));
}

bool ShowProcessing(shell::BasModule& bas, const db::Recordset& h, std::int32_t id) {
  auto s = As<processing::frmProcessing>(bas.windows.MakeProcessing(bas), "frmProcessing");
  s->Load();
  s->txtPNo.SetText(db::AsText(h.Field("hphProcessingNo")));
  s->txtDate.SetText(DateCell(h.Field("hphProcessingdate")));
  Choose(bas, s->cbodepartment, db::AsInt(h.Field("hphDepartmentID")));
  Choose(bas, s->cboCustomer, db::AsInt(h.Field("hphCustomerID")));
  s->cboCustomer.Enabled = false;
  // The invoice is chosen before the figures: choosing it loads the
  // invoice's own figures, which the stored ones then replace.
  Choose(bas, s->cboInvoice, db::AsInt(h.Field("hphInvoiceID")));
  s->cboInvoice.Enabled = false;
  FillCommonFigures(*s, h);
  s->txtNoRetals.SetText(db::AsText(h.Field("hphNoOfRentals")));
  s->txtInstallmentPrice.SetText(Money(h.Field("hphInstallmentPrice")));
  FillDetailList(bas, id, s->lvwProcessing, {s->txtTotRental, s->txtTotInterest, s->txtTotCapitalRepayment});
  s->cmdProcess.Enabled = false;
  s->cmdOK.Enabled = false;
  bas.host.ShowModal(*s);
  return true;
}

bool ShowReprocessing(shell::BasModule& bas, const db::Recordset& h, std::int32_t id) {
  auto s = As<reprocessing::frmReprocessing>(bas.windows.MakeReprocessing(bas), "frmReprocessing");
  s->Load();
  s->txtPNo.SetText(db::AsText(h.Field("hphProcessingNo")));
  s->txtDate.SetText(DateCell(h.Field("hphProcessingdate")));
  Choose(bas, s->cbodepartment, db::AsInt(h.Field("hphDepartmentID")));
  Choose(bas, s->cboCustomer, db::AsInt(h.Field("hphCustomerID")));
  s->cboCustomer.Enabled = false;
  // Every processing of the customer in the department; choosing the one
  // re-processed loads its header boxes and invoice number, which the stored
  // figures below then replace.
  bas.objDb->SetTable("aHpProcessingHeader where hphCompanyID=? And hphCustomerID=? And hphDepartmentID=?",
                      {I(bas.intCompanyID), I(s->cboCustomer.SelectedData()), I(s->cbodepartment.SelectedData())});
  bas.objDb->populateComboOrList(s->cboPrrocNo, "hphProcessingID", "hphProcessingNo");
  Choose(bas, s->cboPrrocNo, db::AsInt(h.Field("hphReferenceID")));
  s->cboPrrocNo.Enabled = false;
  FillCommonFigures(*s, h);
  const std::string rentals = db::AsText(h.Field("hphNoOfRentals"));
  s->txtNoRetals.SetText(rentals);
  s->txtInstallmentPrice.SetText(Money(h.Field("hphInstallmentPrice")));
  s->cmdReProcess.Enabled = false;
  s->txtAdjustments.SetText(db::AsText(h.Field("hphAdjustmentAmount")));
  s->txtAdjCapitalBal.SetText(
      text::Format00(text::LeadingValue(s->txtBal.Text()) + text::LeadingValue(s->txtAdjustments.Text())));
  FillDetailList(bas, id, s->lvwReProcessing, {s->txtTotRental, s->txtTotInterest, s->txtTotCapitalRepayment});
  FillCashFlowList(bas, id, s->lvwCashFlow, s->txttotDiscCashFlow);
  // The screen derives No of Rentals from a new total rental; the stored
  // number is the one to show.
  s->txtNoRetals.SetText(rentals);
  s->cmdOk.Enabled = false;
  bas.host.ShowModal(*s);
  return true;
}

bool ShowAfterSettlement(shell::BasModule& bas, const db::Recordset& h, std::int32_t id) {
  if (db::AsBool(h.Field("hphAdjustmentPosted"))) {
    bas.MsgBox(kAlreadyPosted);
    return false;
  }
  auto s = As<aftersettlement::frmReprocessingAfterSettlemt>(bas.windows.MakeAfterSettlement(bas),
                                                            "frmReprocessingAfterSettlemt");
  s->Load();
  // The screen fills itself from the stored re-processing (its settled list
  // is what it stores), the processing re-processed chosen and locked.
  if (!s->LoadStored(id)) return false;
  if (s->cboCustomer.SelectedData() != db::AsInt(h.Field("hphCustomerID")) || s->cboCustomer.ListIndex() < 0)
    throw std::runtime_error("cboCustomer does not offer the customer of the processing being opened");
  if (s->cboPrrocNo.SelectedData() != db::AsInt(h.Field("hphReferenceID")) || s->cboPrrocNo.ListIndex() < 0)
    throw std::runtime_error("cboPrrocNo does not offer the processing re-processed by the one being opened");
  s->cboCustomer.Enabled = false;
  s->cboPrrocNo.Enabled = false;
  // OK stays as the screen left it: a stored re-processing after settlement
  // may be saved again (the screen refuses cancelled, amended and posted ones).
  bas.host.ShowModal(*s);
  return true;
}

}  // namespace

EditScreen EditScreenFor(const db::Value& reference, const db::Value& after_settlement) {
  if (db::AsBool(after_settlement)) return EditScreen::kAfterSettlement;
  if (db::AsInt(reference) != 0) return EditScreen::kReprocessing;
  return EditScreen::kProcessing;
}

bool OpenForEdit(shell::BasModule& bas, std::int32_t processing_id) {
  bas.GStrMasterNewEditFlag = "E";
  bas.lngEditProcessingID = processing_id;
  db::Recordset h = bas.adocon->Open("select * from aHpProcessingHeader where hphProcessingID=? and hphCompanyID=?",
                                     {I(processing_id), I(bas.intCompanyID)});
  if (h.Eof())
    throw std::runtime_error("processing " + std::to_string(processing_id) + " of company " +
                             std::to_string(bas.intCompanyID) + " is not on file");
  switch (EditScreenFor(h.Field("hphReferenceID"), h.Field("hphreprocessaftersettlement"))) {
    case EditScreen::kProcessing:
      return ShowProcessing(bas, h, processing_id);
    case EditScreen::kReprocessing:
      return ShowReprocessing(bas, h, processing_id);
    case EditScreen::kAfterSettlement:
      return ShowAfterSettlement(bas, h, processing_id);
  }
  return false;
}

void FillDetailList(shell::BasModule& bas, std::int32_t processing_id, forms::ListView& list, DetailTotals totals) {
  db::Recordset rs = bas.adocon->Open(
      "select * from aHpProcessingDetail where hpdProcessingID=? and hpdCompanyID=? order by hpddetailID",
      {I(processing_id), I(bas.intCompanyID)});
  list.Clear();
  double rental = 0, interest = 0, repayment = 0;
  for (int i = 1; !rs.Eof(); rs.MoveNext(), ++i) {
    forms::ListItem& line = list.Item(list.Add(std::to_string(i)));
    line.SetSubItem(1, DateCell(rs.Field("hpdChequeDate")));
    line.SetSubItem(2, Money(rs.Field("hpdCapital")));
    line.SetSubItem(3, Money(rs.Field("hpdRental")));
    line.SetSubItem(4, Money(rs.Field("hpdInterest")));
    line.SetSubItem(5, Money(rs.Field("hpdcapitalRepayment")));
    line.SetSubItem(6, Money(rs.Field("hpdCapitalBalance")));
    line.SetSubItem(7, db::AsText(rs.Field("hpdBankName")));
    line.SetSubItem(8, db::AsText(rs.Field("hpdChequeNo")));
    line.SetSubItem(9, Money(rs.Field("hpdAmount")));
    line.SetSubItem(10, Money(rs.Field("hpdSettlementAmount")));
    line.SetSubItem(11, Money(rs.Field("hpdInterestRate")));
    // Totals of the figures as shown.
    rental += text::NumberOf(line.SubItem(3));
    interest += text::NumberOf(line.SubItem(4));
    repayment += text::NumberOf(line.SubItem(5));
  }
  totals.rental.SetText(text::Format00(rental));
  totals.interest.SetText(text::Format00(interest));
  totals.capital_repayment.SetText(text::Format00(repayment));
}

void FillCashFlowList(shell::BasModule& bas, std::int32_t processing_id, forms::ListView& list,
                      forms::TextBox& total) {
  db::Recordset rs = bas.adocon->Open(
      "select * from ahpProcessingCashFlowDetail where hpcProcessingID=? and hpcComapnyID=? Order By hpcDetailID",
      {I(processing_id), I(bas.intCompanyID)});
  list.Clear();
  double discounted = 0;
  for (int i = 1; !rs.Eof(); rs.MoveNext(), ++i) {
    forms::ListItem& line = list.Item(list.Add(std::to_string(i)));
    line.SetSubItem(1, Money(rs.Field("hpcDiscountFactor")));
    line.SetSubItem(2, Money(rs.Field("hpcRental")));
    line.SetSubItem(3, Money(rs.Field("hpcDiscountCashFlow")));
    discounted += text::NumberOf(line.SubItem(3));
  }
  total.SetText(text::Format00(discounted));
}

}  // namespace hp::reg
