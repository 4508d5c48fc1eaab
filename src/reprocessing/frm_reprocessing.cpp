#include "reprocessing/frm_reprocessing.h"

#include <optional>

#include "customer/frm_customer_fetch.h"
#include "platform/db/connection.h"
#include "platform/text/date_text.h"
#include "platform/text/number_text.h"
#include "processing/processing_no.h"
#include "processing/processing_records.h"
#include "reprocessing/reprocessing_records.h"

namespace hp::reprocessing {
namespace {

using forms::MsgBoxResult;

db::Value I(std::int64_t v) { return v; }

// A figure box as stored: empty reads as 0, anything else must be a number.
double Figure(const forms::TextBox& box) { return box.Text().empty() ? 0.0 : text::NumberOf(box.Text()); }

}  // namespace

frmReprocessing::frmReprocessing(shell::BasModule& bas)
    : Form(bas.host, "frmReprocessing"),
      lbldepartment(*this, "lbldepartment", "Department:"),
      cbodepartment(*this, "cbodepartment"),
      lblCustomer(*this, "lblCustomer", "Customer Name:"),
      cboCustomer(*this, "cboCustomer"),
      cmdCustfetch(*this, "cmdCustfetch", "----"),
      lblPrrocNo(*this, "lblPrrocNo", "Processing No:"),
      cboPrrocNo(*this, "cboPrrocNo"),
      lblPNo(*this, "lblPNo", "Processing No:"),
      txtPNo(*this, "txtPNo"),
      lblDate(*this, "lblDate", "Processing Date:"),
      txtDate(*this, "txtDate"),
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
      bas_(bas),
      schedule_(bas, ScheduleControls{cbodepartment,
                                      cboCustomer,
                                      cboPrrocNo,
                                      optAuto,
                                      optMan,
                                      txtSP,
                                      txtDP,
                                      txtBal,
                                      txtInstallmentPrice,
                                      txtNoRetals,
                                      txtRentalAmount,
                                      txtMonthlyRate,
                                      txtInterestRate,
                                      txtReceipted,
                                      txtAdjustments,
                                      txtAdjCapitalBal,
                                      txtTotRental,
                                      txtTotInterest,
                                      txtTotCapitalRepayment,
                                      txttotDiscCashFlow,
                                      txtInvoice,
                                      lvwReProcessing,
                                      lvwCashFlow,
                                      cmdReProcess}) {
  Caption = "HP Re-Processing";
  Width = 12000;
  Height = 9000;

  // Choice of the processing.
  lbldepartment.Place(120, 150, 1500, 285);
  cbodepartment.Place(1700, 120, 3000, 315);
  lblCustomer.Place(120, 570, 1500, 285);
  cboCustomer.Place(1700, 540, 3600, 315);
  cmdCustfetch.Place(5350, 540, 500, 315);
  lblPrrocNo.Place(120, 990, 1500, 285);
  cboPrrocNo.Place(1700, 960, 2000, 315);
  lblPNo.Place(6200, 150, 1500, 285);
  txtPNo.Place(7800, 120, 1800, 315);
  lblDate.Place(6200, 570, 1500, 285);
  txtDate.Place(7800, 540, 1800, 315);
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
  txtRemarks.MaxLength = 200;
  txtUserName.Visible = false;
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
  lvwReProcessing.Columns = {{"Rental No", 900},        {"Cheque Date", 1100},    {"Capital", 1100},
                             {"Rental", 1000},          {"Interest", 1000},       {"Capital Repayment", 1300},
                             {"Capital Balance", 1200}, {"Bank Name", 1500},      {"ChequeNo", 1000},
                             {"Amount", 1000},          {"Settlement Amt", 1200}, {"MonthlyRate", 1000}};
  lblTotRental.Place(60, 3150, 1200, 285);
  txtTotRental.Place(1300, 3120, 1500, 315);
  lblTotInterest.Place(3000, 3150, 1200, 285);
  txtTotInterest.Place(4300, 3120, 1500, 315);
  lblTotCapitalRepayment.Place(6000, 3150, 1200, 285);
  txtTotCapitalRepayment.Place(7300, 3120, 1500, 315);
  lvwCashFlow.Place(60, 400, 11450, 2650);
  lvwCashFlow.Columns = {
      {"Cash Flow", 1000}, {"Discount Factor", 2000}, {"Rental Amount", 1800}, {"Discount Cash Flow", 2000}};
  lbltotDiscCashFlow.Place(60, 3150, 1800, 285);
  txttotDiscCashFlow.Place(1900, 3120, 1500, 315);

  cmdOk.Place(9200, 8350, 1150, 400);
  cmdClose.Place(10500, 8350, 1150, 400);
  cmdCustfetch.TabStop = false;
  CancelButton = &cmdClose;

  // Boxes the program writes and the user only reads.
  for (forms::TextBox* box : {&txtPNo, &txtDate, &txtInvoice, &txtSP, &txtDP, &txtBal, &txtInstallmentPrice,
                              &txtMonthlyRate, &txtInterestRate, &txtReceipted, &txtAdjustments, &txtAdjCapitalBal,
                              &txtTotRental, &txtTotInterest, &txtTotCapitalRepayment, &txttotDiscCashFlow})
    box->Locked = true;

  auto enter_as_tab = [this](int& key) { bas_.EnterAsTab(key); };
  cbodepartment.KeyPress = enter_as_tab;
  cboCustomer.KeyPress = enter_as_tab;
  cboPrrocNo.KeyPress = enter_as_tab;
  optAuto.KeyPress = enter_as_tab;
  optMan.KeyPress = enter_as_tab;
  txtRemarks.KeyPress = enter_as_tab;
  sstbDetails.KeyPress = enter_as_tab;
  txtNoRetals.GotFocus = [this] { shell::BasModule::SelectAllText(txtNoRetals); };
  txtRemarks.GotFocus = [this] { shell::BasModule::SelectAllText(txtRemarks); };
  txtRentalAmount.GotFocus = [this] { shell::BasModule::SelectAllText(txtRentalAmount); };

  txtNoRetals.KeyPress = [this](int& key) {
    if (!bas_.Trap(*this, "txtNoRetals_KeyPress", bas_.GStrMasterNewEditFlag,
                   [&] { schedule_.NoOfRentalsKeyPress(key, gen_); }))
      key = 0;
  };
  txtRentalAmount.KeyPress = [this](int& key) {
    if (!bas_.Trap(*this, "txtRentalAmount_KeyPress", bas_.GStrMasterNewEditFlag,
                   [&] { schedule_.RentalAmountKeyPress(key, gen_); }))
      key = 0;
  };
  // The inputs of a schedule: changing them forgets the schedule processed.
  txtNoRetals.Change = [this] { schedule_.InputsChanged(); };
  txtRentalAmount.Change = [this] { schedule_.InputsChanged(); };
  txtTotRental.Change = [this] { schedule_.TotalRentalChanged(); };

  cboCustomer.Change = [this] { cboCustomer_Change(); };
  cboCustomer.Click = [this] { cboCustomer_Click(); };
  cboPrrocNo.Click = [this] { cboPrrocNo_Click(); };
  cmdCustfetch.Click = [this] { cmdCustfetch_Click(); };
  optAuto.Click = [this] { optAuto_Click(); };
  optMan.Click = [this] { optMan_Click(); };
  cmdReProcess.Click = [this] { cmdReProcess_Click(); };
  lvwReProcessing.DblClick = [this] { lineEditing.lvwReProcessing_DblClick(); };
  lvwReProcessing.KeyPress = [this](int& key) { lineEditing.lvwReProcessing_KeyPress(key); };
  lvwReProcessing.MouseDown = [this](int button) { lineEditing.lvwReProcessing_MouseDown(button); };
  cmdOk.Click = [this] { cmdOK_Click(); };
  cmdClose.Click = [this] { cmdClose_Click(); };
}

bool frmReprocessing::EditMode() const { return bas_.GStrMasterNewEditFlag == "E"; }

char frmReprocessing::ChosenMode() const { return optAuto.Value() ? 'A' : optMan.Value() ? 'M' : 0; }

bool frmReprocessing::ConfirmClearing(const std::string& question) {
  return bas_.MsgBox(question, forms::vbYesNo + forms::vbInformation) == MsgBoxResult::Yes;
}

// ---- Loading and activation ---------------------------------------------------

void frmReprocessing::Form_Load() {
  bas_.Trap(*this, "Form_Load", bas_.GStrMasterNewEditFlag, [&] {
    db_.adocon = bas_.adocon;
    bas_.objColour->ApplyPavlin(*this);
    bas_.objColour->Applytabcolor(sstbDetails);
    first_activation_ = true;
    db_.SetTable("adepartmentmaster");
    db_.populateComboOrList(cbodepartment, "DepartmentID", "DepartmentName", "CompanyID = ? order by DepartmentName",
                            {I(bas_.intCompanyID)});
    FillCustomers();
    if (bas_.intdepartmentid >= 1) {
      gen_.SelectComboItemByValue(cbodepartment, bas_.intdepartmentid);
      // A session department missing from the company's list leaves the
      // choice to the user rather than locking an empty combo.
      cbodepartment.Enabled = cbodepartment.ListIndex() < 0;
    }
    txtDate.SetText(text::ShortDate(bas_.dtProcessDate));
    sstbDetails.Current = 0;
    if (EditMode()) {
      optAuto.Enabled = false;
      optMan.Enabled = false;
    }
  });
}

void frmReprocessing::FillCustomers() {
  if (EditMode()) {
    db_.SetTable("losHpCustomerDetails where HPVerified=1 order by hpCustName ");
  } else {
    // Customers with a live first processing of the company that still has a
    // rental to settle.
    db_.SetTable(
        "losHpCustomerDetails Inner Join aHpProcessingHeader ON "
        " hphCustomerID=hpCustID And hphCancel=0 And hphAmended=0 And hphCompanyID=? And "
        " hphProcessingID in (select distinct(hpdProcessingID) from aHpProcessingDetail "
        " where coalesce(hpdSettlementAmount ,0)=0) And "
        " coalesce(hphReferenceID,0)=0 where HPVerified=1 order by hpCustName ",
        {I(bas_.intCompanyID)});
  }
  db_.populateComboOrList(cboCustomer, "distinct(hpCustID)", "hpCustName");
}

void frmReprocessing::Form_Activate() {
  bas_.Trap(*this, "Form_Activate", bas_.GStrMasterNewEditFlag, [&] {
    if (first_activation_) {
      first_activation_ = false;
      Tag = "loaded";
      bas_.objAudit->SaveInToTag(*this);
      // A stored re-processing is shown as it was processed.
      if (EditMode()) schedule_.processed = true;
    }
    std::optional<double> rentals = text::ParseNumber(txtNoRetals.Text());
    if (rentals && *rentals == bas_.intSelectedRentalNo && cmdOk.Enabled) cmdOk.SetFocus();
  });
}

void frmReprocessing::Form_QueryUnload(bool& cancel) {
  bool ok = bas_.Trap(*this, "Form_QueryUnload", bas_.GStrMasterNewEditFlag, [&] {
    if (Tag.empty() || !cmdOk.Enabled || !bas_.objAudit->DataChanged(*this)) return;
    MsgBoxResult answer = bas_.MsgBox("Save Changes?", forms::vbYesNoCancel + forms::vbInformation);
    if (answer == MsgBoxResult::Cancel)
      cancel = true;
    else if (answer == MsgBoxResult::Yes && !Save())
      cancel = true;  // not stored: stay
  });
  if (!ok) cancel = true;
}

// ---- Choosing the processing ----------------------------------------------------

void frmReprocessing::cboCustomer_Change() {
  ClearAllDetails();
  cboPrrocNo.Clear();
}

void frmReprocessing::cboCustomer_Click() {
  if (EditMode() || cboCustomer.ListIndex() < 0) return;
  bas_.Trap(*this, "cboCustomer_Click", bas_.GStrMasterNewEditFlag, [&] {
    const std::int64_t chosen = cboCustomer.SelectedData();
    if (lvwReProcessing.Count() > 0) {
      if (chosen == remembered_customer_) return;
      if (!ConfirmClearing("All Details Will Be Cleared .\r Do you Want to Continue?")) {
        gen_.SelectComboItemByValue(cboCustomer, remembered_customer_);
        return;
      }
      ClearAllDetails();
    }
    remembered_customer_ = chosen;
    FillProcessingNumbers();
  });
}

void frmReprocessing::FillProcessingNumbers() {
  if (cboCustomer.ListIndex() < 0) return;
  schedule_.Forget();
  // Without a department there is nothing to list (the processings are the
  // department's).
  if (cbodepartment.ListIndex() < 0) {
    cboPrrocNo.Clear();
    return;
  }
  const db::Params params{I(bas_.intCompanyID), I(cboCustomer.SelectedData()), I(cbodepartment.SelectedData())};
  if (EditMode()) {
    db_.SetTable("aHpProcessingHeader where hphCompanyID=? And hphCustomerID=? And hphDepartmentID=?", params);
  } else {
    db_.SetTable(
        "aHpProcessingHeader where hphCompanyID=? And hphCancel=0 And hphAmended=0 And hphCustomerID=? "
        "And hphDepartmentID=? And hphProcessingID in (select distinct(hpdProcessingID) from aHpProcessingDetail "
        "where coalesce(hpdSettlementAmount ,0)=0) ",
        params);
  }
  db_.populateComboOrList(cboPrrocNo, "hphProcessingID", "hphProcessingNo");
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

void frmReprocessing::cmdCustfetch_Click() {
  bas_.Trap(*this, "cmdCustfetch_Click", bas_.GStrMasterNewEditFlag, [&] {
    customer::frmCustomerFetch fetch(bas_);
    host().ShowModal(fetch);
    if (fetch.SelectedCustomerID != 0) gen_.SelectComboItemByValue(cboCustomer, fetch.SelectedCustomerID);
  });
}

void frmReprocessing::ClearAllDetails() {
  lvwReProcessing.Clear();
  lvwCashFlow.Clear();
  for (forms::TextBox* box : {&txtNoRetals, &txtRentalAmount, &txtInstallmentPrice, &txtSP, &txtDP, &txtBal,
                              &txtMonthlyRate, &txtInterestRate, &txtRemarks})
    box->SetText("");
  cboPrrocNo.SetText("");
  for (forms::TextBox* box : {&txtAdjCapitalBal, &txtAdjustments, &txtReceipted, &txtInvoice}) box->SetText("");
  schedule_.Forget();
}

// ---- Mode -------------------------------------------------------------------------

void frmReprocessing::optAuto_Click() {
  if (lvwReProcessing.Count() > 0 && ConfirmClearing("All Details Will be Cleared .\rDo you want to Continue ."))
    ClearAllDetails();
  txtRentalAmount.BackColor = forms::kLightYellow;
  txtNoRetals.BackColor = forms::kLightYellow;
  txtRentalAmount.Enabled = true;
  txtNoRetals.Enabled = true;
  if (mode_ != 'A') schedule_.InputsChanged();
  mode_ = ChosenMode();
}

void frmReprocessing::optMan_Click() {
  if (lvwReProcessing.Count() > 0 && ConfirmClearing("All Details Will be Cleared .\rDo you want to Continue ."))
    ClearAllDetails();
  txtRentalAmount.BackColor = forms::kDefaultColour;
  txtNoRetals.BackColor = forms::kDefaultColour;
  txtRentalAmount.Enabled = false;
  txtNoRetals.Enabled = false;
  lvwReProcessing.Clear();
  lvwCashFlow.Clear();
  schedule_.InputsChanged();
  mode_ = ChosenMode();
}

// ---- Re-process ---------------------------------------------------------------------

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

bool frmReprocessing::Save() {
  if (!schedule_.ValidateEntries(Mode::Save)) return false;
  bool claimed = true;
  std::int32_t id = 0;
  bool saved = bas_.Trap(*this, "cmdOk_Click", bas_.GStrMasterNewEditFlag, [&] {
    db::Connection& con = *bas_.adocon;
    db::Transaction tx(con);
    // Claim the old processing first: when another user's re-processing
    // amended it since it was chosen, nothing else is written.
    if (!MarkAmended(con, bas_.intCompanyID, cboPrrocNo.SelectedData(), !EditMode())) {
      claimed = false;
      return;  // rolled back
    }
    bas_.objAudit->LoggedTime = text::Now();
    SaveHeader();
    SaveDetails();
    SaveCashFlow();
    id = EditMode() ? bas_.lngEditProcessingID : new_id_;
    bas_.objAudit->SaveOskendalInfo(id, EditMode() ? txtPNo.Text() : new_number_, true, bas_.GStrMasterNewEditFlag,
                                    this);
    tx.Commit();
  });
  if (!saved) {
    bas_.MsgBox(shell::kSaveFailed, forms::vbCritical);
    return false;
  }
  if (!claimed) {
    bas_.MsgBox(kAlreadyAmended);
    return false;
  }
  // Committed: only now does the register show it.
  bas_.UpdateEditedRow(" hphProcessingID=?", {I(id)}, id);
  Tag.clear();
  return true;
}

void frmReprocessing::cmdOK_Click() {
  bas_.Trap(*this, "cmdOk_Click", bas_.GStrMasterNewEditFlag, [&] {
    if (Save()) Unload();
  });
}

void frmReprocessing::cmdClose_Click() {
  bas_.Trap(*this, "cmdClose_Click", bas_.GStrMasterNewEditFlag, [&] { Unload(); });
}

}  // namespace hp::reprocessing
