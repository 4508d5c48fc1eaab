#include "aftersettlement/frm_reprocessing_after_settlemt.h"

#include <optional>

#include "aftersettlement/after_settlement_reset.h"
#include "platform/db/connection.h"
#include "platform/text/date_text.h"
#include "platform/text/number_text.h"
#include "processing/processing_no.h"
#include "processing/processing_records.h"
#include "processing/schedule.h"
#include "reprocessing/reprocessing_records.h"
#include "reprocessing/reprocessing_schedule.h"

namespace hp::aftersettlement {
namespace {

using text::Format00;

db::Value I(std::int64_t v) { return v; }

// A figure box as stored: empty reads as 0, anything else must be a number.
double Figure(const forms::TextBox& box) { return box.Text().empty() ? 0.0 : text::NumberOf(box.Text()); }
// A box as the figures on the screen were computed from it.
double V(const forms::TextBox& box) { return text::LeadingValue(box.Text()); }

// A revised number of rentals the settled list can be cut to: a whole number
// of at least 1 ("12.5" would cut the list to one count and show another).
bool WholeRentals(const forms::TextBox& box) {
  try {
    processing::LineCount(box.Text());
    return true;
  } catch (const processing::ScheduleError&) {
    return false;
  }
}

std::string DateText(const db::Value& v) {
  std::string s = db::AsText(v);
  if (auto d = text::ParseDate(s)) return text::ShortDate(*d);
  return s;
}

// What a stored re-processing is, read inside the save transaction.
struct StoredRow {
  bool found = false;
  std::string number;
  db::Value amended, cancel, cancel_remarks, type, user_name;
  bool after_settlement = false;
  bool adjustment_posted = false;
  bool line_posted = false;
};

StoredRow ReadStored(db::Connection& con, int company, std::int64_t id) {
  StoredRow s;
  db::Recordset rs = con.Open(
      "select hphProcessingNo, hphAmended, hphCancel, hphcancelRemarks, hphReprocessingType, hphUserName, "
      "hphreprocessaftersettlement, hphAdjustmentPosted from aHpProcessingHeader where hphProcessingID=? and "
      "hphCompanyID=?",
      {I(id), I(company)});
  if (rs.Eof()) return s;
  s.found = true;
  s.number = db::AsText(rs.Field("hphProcessingNo"));
  s.amended = rs.Field("hphAmended");
  s.cancel = rs.Field("hphCancel");
  s.cancel_remarks = rs.Field("hphcancelRemarks");
  s.type = rs.Field("hphReprocessingType");
  s.user_name = rs.Field("hphUserName");
  // A null flag means "not a re-processing after settlement".
  s.after_settlement = db::AsBool(rs.Field("hphreprocessaftersettlement"));
  s.adjustment_posted = db::AsBool(rs.Field("hphAdjustmentPosted"));
  db::Recordset posted = con.Open(
      "select count(*) from aHpProcessingDetail where hpdProcessingID=? and hpdCompanyID=? and "
      "coalesce(hpdPosted,0)<>0",
      {I(id), I(company)});
  s.line_posted = db::AsInt(posted.Field(0)) > 0;
  return s;
}

// Why a stored re-processing may not be saved again; empty when it may.
std::string EditRefusal(const StoredRow& s) {
  if (!s.found) return kEditMissing;
  if (!s.after_settlement) return kEditNotAfterSettlement;
  if (db::AsBool(s.cancel)) return kEditCancelled;
  if (db::AsBool(s.amended)) return kEditAmended;
  if (s.adjustment_posted || s.line_posted) return kEditPosted;
  return {};
}

}  // namespace

frmReprocessingAfterSettlemt::frmReprocessingAfterSettlemt(shell::BasModule& bas)
    : ReprocessingScreen(bas, "frmReprocessingAfterSettlemt"),
      txtUserName(*this, "txtUserName"),
      lblInvoice(*this, "lblInvoice", "Invoice No:"),
      txtInvoice(*this, "txtInvoice"),
      lblInvDate(*this, "lblInvDate", "Invoice Date:"),
      txtInvDate(*this, "txtInvDate"),
      lblNoofRentals(*this, "lblNoofRentals", "No of Rentals:"),
      txtNoofRentals(*this, "txtNoofRentals"),
      fraMode(*this, "fraMode"),
      optAuto(*this, "optAuto", "Automatic"),
      optMan(*this, "optMan", "Mannual"),
      lblSP(*this, "lblSP", "Cash Price:"),
      txtSP(*this, "txtSP"),
      lblDP(*this, "lblDP", "Down Payment:"),
      txtDP(*this, "txtDP"),
      lblBal(*this, "lblBal", "Capital Balance:"),
      txtBal(*this, "txtBal"),
      lblMonthlyRate(*this, "lblMonthlyRate", "Monthly Rate:"),
      txtMonthlyRate(*this, "txtMonthlyRate"),
      lblInterestRate(*this, "lblInterestRate", "Rate of Interest:"),
      txtInterestRate(*this, "txtInterestRate"),
      lblInstallmentPrice(*this, "lblInstallmentPrice", "Installment Price:"),
      txtInstallmentPrice(*this, "txtInstallmentPrice"),
      lblRentalAmount(*this, "lblRentalAmount", "Rental Amount:"),
      txtRentalAmount(*this, "txtRentalAmount"),
      lblNoRetals(*this, "lblNoRetals", "Revised no of Rentals:"),
      txtNoRetals(*this, "txtNoRetals"),
      fraAdjustments(*this, "fraAdjustments"),
      lblPrevoiusSettlements(*this, "lblPrevoiusSettlements", "Settled Amount:"),
      txtPrevoiusSettlements(*this, "txtPrevoiusSettlements"),
      lblReceipted(*this, "lblReceipted", "Capital Received:"),
      txtReceipted(*this, "txtReceipted"),
      lblnewInstPrice(*this, "lblnewInstPrice", "New Installment Price"),
      txtnewInstPrice(*this, "txtnewInstPrice"),
      lblBalancetoPay(*this, "lblBalancetoPay", "Balance to Pay:"),
      txtBalancetoPay(*this, "txtBalancetoPay"),
      lblAdjCapitalBal(*this, "lblAdjCapitalBal", "Adj Capital Balance:"),
      txtAdjCapitalBal(*this, "txtAdjCapitalBal"),
      lblUnearnedIncomeBal(*this, "lblUnearnedIncomeBal", "Unearned Income Balance:"),
      txtUnearnedIncomeBal(*this, "txtUnearnedIncomeBal"),
      lblAdjustments(*this, "lblAdjustments", "Adjustments to Carrrying Amount:"),
      txtAdjustments(*this, "txtAdjustments"),
      lblRemarks(*this, "lblRemarks", "Remarks:"),
      txtRemarks(*this, "txtRemarks"),
      cmdReProcess(*this, "cmdReProcess", "&Re-Process"),
      cmdelete(*this, "cmdelete", "Reset Reprocessing"),
      sstbDetails(*this, "sstbDetails"),
      lvwReProcessing(*this, "lvwReProcessing"),
      lblPreDetails(*this, "lblPreDetails", "Previous Settlements:"),
      lvwPreDetails(*this, "lvwPreDetails"),
      lblTotRental(*this, "lblTotRental", "Total Rental:"),
      txtTotRental(*this, "txtTotRental"),
      lblTotInterest(*this, "lblTotInterest", "Total Interest:"),
      txtTotInterest(*this, "txtTotInterest"),
      lblTotCapitalRepayment(*this, "lblTotCapitalRepayment", "Total Capital:"),
      txtTotCapitalRepayment(*this, "txtTotCapitalRepayment"),
      lvwCashFlow(*this, "lvwCashFlow"),
      lbltotDiscCashFlow(*this, "lbltotDiscCashFlow", "Total Disc Cash Flow:"),
      txttotDiscCashFlow(*this, "txttotDiscCashFlow"),
      cmdOk(*this, "cmdOk", "&OK"),
      cmdClose(*this, "cmdClose", "&Close"),
      // Lines entered here are shown only: nothing of the re-processing list
      // is saved, so a change there forgets nothing.
      lineEditing(bas, *this,
                  reprocessing::RentalLineTarget{lvwReProcessing, lvwCashFlow, optAuto, optMan, txtTotRental, nullptr},
                  [this] { return cboPrrocNo.ListIndex() >= 0; }),
      schedule_(bas, SettlementControls{txtSP,
                                        txtDP,
                                        txtBal,
                                        txtMonthlyRate,
                                        txtInterestRate,
                                        txtInstallmentPrice,
                                        txtRentalAmount,
                                        txtNoRetals,
                                        txtNoofRentals,
                                        txtInvoice,
                                        txtInvDate,
                                        txtPrevoiusSettlements,
                                        txtReceipted,
                                        txtnewInstPrice,
                                        txtBalancetoPay,
                                        txtAdjCapitalBal,
                                        txtUnearnedIncomeBal,
                                        txtAdjustments,
                                        txtTotRental,
                                        txtTotInterest,
                                        txtTotCapitalRepayment,
                                        lvwPreDetails}) {
  Caption = "HP Re-Processing - After Settlement";
  Width = 13200;
  Height = 10800;

  lblInvoice.Place(6200, 990, 1500, 285);
  txtInvoice.Place(7800, 960, 1800, 315);
  lblInvDate.Place(6200, 1410, 1500, 285);
  txtInvDate.Place(7800, 1380, 1800, 315);
  lblNoofRentals.Place(6200, 1830, 1500, 285);
  txtNoofRentals.Place(7800, 1800, 1800, 315);
  fraMode.Place(10800, 60, 2200, 1200);
  optAuto.Container = &fraMode;
  optMan.Container = &fraMode;
  optAuto.Place(120, 300, 1900, 300);
  optMan.Place(120, 700, 1900, 300);

  // Header figures, in two columns.
  struct Row {
    forms::Label& label;
    forms::TextBox& box;
  };
  const Row left[] = {{lblSP, txtSP},
                      {lblDP, txtDP},
                      {lblBal, txtBal},
                      {lblMonthlyRate, txtMonthlyRate},
                      {lblInterestRate, txtInterestRate}};
  int top = 1410;
  for (const Row& r : left) {
    r.label.Place(120, top + 30, 1500, 285);
    r.box.Place(1700, top, 1800, 315);
    top += 400;
  }
  const Row middle[] = {
      {lblInstallmentPrice, txtInstallmentPrice}, {lblRentalAmount, txtRentalAmount}, {lblNoRetals, txtNoRetals}};
  top = 2250;
  for (const Row& r : middle) {
    r.label.Place(3700, top + 30, 2000, 285);
    r.box.Place(5800, top, 1500, 315);
    top += 400;
  }

  // The adjustment panel.
  fraAdjustments.Place(7500, 2200, 5500, 3100);
  const Row panel[] = {{lblPrevoiusSettlements, txtPrevoiusSettlements},
                       {lblReceipted, txtReceipted},
                       {lblnewInstPrice, txtnewInstPrice},
                       {lblBalancetoPay, txtBalancetoPay},
                       {lblAdjCapitalBal, txtAdjCapitalBal},
                       {lblUnearnedIncomeBal, txtUnearnedIncomeBal},
                       {lblAdjustments, txtAdjustments}};
  top = 200;
  for (const Row& r : panel) {
    r.label.Container = &fraAdjustments;
    r.box.Container = &fraAdjustments;
    r.label.Place(120, top + 30, 3000, 285);
    r.box.Place(3300, top, 2000, 315);
    top += 400;
  }
  txtBalancetoPay.ToolTipText = "Settled Amount - New Installment Price";
  lblBalancetoPay.ToolTipText = "Total Settled amount-New Installment Price";
  txtAdjCapitalBal.ToolTipText = "Old Installment Price- New Installment Price";
  lblAdjCapitalBal.ToolTipText = "Old Installment Price-New Installment Price";
  lblAdjustments.ToolTipText = "Adj Capital Bal - Unearned Income balance";
  // Set before the change handler is bound: nothing is computed from them yet.
  for (forms::TextBox* box : {&txtPrevoiusSettlements, &txtReceipted, &txtnewInstPrice, &txtBalancetoPay,
                              &txtInstallmentPrice, &txtAdjCapitalBal, &txtUnearnedIncomeBal, &txtAdjustments})
    box->SetText("0");

  lblRemarks.Place(120, 3530, 1500, 285);
  txtRemarks.Place(1700, 3500, 5600, 315);
  cmdReProcess.Place(1700, 4000, 2000, 400);
  cmdelete.Place(3900, 4000, 2400, 400);

  // The lists.
  sstbDetails.Place(120, 5450, 12900, 4300);
  sstbDetails.Tabs = {{"Re-Processing Details"}, {"Cash Flow"}};
  for (forms::Control* c : std::initializer_list<forms::Control*>{
           &lvwReProcessing, &lblPreDetails, &lvwPreDetails, &lblTotRental, &txtTotRental, &lblTotInterest,
           &txtTotInterest, &lblTotCapitalRepayment, &txtTotCapitalRepayment}) {
    c->Container = &sstbDetails;
    c->TabPage = 0;
  }
  for (forms::Control* c :
       std::initializer_list<forms::Control*>{&lvwCashFlow, &lbltotDiscCashFlow, &txttotDiscCashFlow}) {
    c->Container = &sstbDetails;
    c->TabPage = 1;
  }
  lvwReProcessing.Place(60, 400, 12750, 1500);
  lvwReProcessing.Columns = reprocessing::ScheduleColumns();
  lblPreDetails.Place(60, 1950, 2500, 285);
  lvwPreDetails.Place(60, 2250, 12750, 1450);
  lvwPreDetails.Columns = reprocessing::ScheduleColumns();
  lvwPreDetails.Checkboxes = true;
  lblTotRental.Place(60, 3800, 1200, 285);
  txtTotRental.Place(1300, 3770, 1500, 315);
  lblTotInterest.Place(3000, 3800, 1200, 285);
  txtTotInterest.Place(4300, 3770, 1500, 315);
  lblTotCapitalRepayment.Place(6000, 3800, 1200, 285);
  txtTotCapitalRepayment.Place(7300, 3770, 1500, 315);
  lvwCashFlow.Place(60, 400, 12750, 3200);
  lvwCashFlow.Columns = reprocessing::CashFlowColumns();
  lbltotDiscCashFlow.Place(60, 3800, 1800, 285);
  txttotDiscCashFlow.Place(1900, 3770, 1500, 315);

  cmdOk.Place(10400, 9900, 1150, 400);
  cmdClose.Place(11700, 9900, 1150, 400);

  // Boxes the program writes and the user only reads.
  for (forms::TextBox* box :
       {&txtPNo, &txtDate, &txtInvoice, &txtInvDate, &txtNoofRentals, &txtSP, &txtDP, &txtBal, &txtMonthlyRate,
        &txtInterestRate, &txtInstallmentPrice, &txtPrevoiusSettlements, &txtReceipted, &txtBalancetoPay,
        &txtAdjCapitalBal, &txtUnearnedIncomeBal, &txtTotRental, &txtTotInterest, &txtTotCapitalRepayment,
        &txttotDiscCashFlow})
    box->Locked = true;

  // The revised number is what the settled list is cut to: a list built for
  // another number must not be stored.
  txtNoRetals.Change = [this] { processed_ = false; };
  txtnewInstPrice.Change = [this] {
    bas_.Trap(*this, "txtnewInstPrice_Change", bas_.GStrMasterNewEditFlag, [&] { schedule_.txtnewInstPrice_Change(); });
  };

  cmdelete.Click = [this] { cmdelete_Click(); };
  // The re-processing list opens no line on a double click here; its pop-up
  // menu works as on the re-processing screen.
  lvwReProcessing.MouseDown = [this](int button) { lineEditing.lvwReProcessing_MouseDown(button); };
  BindShared({{cbodepartment, cboCustomer, cboPrrocNo, optAuto, optMan, txtSP, txtDP, txtBal, txtInstallmentPrice,
               txtNoRetals, txtRentalAmount, txtMonthlyRate, txtInterestRate, txtReceipted, txtAdjustments,
               txtAdjCapitalBal, txtTotRental, txtTotInterest, txtTotCapitalRepayment, txttotDiscCashFlow, txtInvoice,
               lvwReProcessing, lvwCashFlow, cmdReProcess},
              txtRemarks, txtUserName, sstbDetails, cmdOk, cmdClose});
}

// ---- Hooks ----------------------------------------------------------------------

const char* frmReprocessingAfterSettlemt::NewModeCustomers() const {
  // Customers with a live first processing in the company; settlements play
  // no part in the choice.
  return "losHpCustomerDetails Inner Join aHpProcessingHeader ON "
         " hphCustomerID=hpCustID And hphCancel=0 And hphAmended=0 And hphCompanyID=? And "
         " coalesce(hphReferenceID,0)=0 where HPVerified=1 order by hpCustName ";
}

const char* frmReprocessingAfterSettlemt::NewModeProcessings() const {
  return "aHpProcessingHeader where hphCompanyID=? And hphCancel=0 And hphAmended=0 And hphCustomerID=? And "
         "hphDepartmentID=? ";
}

void frmReprocessingAfterSettlemt::ClearOwnDetails() {
  for (forms::TextBox* box : {&txtPrevoiusSettlements, &txtInvDate, &txtNoofRentals}) box->SetText("");
}

// ---- Loading a stored re-processing -------------------------------------------------

bool frmReprocessingAfterSettlemt::LoadStored(std::int32_t id) {
  db::Recordset h = bas_.adocon->Open("select * from aHpProcessingHeader where hphProcessingID=? and hphCompanyID=?",
                                      {I(id), I(bas_.intCompanyID)});
  if (h.Eof()) {
    bas_.MsgBox(kEditMissing);
    return false;
  }
  if (!db::AsBool(h.Field("hphreprocessaftersettlement"))) {
    bas_.MsgBox(kEditNotAfterSettlement);
    return false;
  }
  if (db::AsBool(h.Field("hphAdjustmentPosted"))) {
    bas_.MsgBox(kEditPosted);
    return false;
  }
  const std::int64_t department = db::AsInt(h.Field("hphDepartmentID"));
  const std::int64_t customer = db::AsInt(h.Field("hphCustomerID"));
  const std::int64_t reference = db::AsInt(h.Field("hphReferenceID"));
  const std::int64_t invoice = db::AsInt(h.Field("hphInvoiceID"));
  const std::string rentals = db::AsText(h.Field("hphNoOfRentals"));

  txtPNo.SetText(db::AsText(h.Field("hphProcessingNo")));
  txtDate.SetText(DateText(h.Field("hphProcessingdate")));
  gen_.SelectComboItemByValue(cbodepartment, department);
  gen_.SelectComboItemByValue(cboCustomer, customer);
  cboCustomer.Enabled = false;
  // Choosing the processing re-processed loads its header and settled amount.
  FillProcessingNumbers(customer, department);
  gen_.SelectComboItemByValue(cboPrrocNo, reference);
  cboPrrocNo.Enabled = false;
  txtNoRetals.SetText(rentals);

  shell::ClsCommonDb look_up;
  look_up.adocon = bas_.adocon;
  look_up.SetTable("aHpProcessingHeader");
  txtNoofRentals.SetText(std::to_string(static_cast<std::int16_t>(db::AsInt(look_up.fnreturnfield(
      "hphNoOfRentals", "hphProcessingID=? and hphCompanyID=?", {I(reference), I(bas_.intCompanyID)})))));
  look_up.SetTable("loshpinvoiceheader");
  const db::Params invoice_of{I(invoice), I(bas_.intCompanyID)};
  txtInvoice.SetText(db::AsText(look_up.fnreturnfield("hpqhQuotationNo", "hpqhQuotationID=? and hpqhCompanyID=?",
                                                      invoice_of)));
  txtInvDate.SetText(DateText(look_up.fnreturnfield("hpqhQuotationDate", "hpqhQuotationID=? and hpqhCompanyID=?",
                                                    invoice_of)));

  txtRentalAmount.SetText(Format00(db::AsDouble(h.Field("hphRentalAmount"))));
  txtSP.SetText(Format00(db::AsDouble(h.Field("hphCashPrice"))));
  txtDP.SetText(Format00(db::AsDouble(h.Field("hphDownPayment"))));
  txtBal.SetText(Format00(db::AsDouble(h.Field("hphbalance"))));
  txtMonthlyRate.SetText(db::AsText(h.Field("hphInterestRate")));
  txtInterestRate.SetText(text::PlainNumber(db::AsDouble(h.Field("hphInterestRate")) * 12));
  txtRemarks.SetText(db::AsText(h.Field("hphRemarks")));

  txtInstallmentPrice.SetText(Format00(db::AsDouble(look_up.fnreturnfield(
      "hpqhInstPrice", "hpqhQuotationID=? and hpqhCompanyID=?", invoice_of))));
  txtnewInstPrice.SetText(Format00(db::AsDouble(h.Field("hphInstallmentPrice"))));
  txtUserName.SetText(db::AsText(h.Field("hphUserName")));
  txtAdjCapitalBal.SetText(Format00(db::AsDouble(h.Field("hphAdjustmentAmount"))));
  txtUnearnedIncomeBal.SetText(Format00(db::AsDouble(h.Field("hphBalanceInterest"))));
  txtAdjustments.SetText(Format00(V(txtAdjCapitalBal) - V(txtUnearnedIncomeBal)));

  // The stored lines, in line order.
  lvwPreDetails.Clear();
  double total_rental = 0, total_interest = 0, total_repayment = 0;
  db::Recordset d = bas_.adocon->Open(
      "select * from aHpProcessingDetail where hpdProcessingID=? and hpdCompanyID=? order by hpddetailID",
      {I(id), I(bas_.intCompanyID)});
  for (int i = 1; !d.Eof(); d.MoveNext(), ++i) {
    forms::ListItem& row = lvwPreDetails.Item(lvwPreDetails.Add(std::to_string(i)));
    auto money = [&](int column, const char* field) {
      row.SetSubItem(column, Format00(db::AsDouble(d.Field(field))));
      return text::NumberOf(row.SubItem(column));
    };
    row.SetSubItem(kChequeDate, DateText(d.Field("hpdChequeDate")));
    money(kCapital, "hpdCapital");
    total_rental += money(kRental, "hpdRental");
    total_interest += money(kInterest, "hpdInterest");
    total_repayment += money(kRepayment, "hpdcapitalRepayment");
    money(kBalance, "hpdCapitalBalance");
    row.SetSubItem(kBankName, db::AsText(d.Field("hpdBankName")));
    row.SetSubItem(kChequeNo, db::AsText(d.Field("hpdChequeNo")));
    money(kAmount, "hpdAmount");
    money(kSettlement, "hpdSettlementAmount");
    money(kMonthlyRate, "hpdInterestRate");
  }
  txtTotRental.SetText(Format00(total_rental));
  txtTotInterest.SetText(Format00(total_interest));
  txtTotCapitalRepayment.SetText(Format00(total_repayment));
  txtNoRetals.SetText(rentals);
  // What is shown is what was stored.
  processed_ = true;
  return true;
}

// ---- Choosing the processing ----------------------------------------------------

void frmReprocessingAfterSettlemt::cboPrrocNo_Click() {
  if (cboPrrocNo.ListIndex() < 0) return;
  processed_ = false;
  const bool loaded = bas_.Trap(*this, "cboPrrocNo_Click", bas_.GStrMasterNewEditFlag, [&] {
    const auto id = static_cast<std::int32_t>(cboPrrocNo.SelectedData());
    lvwPreDetails.Clear();
    if (!schedule_.CapitalReceived(id)) {
      if (!EditMode()) {
        // Nothing was ever settled or scheduled: the processing is let go,
        // the screen stays ready for another one.
        bas_.MsgBox(kNoSettlementFigures);
        ClearAllDetails();
        return;
      }
      txtReceipted.SetText("0");
    }
    schedule_.LoadProcessingHeader(id);
    lvwPreDetails.Visible = true;
    if (EditMode()) return;
    lvwReProcessing.Clear();
    schedule_.LoadSettledRentals(id);
    // Nothing on this screen fills the cash flow.
    sstbDetails.Tabs[1].enabled = false;
    sstbDetails.Current = 0;
    schedule_.Summarise(id);
    if (optMan.Value()) {
      lvwReProcessing.Clear();
      lvwCashFlow.Clear();
    }
    processed_ = true;
  });
  if (!loaded) {
    processed_ = false;
    bas_.MsgBox(kLoadFailed, forms::vbCritical);
  }
}

// ---- Re-process and reset -------------------------------------------------------------

void frmReprocessingAfterSettlemt::cmdReProcess_Click() {
  if (!optAuto.Value() || cboPrrocNo.ListIndex() < 0) return;
  const bool done = bas_.Trap(*this, "cmdReProcess_Click", bas_.GStrMasterNewEditFlag, [&] {
    if (lvwReProcessing.Count() > 0) {
      if (!ConfirmClearing("Processed Data will be Cleared . \r Do you want to continue?")) return;
      lvwReProcessing.Clear();
      lvwCashFlow.Clear();
    }
    processed_ = false;
    lvwPreDetails.Clear();
    lvwCashFlow.Clear();
    schedule_.ReprocessSettledRentals(static_cast<std::int32_t>(cboPrrocNo.SelectedData()));
    processed_ = true;
    // The rebuilt list is the one OK stores: it is shown again after a reset.
    lvwPreDetails.Visible = true;
    lvwPreDetails.SetFocus();
  });
  if (!done) {
    processed_ = false;
    bas_.MsgBox(reprocessing::kReProcessFailed, forms::vbCritical);
  }
}

void frmReprocessingAfterSettlemt::cmdelete_Click() {
  ResetReprocessing(lvwPreDetails, lvwReProcessing, txtNoRetals);
  // The settled list is gone until Re-Process rebuilds it.
  processed_ = false;
}

// ---- Save ------------------------------------------------------------------------------

bool frmReprocessingAfterSettlemt::ValidateEntries() {
  auto refuse = [this](const std::string& message, forms::Control& focus) {
    bas_.MsgBox(message, forms::vbInformation);
    focus.SetFocus();
    return false;
  };
  if (cbodepartment.ListIndex() < 0) return refuse("Select Department .", cbodepartment);
  if (cboCustomer.ListIndex() < 0) return refuse("Select a Customer .", cboCustomer);
  if (cboPrrocNo.ListIndex() < 0) return refuse("Select a Processing No .", cboPrrocNo);
  if (!WholeRentals(txtNoRetals)) return refuse("Enter No of Rentals .", txtNoRetals);
  if (optAuto.Value() && V(txtRentalAmount) == 0) return refuse("Enter Rental Amount .", txtRentalAmount);
  if (!text::ParseNumber(txtnewInstPrice.Text())) return refuse(kEnterNewInstPrice, txtnewInstPrice);
  if (!processed_) {
    cmdReProcess.Enabled = true;
    return refuse("Process the details .", cmdReProcess);
  }
  return true;
}

std::string frmReprocessingAfterSettlemt::WriteRecords(db::Connection& con, std::int32_t& id, std::string& number) {
  const bool edit = EditMode();
  const int company = bas_.intCompanyID;
  const std::int64_t reference = cboPrrocNo.SelectedData();
  const int department = static_cast<int>(cbodepartment.SelectedData());

  processing::HeaderRecord h;
  processing::ReprocessingColumns r;
  if (edit) {
    // Read under the save's lock: another user may have cancelled, posted
    // or re-processed it since it was opened.
    const StoredRow stored = ReadStored(con, company, bas_.lngEditProcessingID);
    if (std::string refusal = EditRefusal(stored); !refusal.empty()) return refusal;
    id = bas_.lngEditProcessingID;
    h.number = stored.number;
    h.amended = stored.amended;
    h.cancel = stored.cancel;
    h.cancel_remarks = stored.cancel_remarks;
    r.type = db::IsNull(stored.type) ? (optMan.Value() ? "M" : "A") : db::AsText(stored.type);
    h.user_name = db::IsNull(stored.user_name) ? txtUserName.Text() : db::AsText(stored.user_name);
    h.update_user_name = bas_.strUserName;
    h.update_time = text::Now();
    // Amended already by this re-processing's first save.
    reprocessing::MarkAmended(con, company, reference, false);
  } else {
    // Claim the processing first: when another user's re-processing
    // amended it since it was chosen, nothing else is written.
    if (!reprocessing::MarkAmended(con, company, reference, true)) return reprocessing::kAlreadyAmended;
    const processing::ProcessingKeys keys = processing::DrawProcessingKeys(bas_, department);
    id = keys.id;
    h.number = keys.number;
    r.type = optMan.Value() ? "M" : "A";
    h.user_name = bas_.strUserName;
  }
  number = h.number;
  bas_.objAudit->LoggedTime = text::Now();
  if (txtAdjustments.Text().empty()) txtAdjustments.SetText("0");
  h.company = company;
  h.department = department;
  h.id = id;
  h.date = text::DateOf(txtDate.Text());
  h.customer = cboCustomer.SelectedData();
  h.invoice = schedule_.invoice_id;
  h.financial = bas_.intfinancialId;
  h.cash_price = Figure(txtSP);
  h.down_payment = Figure(txtDP);
  h.balance = Figure(txtBal);
  h.rentals = lvwPreDetails.Count();
  h.interest_rate = Figure(txtMonthlyRate);
  h.installment_price = Figure(txtnewInstPrice);
  h.rental_amount = Figure(txtRentalAmount);
  h.remarks = txtRemarks.Text();
  r.adjustment_amount = Figure(txtAdjCapitalBal);
  r.reference = reference;
  r.after_settlement = 1;
  r.balance_interest = Figure(txtUnearnedIncomeBal);
  r.adjustment_posted = 0;
  h.reprocessing = r;

  // Saved again: the stored rows go and are written anew under the same
  // identifier and number, all inside the save's transaction.
  const processing::LineOwner owner{company, bas_.intdepartmentid, id};
  if (edit) reprocessing::DeleteHeader(con, company, id);
  processing::SaveHeader(con, h);
  if (edit) reprocessing::DeleteDetails(con, company, id);
  processing::SaveDetails(con, owner, lvwPreDetails);
  if (edit) reprocessing::DeleteCashFlow(con, company, id);
  reprocessing::WriteCashFlow(con, owner, lvwCashFlow);  // empty: no cash flow after settlement
  return {};
}

}  // namespace hp::aftersettlement
