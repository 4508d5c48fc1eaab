#include "reprocessing/reprocessing_screen.h"

#include "customer/frm_customer_fetch.h"
#include "platform/text/date_text.h"
#include "platform/text/number_text.h"

namespace hp::reprocessing {
namespace {

using forms::MsgBoxResult;

db::Value I(std::int64_t v) { return v; }

}  // namespace

const std::vector<forms::ListView::Column>& ScheduleColumns() {
  static const std::vector<forms::ListView::Column> columns = {
      {"Rental No", 900},          {"Cheque Date", 1100},     {"Capital", 1100},   {"Rental", 1000},
      {"Interest", 1000},          {"Capital Repayment", 1300}, {"Capital Balance", 1200},
      {"Bank Name", 1500},         {"ChequeNo", 1000},        {"Amount", 1000},    {"Settlement Amt", 1200},
      {"MonthlyRate", 1000}};
  return columns;
}

const std::vector<forms::ListView::Column>& CashFlowColumns() {
  static const std::vector<forms::ListView::Column> columns = {
      {"Cash Flow", 1000}, {"Discount Factor", 2000}, {"Rental Amount", 1800}, {"Discount Cash Flow", 2000}};
  return columns;
}

ReprocessingScreen::ReprocessingScreen(shell::BasModule& bas, std::string name)
    : Form(bas.host, std::move(name)),
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
      bas_(bas) {
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
  cmdCustfetch.TabStop = false;

  auto enter_as_tab = [this](int& key) { bas_.EnterAsTab(key); };
  cbodepartment.KeyPress = enter_as_tab;
  cboCustomer.KeyPress = enter_as_tab;
  cboPrrocNo.KeyPress = enter_as_tab;
  cboCustomer.Change = [this] { cboCustomer_Change(); };
  cboCustomer.Click = [this] { cboCustomer_Click(); };
  cboPrrocNo.Click = [this] { cboPrrocNo_Click(); };
  cmdCustfetch.Click = [this] { cmdCustfetch_Click(); };
}

void ReprocessingScreen::BindShared(const SharedControls& controls) {
  const SharedControls& c = c_.emplace(controls);
  c.txtRemarks.MaxLength = 200;
  c.txtUserName.Visible = false;
  CancelButton = &c.cmdClose;

  auto enter_as_tab = [this](int& key) { bas_.EnterAsTab(key); };
  c.optAuto.KeyPress = enter_as_tab;
  c.optMan.KeyPress = enter_as_tab;
  c.txtRemarks.KeyPress = enter_as_tab;
  c.sstbDetails.KeyPress = enter_as_tab;
  c.txtNoRetals.GotFocus = [this] { shell::BasModule::SelectAllText(c_->txtNoRetals); };
  c.txtRemarks.GotFocus = [this] { shell::BasModule::SelectAllText(c_->txtRemarks); };
  c.txtRentalAmount.GotFocus = [this] { shell::BasModule::SelectAllText(c_->txtRentalAmount); };
  c.txtNoRetals.KeyPress = [this](int& key) {
    if (!bas_.Trap(*this, "txtNoRetals_KeyPress", bas_.GStrMasterNewEditFlag, [&] { NoOfRentalsKeyPress(key); }))
      key = 0;
  };
  c.txtRentalAmount.KeyPress = [this](int& key) {
    if (!bas_.Trap(*this, "txtRentalAmount_KeyPress", bas_.GStrMasterNewEditFlag, [&] { RentalAmountKeyPress(key); }))
      key = 0;
  };
  c.optAuto.Click = [this] { optAuto_Click(); };
  c.optMan.Click = [this] { optMan_Click(); };
  c.cmdReProcess.Click = [this] { cmdReProcess_Click(); };
  c.cmdOk.Click = [this] { cmdOK_Click(); };
  c.cmdClose.Click = [this] { cmdClose_Click(); };
}

bool ReprocessingScreen::EditMode() const { return bas_.GStrMasterNewEditFlag == "E"; }

bool ReprocessingScreen::ConfirmClearing(const std::string& question) {
  return bas_.MsgBox(question, forms::vbYesNo + forms::vbInformation) == MsgBoxResult::Yes;
}

// ---- Loading and activation ---------------------------------------------------

void ReprocessingScreen::Form_Load() {
  bas_.Trap(*this, "Form_Load", bas_.GStrMasterNewEditFlag, [&] {
    db_.adocon = bas_.adocon;
    bas_.objColour->ApplyPavlin(*this);
    bas_.objColour->Applytabcolor(c_->sstbDetails);
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
    c_->sstbDetails.Current = 0;
    if (EditMode()) {
      c_->optAuto.Enabled = false;
      c_->optMan.Enabled = false;
    }
  });
}

void ReprocessingScreen::FillCustomers() {
  if (EditMode())
    db_.SetTable("losHpCustomerDetails where HPVerified=1 order by hpCustName ");
  else
    db_.SetTable(NewModeCustomers(), {I(bas_.intCompanyID)});
  db_.populateComboOrList(cboCustomer, "distinct(hpCustID)", "hpCustName");
}

void ReprocessingScreen::Form_Activate() {
  bas_.Trap(*this, "Form_Activate", bas_.GStrMasterNewEditFlag, [&] {
    if (first_activation_) {
      first_activation_ = false;
      Tag = "loaded";
      bas_.objAudit->SaveInToTag(*this);
      FirstActivation();
    }
    std::optional<double> rentals = text::ParseNumber(c_->txtNoRetals.Text());
    if (rentals && *rentals == bas_.intSelectedRentalNo && c_->cmdOk.Enabled) c_->cmdOk.SetFocus();
  });
}

void ReprocessingScreen::Form_QueryUnload(bool& cancel) {
  bool ok = bas_.Trap(*this, "Form_QueryUnload", bas_.GStrMasterNewEditFlag, [&] {
    if (Tag.empty() || !c_->cmdOk.Enabled || !bas_.objAudit->DataChanged(*this)) return;
    MsgBoxResult answer = bas_.MsgBox("Save Changes?", forms::vbYesNoCancel + forms::vbInformation);
    if (answer == MsgBoxResult::Cancel)
      cancel = true;
    else if (answer == MsgBoxResult::Yes && !Save())
      cancel = true;  // not stored: stay
  });
  if (!ok) cancel = true;
}

// ---- Choosing the processing ----------------------------------------------------

void ReprocessingScreen::cboCustomer_Change() {
  ClearAllDetails();
  cboPrrocNo.Clear();
}

void ReprocessingScreen::cboCustomer_Click() {
  if (EditMode() || cboCustomer.ListIndex() < 0) return;
  bas_.Trap(*this, "cboCustomer_Click", bas_.GStrMasterNewEditFlag, [&] {
    const std::int64_t chosen = cboCustomer.SelectedData();
    if (ScheduleList().Count() > 0) {
      if (chosen == remembered_customer_) return;
      if (!ConfirmClearing("All Details Will Be Cleared .\r Do you Want to Continue?")) {
        gen_.SelectComboItemByValue(cboCustomer, remembered_customer_);
        return;
      }
      ClearAllDetails();
    }
    remembered_customer_ = chosen;
    FillProcessingNumbers(chosen, cbodepartment.SelectedData());
  });
}

void ReprocessingScreen::FillProcessingNumbers(std::int64_t customer, std::int64_t department) {
  ForgetSchedule();
  // Without a department there is nothing to list (the processings are the
  // department's).
  if (cbodepartment.ListIndex() < 0) {
    cboPrrocNo.Clear();
    return;
  }
  const db::Params params{I(bas_.intCompanyID), I(customer), I(department)};
  if (EditMode())
    db_.SetTable("aHpProcessingHeader where hphCompanyID=? And hphCustomerID=? And hphDepartmentID=?", params);
  else
    db_.SetTable(NewModeProcessings(), params);
  db_.populateComboOrList(cboPrrocNo, "hphProcessingID", "hphProcessingNo");
}

void ReprocessingScreen::cmdCustfetch_Click() {
  bas_.Trap(*this, "cmdCustfetch_Click", bas_.GStrMasterNewEditFlag, [&] {
    customer::frmCustomerFetch fetch(bas_);
    host().ShowModal(fetch);
    if (fetch.SelectedCustomerID != 0) gen_.SelectComboItemByValue(cboCustomer, fetch.SelectedCustomerID);
  });
}

void ReprocessingScreen::ClearAllDetails() {
  const SharedControls& c = *c_;
  ScheduleList().Clear();
  c.lvwCashFlow.Clear();
  for (forms::TextBox* box : {&c.txtNoRetals, &c.txtRentalAmount, &c.txtInstallmentPrice, &c.txtSP, &c.txtDP,
                              &c.txtBal, &c.txtMonthlyRate, &c.txtInterestRate, &c.txtRemarks})
    box->SetText("");
  cboPrrocNo.SetText("");
  for (forms::TextBox* box : {&c.txtAdjCapitalBal, &c.txtAdjustments, &c.txtReceipted, &c.txtInvoice})
    box->SetText("");
  ClearOwnDetails();
  ForgetSchedule();
}

// ---- Mode -------------------------------------------------------------------------

void ReprocessingScreen::optAuto_Click() {
  const SharedControls& c = *c_;
  if (ScheduleList().Count() > 0 && ConfirmClearing("All Details Will be Cleared .\rDo you want to Continue ."))
    ClearAllDetails();
  c.txtRentalAmount.BackColor = forms::kLightYellow;
  c.txtNoRetals.BackColor = forms::kLightYellow;
  c.txtRentalAmount.Enabled = true;
  c.txtNoRetals.Enabled = true;
  ModeChosen('A');
}

void ReprocessingScreen::optMan_Click() {
  const SharedControls& c = *c_;
  if (ScheduleList().Count() > 0 && ConfirmClearing("All Details Will be Cleared .\rDo you want to Continue ."))
    ClearAllDetails();
  c.txtRentalAmount.BackColor = forms::kDefaultColour;
  c.txtNoRetals.BackColor = forms::kDefaultColour;
  c.txtRentalAmount.Enabled = false;
  c.txtNoRetals.Enabled = false;
  // The lines entered by hand start again, whatever the answer.
  c.lvwReProcessing.Clear();
  c.lvwCashFlow.Clear();
  ModeChosen('M');
}

// ---- Save ------------------------------------------------------------------------------

bool ReprocessingScreen::Save() {
  if (!ValidateEntries()) return false;
  std::string refusal;
  std::int32_t id = 0;
  const bool saved = bas_.Trap(*this, "cmdOk_Click", bas_.GStrMasterNewEditFlag, [&] {
    db::Connection& con = *bas_.adocon;
    db::Transaction tx(con);
    std::string number;
    refusal = WriteRecords(con, id, number);
    if (!refusal.empty()) return;  // rolled back
    bas_.objAudit->SaveOskendalInfo(id, number, true, bas_.GStrMasterNewEditFlag, this);
    tx.Commit();
  });
  if (!saved) {
    bas_.MsgBox(shell::kSaveFailed, forms::vbCritical);
    return false;
  }
  if (!refusal.empty()) {
    bas_.MsgBox(refusal);
    return false;
  }
  // Committed: only now does the register show it.
  bas_.UpdateEditedRow(" hphProcessingID=?", {I(id)}, id);
  Tag.clear();
  return true;
}

void ReprocessingScreen::cmdOK_Click() {
  bas_.Trap(*this, "cmdOk_Click", bas_.GStrMasterNewEditFlag, [&] {
    if (Save()) Unload();
  });
}

void ReprocessingScreen::cmdClose_Click() {
  bas_.Trap(*this, "cmdClose_Click", bas_.GStrMasterNewEditFlag, [&] { Unload(); });
}

}  // namespace hp::reprocessing
