#include "reprocessing/frm_reprocessing.h"

#include <optional>

#include "platform/db/connection.h"
#include "platform/text/date_text.h"
#include "platform/text/number_text.h"
#include "processing/processing_no.h"
#include "processing/processing_records.h"
#include "reprocessing/reprocessing_records.h"

namespace hp::reprocessing {
namespace {

// A figure box as stored: empty reads as 0, anything else must be a number.
double Figure(const forms::TextBox& box) { return box.Text().empty() ? 0.0 : text::NumberOf(box.Text()); }

}  // namespace

frmReprocessing::frmReprocessing(shell::BasModule& bas)
    : ReprocessingScreen(bas, "frmReprocessing"),
      lblInvoice(*this, "lblInvoice", "Invoice No:"),
      txtInvoice(*this, "txtInvoice"),
      fraMode(*this, "fraMode"),
      optAuto(*this, "optAuto", "Automatic"),
      optMan(*this, "optMan", "Mannual"),
      lblSP(*this, "lblSP", "Cash Price:"),
      txtSP(*this, "txtSP"),
      lblDP(*this, "lblDP", "Down Payment:"),
      txtDP(*this, "txtDP"),
      lblBal(*this, "lblBal", "Capital Balance:"),
      txtBal(*this, "txtBal"),
      lblInstallmentPrice(*this, "lblInstallmentPrice", "Installment Price:"),
      txtInstallmentPrice(*this, "txtInstallmentPrice"),
      lblNoRetals(*this, "lblNoRetals", "No of Rentals:"),
      txtNoRetals(*this, "txtNoRetals"),
      lblRentalAmount(*this, "lblRentalAmount", "Rental Amount:"),
      txtRentalAmount(*this, "txtRentalAmount"),
      lblMonthlyRate(*this, "lblMonthlyRate", "Monthly Rate:"),
      txtMonthlyRate(*this, "txtMonthlyRate"),
      lblInterestRate(*this, "lblInterestRate", "Rate of Interest:"),
      txtInterestRate(*this, "txtInterestRate"),
      lblReceipted(*this, "lblReceipted", "Capital Received:"),
      txtReceipted(*this, "txtReceipted"),
      lblAdjustments(*this, "lblAdjustments", "Adjustments to Carrrying Amount:"),
      txtAdjustments(*this, "txtAdjustments"),
      lblAdjCapitalBal(*this, "lblAdjCapitalBal", "Adj Capital Balance:"),
      txtAdjCapitalBal(*this, "txtAdjCapitalBal"),
      lblRemarks(*this, "lblRemarks", "Remarks:"),
      txtRemarks(*this, "txtRemarks"),
      txtUserName(*this, "txtUserName"),
      cmdReProcess(*this, "cmdReProcess", "&Re-Process Interest"),
      sstbDetails(*this, "sstbDetails"),
      lvwReProcessing(*this, "lvwReProcessing"),
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
      lineEditing(bas, *this,
                  RentalLineTarget{lvwReProcessing, lvwCashFlow, optAuto, optMan, txtTotRental,
                                   [this] { schedule_.InputsChanged(); }},
                  [this] { return cboPrrocNo.ListIndex() >= 0; }),
      schedule_(bas, ControlsOfSchedule()) {
  Caption = "HP Re-Processing";
  Width = 12000;
  Height = 9000;

  lblInvoice.Place(6200, 990, 1500, 285);
  txtInvoice.Place(7800, 960, 1800, 315);
  fraMode.Place(9800, 60, 2000, 1200);
  optAuto.Container = &fraMode;
  optMan.Container = &fraMode;
  optAuto.Place(120, 300, 1700, 300);
  optMan.Place(120, 700, 1700, 300);

  // Figures, in two columns.
  struct Row {
    forms::Label& label;
    forms::TextBox& box;
  };
  const Row left[] = {{lblSP, txtSP},
                      {lblDP, txtDP},
                      {lblBal, txtBal},
                      {lblInstallmentPrice, txtInstallmentPrice},
                      {lblNoRetals, txtNoRetals},
                      {lblRentalAmount, txtRentalAmount}};
  const Row right[] = {{lblMonthlyRate, txtMonthlyRate},
                       {lblInterestRate, txtInterestRate},
                       {lblReceipted, txtReceipted},
                       {lblAdjustments, txtAdjustments},
                       {lblAdjCapitalBal, txtAdjCapitalBal}};
  int top = 1500;
  for (const Row& r : left) {
    r.label.Place(120, top + 30, 1500, 285);
    r.box.Place(1700, top, 1800, 315);
    top += 400;
  }
  top = 1500;
  for (const Row& r : right) {
    r.label.Place(4000, top + 30, 2700, 285);
    r.box.Place(6800, top, 1800, 315);
    top += 400;
  }
  lblRemarks.Place(120, 4030, 1500, 285);
  txtRemarks.Place(1700, 4000, 6900, 315);
  cmdReProcess.Place(9000, 3600, 2700, 400);

  // The two lists.
  sstbDetails.Place(120, 4500, 11600, 3700);
  sstbDetails.Tabs = {{"Re-Processing Details"}, {"Cash Flow"}};
  for (forms::Control* c :
       std::initializer_list<forms::Control*>{&lvwReProcessing, &lblTotRental, &txtTotRental, &lblTotInterest,
                                              &txtTotInterest, &lblTotCapitalRepayment, &txtTotCapitalRepayment}) {
    c->Container = &sstbDetails;
    c->TabPage = 0;
  }
  for (forms::Control* c :
       std::initializer_list<forms::Control*>{&lvwCashFlow, &lbltotDiscCashFlow, &txttotDiscCashFlow}) {
    c->Container = &sstbDetails;
    c->TabPage = 1;
  }
  lvwReProcessing.Place(60, 400, 11450, 2650);
  lvwReProcessing.Columns = ScheduleColumns();
  lblTotRental.Place(60, 3150, 1200, 285);
  txtTotRental.Place(1300, 3120, 1500, 315);
  lblTotInterest.Place(3000, 3150, 1200, 285);
  txtTotInterest.Place(4300, 3120, 1500, 315);
  lblTotCapitalRepayment.Place(6000, 3150, 1200, 285);
  txtTotCapitalRepayment.Place(7300, 3120, 1500, 315);
  lvwCashFlow.Place(60, 400, 11450, 2650);
  lvwCashFlow.Columns = CashFlowColumns();
  lbltotDiscCashFlow.Place(60, 3150, 1800, 285);
  txttotDiscCashFlow.Place(1900, 3120, 1500, 315);

  cmdOk.Place(9200, 8350, 1150, 400);
  cmdClose.Place(10500, 8350, 1150, 400);

  // Boxes the program writes and the user only reads.
  for (forms::TextBox* box : {&txtPNo, &txtDate, &txtInvoice, &txtSP, &txtDP, &txtBal, &txtInstallmentPrice,
                              &txtMonthlyRate, &txtInterestRate, &txtReceipted, &txtAdjustments, &txtAdjCapitalBal,
                              &txtTotRental, &txtTotInterest, &txtTotCapitalRepayment, &txttotDiscCashFlow})
    box->Locked = true;

  // The inputs of a schedule: changing them forgets the schedule processed.
  txtNoRetals.Change = [this] { schedule_.InputsChanged(); };
  txtRentalAmount.Change = [this] { schedule_.InputsChanged(); };
  txtTotRental.Change = [this] { schedule_.TotalRentalChanged(); };

  lvwReProcessing.DblClick = [this] { lineEditing.lvwReProcessing_DblClick(); };
  lvwReProcessing.KeyPress = [this](int& key) { lineEditing.lvwReProcessing_KeyPress(key); };
  lvwReProcessing.MouseDown = [this](int button) { lineEditing.lvwReProcessing_MouseDown(button); };
  BindShared({ControlsOfSchedule(), txtRemarks, txtUserName, sstbDetails, cmdOk, cmdClose});
}

ScheduleControls frmReprocessing::ControlsOfSchedule() {
  return {cbodepartment, cboCustomer, cboPrrocNo, optAuto, optMan, txtSP, txtDP, txtBal, txtInstallmentPrice,
          txtNoRetals, txtRentalAmount, txtMonthlyRate, txtInterestRate, txtReceipted, txtAdjustments,
          txtAdjCapitalBal, txtTotRental, txtTotInterest, txtTotCapitalRepayment, txttotDiscCashFlow, txtInvoice,
          lvwReProcessing, lvwCashFlow, cmdReProcess};
}

char frmReprocessing::ChosenMode() const { return optAuto.Value() ? 'A' : optMan.Value() ? 'M' : 0; }

// ---- Hooks ----------------------------------------------------------------------

const char* frmReprocessing::NewModeCustomers() const {
  // Customers with a live first processing of the company that still has a
  // rental to settle.
  return "losHpCustomerDetails Inner Join aHpProcessingHeader ON "
         " hphCustomerID=hpCustID And hphCancel=0 And hphAmended=0 And hphCompanyID=? And "
         " hphProcessingID in (select distinct(hpdProcessingID) from aHpProcessingDetail "
         " where coalesce(hpdSettlementAmount ,0)=0) And "
         " coalesce(hphReferenceID,0)=0 where HPVerified=1 order by hpCustName ";
}

const char* frmReprocessing::NewModeProcessings() const {
  return "aHpProcessingHeader where hphCompanyID=? And hphCancel=0 And hphAmended=0 And hphCustomerID=? "
         "And hphDepartmentID=? And hphProcessingID in (select distinct(hpdProcessingID) from aHpProcessingDetail "
         "where coalesce(hpdSettlementAmount ,0)=0) ";
}

void frmReprocessing::FirstActivation() {
  // A stored re-processing is shown as it was processed.
  if (EditMode()) schedule_.processed = true;
}

void frmReprocessing::ModeChosen(char mode) {
  // Choosing automatic again keeps the schedule; any other choice forgets it.
  if (mode != 'A' || mode_ != 'A') schedule_.InputsChanged();
  mode_ = ChosenMode();
}

void frmReprocessing::cboPrrocNo_Click() {
  if (cboPrrocNo.ListIndex() < 0) return;
  bas_.Trap(*this, "cboPrrocNo_Click", bas_.GStrMasterNewEditFlag, [&] {
    const auto id = static_cast<std::int32_t>(cboPrrocNo.SelectedData());
    // Nothing left to re-process: the processing is let go, the screen stays
    // ready for another one.
    if (!schedule_.LoadProcessing(id, !EditMode())) ClearAllDetails();
  });
}

void frmReprocessing::cmdReProcess_Click() {
  if (!bas_.Trap(*this, "cmdReProcess_Click", bas_.GStrMasterNewEditFlag, [&] { schedule_.ReProcess(); }))
    bas_.MsgBox(kReProcessFailed, forms::vbCritical);
}

// ---- Save ------------------------------------------------------------------------------

void frmReprocessing::SaveHeader() {
  db::Connection& con = *bas_.adocon;
  const int department = static_cast<int>(cbodepartment.SelectedData());
  if (EditMode()) {
    DeleteHeader(con, bas_.intCompanyID, bas_.lngEditProcessingID);
  } else {
    // Numbered by the department the header records.
    processing::ProcessingKeys keys = processing::DrawProcessingKeys(bas_, department);
    new_id_ = keys.id;
    new_number_ = keys.number;
  }
  if (txtAdjustments.Text().empty()) txtAdjustments.SetText("0");
  ReprocessingHeader h;
  h.company = bas_.intCompanyID;
  h.department = department;
  h.id = EditMode() ? bas_.lngEditProcessingID : new_id_;
  h.number = EditMode() ? txtPNo.Text() : new_number_;
  h.date = text::DateOf(txtDate.Text());
  h.customer = cboCustomer.SelectedData();
  h.invoice = schedule_.loaded.invoice_id;
  h.financial = bas_.intfinancialId;
  h.cash_price = Figure(txtSP);
  h.down_payment = Figure(txtDP);
  h.balance = Figure(txtBal);
  h.rentals = text::WholeHalfEven(Figure(txtNoRetals));
  h.interest_rate = Figure(txtMonthlyRate);
  h.installment_price = Figure(txtInstallmentPrice);
  h.rental_amount = Figure(txtRentalAmount);
  h.remarks = txtRemarks.Text();
  h.adjustment_amount = Figure(txtAdjustments);
  h.reprocessing_type = optMan.Value() ? "M" : "A";
  h.reference = cboPrrocNo.SelectedData();
  h.after_settlement = 0;
  if (EditMode()) {
    h.user_name = txtUserName.Text();
    h.update_user_name = bas_.strUserName;
    h.update_time = text::Now();
  } else {
    h.user_name = bas_.strUserName;
  }
  WriteHeader(con, h);
}

void frmReprocessing::SaveDetails() {
  db::Connection& con = *bas_.adocon;
  const std::int32_t id = EditMode() ? bas_.lngEditProcessingID : new_id_;
  if (EditMode()) DeleteDetails(con, bas_.intCompanyID, id);
  processing::SaveDetails(con, processing::LineOwner{bas_.intCompanyID, bas_.intdepartmentid, id}, lvwReProcessing);
}

void frmReprocessing::SaveCashFlow() {
  db::Connection& con = *bas_.adocon;
  const std::int32_t id = EditMode() ? bas_.lngEditProcessingID : new_id_;
  if (EditMode()) DeleteCashFlow(con, bas_.intCompanyID, id);
  WriteCashFlow(con, processing::LineOwner{bas_.intCompanyID, bas_.intdepartmentid, id}, lvwCashFlow);
}

std::string frmReprocessing::WriteRecords(db::Connection& con, std::int32_t& id, std::string& number) {
  // Claim the old processing first: when another user's re-processing
  // amended it since it was chosen, nothing else is written.
  if (!MarkAmended(con, bas_.intCompanyID, cboPrrocNo.SelectedData(), !EditMode())) return kAlreadyAmended;
  bas_.objAudit->LoggedTime = text::Now();
  SaveHeader();
  SaveDetails();
  SaveCashFlow();
  id = EditMode() ? bas_.lngEditProcessingID : new_id_;
  number = EditMode() ? txtPNo.Text() : new_number_;
  return {};
}

}  // namespace hp::reprocessing
