#include "processing/frm_processing.h"

#include <limits>
#include <stdexcept>

#include "customer/frm_customer_fetch.h"
#include "platform/db/connection.h"
#include "platform/text/number_text.h"
#include "processing/frm_pop_up.h"
#include "processing/processing_no.h"
#include "processing/processing_records.h"

namespace hp::processing {
namespace {

using forms::MsgBoxResult;

db::Value I(std::int64_t v) { return v; }

bool Blank(const std::string& s) { return s.find_first_not_of(" \t") == std::string::npos; }

// The rental list's cheque columns.
constexpr int kBankName = 7;
constexpr int kChequeNo = 8;

const std::vector<forms::ListView::Column> kScheduleColumns = {
    {"Rental No", 900},  {"Cheque Date", 1200},      {"Capital", 1200},         {"Rental", 1000},
    {"Interest", 1000},  {"Capital Repayment", 1500}, {"Capital Balance", 1400}, {"Bank Name", 1600},
    {"ChequeNo", 1100},  {"Amount", 1000},           {"Settlement Amt", 1300},  {"MonthlyRate", 1100}};

// A No of Rentals the schedule can lay out: a whole number of at least 1.
bool WholeRentals(const std::string& text) {
  try {
    LineCount(text);
    return true;
  } catch (const ScheduleError&) {
    return false;
  }
}

void AddLine(forms::ListView& list, const ScheduleLine& line) {
  int row = list.Add(line.rental_no_text);
  auto sub = line.SubItems();
  for (size_t j = 0; j < sub.size(); ++j) list.Item(row).SetSubItem(static_cast<int>(j) + 1, sub[j]);
}

std::int32_t Id32(const db::Value& v, const char* what) {
  std::int64_t id = db::AsInt(v);
  if (id < std::numeric_limits<std::int32_t>::min() || id > std::numeric_limits<std::int32_t>::max())
    throw std::out_of_range(std::string(what) + " " + std::to_string(id) + " is out of range");
  return static_cast<std::int32_t>(id);
}

}  // namespace

frmProcessing::frmProcessing(shell::BasModule& bas)
    : Form(bas.host, "frmProcessing"),
      lblPNo(*this, "lblPNo", "Processing No:"),
      txtPNo(*this, "txtPNo"),
      lblDate(*this, "lblDate", "Processing Date:"),
      txtDate(*this, "txtDate"),
      lbldepartment(*this, "lbldepartment", "Department:"),
      cbodepartment(*this, "cbodepartment"),
      lblCustomer(*this, "lblCustomer", "CustomerName:"),
      cboCustomer(*this, "cboCustomer"),
      cmdCustfetch(*this, "cmdCustfetch", "----"),
      lblInvoice(*this, "lblInvoice", "Invoice No:"),
      cboInvoice(*this, "cboInvoice"),
      lblSP(*this, "lblSP", "Cash Price:"),
      txtSP(*this, "txtSP"),
      lblDP(*this, "lblDP", "Down Payment:"),
      txtDP(*this, "txtDP"),
      lblBal(*this, "lblBal", "Balance:"),
      txtBal(*this, "txtBal"),
      lblInstallmentPrice(*this, "lblInstallmentPrice", "Installment Price:"),
      txtInstallmentPrice(*this, "txtInstallmentPrice"),
      lblNoRetals(*this, "lblNoRetals", "No of Rentals:"),
      txtNoRetals(*this, "txtNoRetals"),
      lblRentalAmount(*this, "lblRentalAmount", "Rental Amount:"),
      txtRentalAmount(*this, "txtRentalAmount"),
      lblMonthlyRate(*this, "lblMonthlyRate", "Monthly Rate:"),
      txtMonthlyRate(*this, "txtMonthlyRate"),
      lblMonthlyPercent(*this, "lblMonthlyPercent", "%"),
      lblInterestRate(*this, "lblInterestRate", "Rate of Interest:"),
      txtInterestRate(*this, "txtInterestRate"),
      lblInterestPercent(*this, "lblInterestPercent", "%"),
      lblRemarks(*this, "lblRemarks", "Remarks:"),
      txtRemarks(*this, "txtRemarks"),
      cmdProcess(*this, "cmdProcess", "&Process Interest"),
      lvwProcessing(*this, "lvwProcessing"),
      lblTotRental(*this, "lblTotRental", "Total Rental:"),
      txtTotRental(*this, "txtTotRental"),
      lblTotInterest(*this, "lblTotInterest", "Total Interest:"),
      txtTotInterest(*this, "txtTotInterest"),
      lblTotCapital(*this, "lblTotCapital", "Total Capital:"),
      txtTotCapitalRepayment(*this, "txtTotCapitalRepayment"),
      cmdOK(*this, "cmdOK", "&OK"),
      cmdClose(*this, "cmdClose", "&Close"),
      txtUserName(*this, "txtUserName"),
      Frame2(*this, "Frame2"),
      lvwProcessBeforeTax(*this, "lvwProcessBeforeTax"),
      txtSPBT(*this, "txtSPBT"),
      txtDPBT(*this, "txtDPBT"),
      txtBalBT(*this, "txtBalBT"),
      txtInstallmentPriceBT(*this, "txtInstallmentPriceBT"),
      txtNoRetalsBT(*this, "txtNoRetalsBT"),
      txtRentalAmountBT(*this, "txtRentalAmountBT"),
      txtMonthlyRateBT(*this, "txtMonthlyRateBT"),
      txtInterestRateBT(*this, "txtInterestRateBT"),
      txtTotRentalBT(*this, "txtTotRentalBT"),
      txtTotInterestBT(*this, "txtTotInterestBT"),
      txtTotCapitalRepaymentBT(*this, "txtTotCapitalRepaymentBT"),
      bas_(bas) {
  Caption = "Hire Purchase Processing";
  Width = 12100;
  Height = 8900;
  lblPNo.Place(120, 150, 1500, 285);
  txtPNo.Place(1700, 120, 1800, 315);
  lblDate.Place(4000, 150, 1500, 285);
  txtDate.Place(5600, 120, 1500, 315);
  lbldepartment.Place(120, 570, 1500, 285);
  cbodepartment.Place(1700, 540, 3000, 315);
  lblCustomer.Place(5000, 570, 1500, 285);
  cboCustomer.Place(6600, 540, 3600, 315);
  cmdCustfetch.Place(10300, 540, 500, 315);
  lblInvoice.Place(120, 990, 1500, 285);
  cboInvoice.Place(1700, 960, 3000, 315);
  lblSP.Place(120, 1410, 1500, 285);
  txtSP.Place(1700, 1380, 1800, 315);
  lblDP.Place(4000, 1410, 1500, 285);
  txtDP.Place(5600, 1380, 1800, 315);
  lblBal.Place(7800, 1410, 1500, 285);
  txtBal.Place(9400, 1380, 1800, 315);
  lblInstallmentPrice.Place(120, 1830, 1500, 285);
  txtInstallmentPrice.Place(1700, 1800, 1800, 315);
  lblNoRetals.Place(4000, 1830, 1500, 285);
  txtNoRetals.Place(5600, 1800, 1800, 315);
  lblRentalAmount.Place(7800, 1830, 1500, 285);
  txtRentalAmount.Place(9400, 1800, 1800, 315);
  lblMonthlyRate.Place(120, 2250, 1500, 285);
  txtMonthlyRate.Place(1700, 2220, 1500, 315);
  lblMonthlyPercent.Place(3250, 2250, 200, 285);
  lblInterestRate.Place(4000, 2250, 1500, 285);
  txtInterestRate.Place(5600, 2220, 1500, 315);
  lblInterestPercent.Place(7150, 2250, 200, 285);
  cmdProcess.Place(9400, 2200, 1800, 400);
  lblRemarks.Place(120, 2670, 1500, 285);
  txtRemarks.Place(1700, 2640, 9500, 315);
  lvwProcessing.Place(120, 3100, 11700, 4200);
  lblTotRental.Place(120, 7430, 1300, 285);
  txtTotRental.Place(1500, 7400, 1600, 315);
  lblTotInterest.Place(3300, 7430, 1300, 285);
  txtTotInterest.Place(4700, 7400, 1600, 315);
  lblTotCapital.Place(6500, 7430, 1300, 285);
  txtTotCapitalRepayment.Place(7900, 7400, 1600, 315);
  cmdOK.Place(9300, 7900, 1150, 400);
  cmdClose.Place(10600, 7900, 1150, 400);
  txtUserName.Visible = false;
  lvwProcessing.Columns = kScheduleColumns;

  Frame2.Place(120, 9000, 11700, 4000);
  lvwProcessBeforeTax.Columns = kScheduleColumns;
  lvwProcessBeforeTax.Container = &Frame2;
  lvwProcessBeforeTax.Place(120, 1300, 11400, 2500);
  int left = 120;
  for (forms::TextBox* box : {&txtSPBT, &txtDPBT, &txtBalBT, &txtInstallmentPriceBT, &txtNoRetalsBT,
                              &txtRentalAmountBT, &txtMonthlyRateBT, &txtInterestRateBT}) {
    box->Container = &Frame2;
    box->Place(left, 240, 1300, 315);
    left += 1420;
  }
  txtTotRentalBT.Place(120, 13100, 1600, 315);
  txtTotInterestBT.Place(1800, 13100, 1600, 315);
  txtTotCapitalRepaymentBT.Place(3500, 13100, 1600, 315);

  // Figures the screen computes or loads are shown, not typed; Enter walks
  // the boxes the user fills.
  for (forms::TextBox* box : {&txtPNo, &txtDate, &txtSP, &txtDP, &txtBal, &txtInstallmentPrice, &txtMonthlyRate,
                              &txtInterestRate, &txtTotRental, &txtTotInterest, &txtTotCapitalRepayment}) {
    box->Locked = true;
    box->TabStop = false;
  }
  cmdCustfetch.TabStop = false;

  auto enter_as_tab = [this](int& key) { bas_.EnterAsTab(key); };
  for (forms::TextBox* box :
       {&txtBal, &txtDate, &txtDP, &txtInstallmentPrice, &txtInterestRate, &txtPNo, &txtRemarks, &txtSP})
    box->KeyPress = enter_as_tab;
  cboCustomer.KeyPress = enter_as_tab;
  cboInvoice.KeyPress = enter_as_tab;
  auto amount_key = [this](forms::TextBox& box) {
    return [this, &box](int& key) {
      if (key == 45) key = 0;  // never negative
      bas_.EnterAsTab(key);
      gen_.TextValidateNum(box, key, 12, 2);
    };
  };
  txtNoRetals.KeyPress = amount_key(txtNoRetals);
  txtRentalAmount.KeyPress = amount_key(txtRentalAmount);
  // A schedule belongs to the inputs it was computed from.
  txtNoRetals.Change = [this] { schedule_processed_ = false; };
  txtRentalAmount.Change = [this] { schedule_processed_ = false; };
  for (forms::TextBox* box : {&txtNoRetals, &txtRentalAmount, &txtRemarks})
    box->GotFocus = [box] { shell::BasModule::SelectAllText(*box); };

  cbodepartment.Click = [this] { cbodepartment_Click(); };
  cboCustomer.Click = [this] { cboCustomer_Click(); };
  cboInvoice.Click = [this] { cboInvoice_Click(); };
  cmdProcess.Click = [this] { cmdProcess_Click(); };
  lvwProcessing.DblClick = [this] { lvwProcessing_DblClick(); };
  lvwProcessing.KeyPress = [this](int& key) {
    if (key == 13) lvwProcessing_DblClick();
  };
  cmdCustfetch.Click = [this] { cmdCustfetch_Click(); };
  cmdOK.Click = [this] { cmdOK_Click(); };
  cmdClose.Click = [this] { cmdClose_Click(); };
}

bool frmProcessing::EditMode() const { return bas_.GStrMasterNewEditFlag == "E"; }

void frmProcessing::Form_Load() {
  bas_.Trap(*this, "Form_Load", bas_.GStrMasterNewEditFlag, [&] {
    db_.adocon = bas_.adocon;
    bas_.objColour->ApplyPavlin(*this);
    first_activation_ = true;
    // Process Interest waits for an invoice's figures.
    cmdProcess.Enabled = false;
    db_.SetTable("adepartmentmaster");
    db_.populateComboOrList(cbodepartment, "DepartmentID", "DepartmentName", "CompanyID = ? order by DepartmentName",
                            {I(bas_.intCompanyID)});
    if (bas_.intdepartmentid < 1) {
      cbodepartment.Enabled = true;
      FillCustomers();
    } else {
      gen_.SelectComboItemByValue(cbodepartment, bas_.intdepartmentid);  // fills the customers
      cbodepartment.Enabled = false;
    }
    txtDate.SetText(text::ShortDate(bas_.dtProcessDate));
    cmdCustfetch.Visible = false;
    Frame2.Visible = false;
    txtTotRentalBT.Visible = false;
    txtTotInterestBT.Visible = false;
    txtTotCapitalRepaymentBT.Visible = false;
  });
}

void frmProcessing::Form_Activate() {
  bas_.Trap(*this, "Form_Activate", bas_.GStrMasterNewEditFlag, [&] {
    if (first_activation_) {
      first_activation_ = false;
      Tag = "loaded";
      bas_.objAudit->SaveInToTag(*this);
    }
    // Back from the cheque dialog after its last line: OK is next.
    const int lines = lvwProcessing.Count();
    if (lines > 0 && bas_.intSelectedRentalNo == lines && !Blank(txtNoRetals.Text()) && cmdOK.Enabled)
      cmdOK.SetFocus();
  });
}

void frmProcessing::Form_QueryUnload(bool& cancel) {
  bool ok = bas_.Trap(*this, "Form_QueryUnload", bas_.GStrMasterNewEditFlag, [&] {
    if (Tag.empty() || !cmdOK.Enabled || !bas_.objAudit->DataChanged(*this)) return;
    MsgBoxResult answer = bas_.MsgBox("Save Changes?", forms::vbYesNoCancel + forms::vbInformation);
    if (answer == MsgBoxResult::Cancel) cancel = true;
    else if (answer == MsgBoxResult::Yes && !Save()) cancel = true;  // not stored: stay
  });
  if (!ok) cancel = true;
}

bool frmProcessing::AskBeforeClearing() {
  return bas_.MsgBox(std::string("All Details Will Be Cleared .") + "\r" + " Do you Want to Continue?",
                     forms::vbYesNo + forms::vbQuestion) == MsgBoxResult::Yes;
}

// Only a session without a department can choose one here; the customers
// offered are those with an invoice open for processing in it.
void frmProcessing::cbodepartment_Click() {
  bas_.Trap(*this, "cbodepartment_Click", bas_.GStrMasterNewEditFlag, [&] {
    const std::int64_t department = cbodepartment.SelectedData();
    if (department == listed_department_ && cboCustomer.ListCount() > 0) return;
    if (!EditMode() && lvwProcessing.Count() > 0 && !AskBeforeClearing()) {
      if (listed_department_ != 0) gen_.SelectComboItemByValue(cbodepartment, listed_department_);
      else cbodepartment.SetListIndex(-1);
      return;
    }
    ClearDetails();
    FillCustomers();
  });
}

void frmProcessing::FillCustomers() {
  listed_department_ = cbodepartment.SelectedData();
  listed_customer_ = 0;
  cboCustomer.Clear();
  cboInvoice.Clear();
  ForgetInvoice();
  if (EditMode()) {
    db_.SetTable("losHpCustomerDetails where HPVerified=1 order by hpCustName ");
  } else {
    db_.SetTable(
        "losHpCustomerDetails Inner Join  losHpInvoiceHeader ON  hpqhCompanyID=? "
        " And hpqhType='I' And  hpqhCancel=0 And hpqhConfirmed=1 And hpqhProcessed=0 "
        " And hpqhCustomerID= hpCustID"
        " And hpqhShopID in (Select shopId from ashops where DepartmentID=?)"
        " where HPVerified=1 order by hpCustName ",
        {I(bas_.intCompanyID), I(listed_department_)});
  }
  db_.populateComboOrList(cboCustomer, "distinct(hpCustID)", "hpCustName");
}

void frmProcessing::cboCustomer_Click() {
  bas_.Trap(*this, " cbocustomer_Click", bas_.GStrMasterNewEditFlag, [&] {
    const std::int64_t customer = cboCustomer.SelectedData();
    if (!EditMode() && cboCustomer.ListIndex() >= 0 && lvwProcessing.Count() > 0) {
      if (customer == listed_customer_) return;
      if (!AskBeforeClearing()) {
        gen_.SelectComboItemByValue(cboCustomer, listed_customer_);
        return;
      }
    }
    ClearDetails();
    listed_customer_ = customer;
    FillInvoices();
  });
}

void frmProcessing::ClearDetails() {
  lvwProcessing.Clear();
  for (forms::TextBox* box : {&txtNoRetals, &txtRentalAmount, &txtInstallmentPrice, &txtSP, &txtDP, &txtBal,
                              &txtMonthlyRate, &txtInterestRate, &txtRemarks})
    box->SetText({});
  schedule_processed_ = false;
}

// No invoice's figures are on the screen any more: nothing to process or save.
void frmProcessing::ForgetInvoice() {
  cmdProcess.Enabled = false;
  schedule_processed_ = false;
  bas_.intChequeRegisterID = 0;
}

void frmProcessing::FillInvoices() {
  cboInvoice.Clear();
  ForgetInvoice();
  const std::int64_t department = cbodepartment.SelectedData();
  if (cbodepartment.ListIndex() < 0 || cboCustomer.ListIndex() < 0) return;
  // A stored processing's invoice is already marked processed.
  const char* open = EditMode() ? " And hpqhType='I'  And hpqhProcessed=1 "
                                : " And hpqhType='I' And  hpqhCancel=0 And hpqhConfirmed=1 And hpqhProcessed=0 ";
  db_.SetTable(std::string("losHpInvoiceHeader where hpqhCompanyID=? ") + open +
                   " And hpqhCustomerID= ? "
                   " And hpqhShopID in (Select shopId from ashops where DepartmentID=?)"
                   // In the order they were entered, on every database.
                   " order by hpqhQuotationID",
               {I(bas_.intCompanyID), I(listed_customer_), I(department)});
  db_.populateComboOrList(cboInvoice, "hpqhQuotationID", "hpqhQuotationNo");
}

void frmProcessing::cboInvoice_Click() {
  bas_.Trap(*this, "cboInvoice_Click", bas_.GStrMasterNewEditFlag, [&] {
    ForgetInvoice();
    if (cboInvoice.ListIndex() < 0) return;
    const std::int64_t invoice = cboInvoice.SelectedData();
    db::Recordset rs = bas_.adocon->Open(
        "select hpqhChqReg from loshpInvoiceHeader where hpqhQuotationId=? and hpqhCompanyID=?",
        {I(invoice), I(bas_.intCompanyID)});
    if (rs.Eof()) throw std::runtime_error("invoice " + std::to_string(invoice) + " is not on file");
    // Rentals are paid by the register's cheques: without a live register
    // there is nothing to process.
    db::Value reg;
    if (db::AsInt(rs.Field("hpqhChqReg")) != 0) {
      db_.SetTable("losHpChequeRegisterHeader");
      reg = db_.fnreturnfield("hphChqRegID", " hphinvoiceid=? and hphCancel=0", {I(invoice)});
    }
    if (db::IsNull(reg)) {
      ClearDetails();
      bas_.MsgBox("Cheque Register is empty");
      return;
    }
    bas_.intChequeRegisterID = Id32(reg, "cheque register");
    FillInvoiceDetails(invoice);
    if (service_tax_) FillBeforeTaxDetails(invoice);
    cmdProcess.Enabled = true;
  });
}

void frmProcessing::FillInvoiceDetails(std::int64_t invoice) {
  db::Recordset rs = bas_.adocon->Open(
      "Select *, case when coalesce(hpqhServTaxCateId, 0)=0 then 0 else 1 end as hpqhServiceTaxFlag "
      "from losHpInvoiceHeader where hpqhquotationId=? and hpqhCompanyID=?",
      {I(invoice), I(bas_.intCompanyID)});
  if (rs.Eof()) throw std::runtime_error("invoice " + std::to_string(invoice) + " is not on file");
  txtSP.SetText(text::Format00(db::AsDouble(rs.Field("hpqhAmount"))));
  txtDP.SetText(text::Format00(db::AsDouble(rs.Field("hpqhFirstInstAmt"))));
  txtBal.SetText(text::Format00(text::NumberOf(txtSP.Text()) - text::NumberOf(txtDP.Text())));
  txtNoRetals.SetText(db::AsText(rs.Field("hpqhinstPeriod")));
  txtRentalAmount.SetText(text::Format00(db::AsDouble(rs.Field("hpqhMonthilyPay"))));
  txtInstallmentPrice.SetText(db::AsText(rs.Field("hpqhInstPrice")));
  delivery_date_ = db::AsText(rs.Field("hpqhDelivaryDate"));
  service_tax_ = db::AsBool(rs.Field("hpqhServiceTaxFlag"));
}

void frmProcessing::FillBeforeTaxDetails(std::int64_t invoice) {
  db::Recordset rs = bas_.adocon->Open(
      "Select od.hpqdActSellingPrice,hpqdActDP,h.hpqhinstPeriod,od.hpqdActMonthlyPayment,"
      "od.hpqdActInstallmentPrice,h.hpqhQuotationDate,h.hpqhDelivaryDate "
      " from losHpInvoiceHeader h inner join losHpInvoiceDetailOthers od on h.hpqhShopId=od.hpqdShopId and "
      " h.hpqhQuotationId  = od.hpqdQuotationId "
      " where hpqhquotationId=? and h.hpqhCompanyID=?",
      {I(invoice), I(bas_.intCompanyID)});
  // A service-tax invoice is stored with both schedules or not at all.
  if (rs.Eof())
    throw std::runtime_error("invoice " + std::to_string(invoice) +
                             " has a service tax category but no before-tax figures");
  txtSPBT.SetText(text::Format00(db::AsDouble(rs.Field("hpqdActSellingPrice"))));
  txtDPBT.SetText(text::Format00(db::AsDouble(rs.Field("hpqdActDP"))));
  txtBalBT.SetText(text::Format00(text::NumberOf(txtSPBT.Text()) - text::NumberOf(txtDPBT.Text())));
  txtNoRetalsBT.SetText(db::AsText(rs.Field("hpqhinstPeriod")));
  txtRentalAmountBT.SetText(text::Format00(db::AsDouble(rs.Field("hpqdActMonthlyPayment"))));
  txtInstallmentPriceBT.SetText(db::AsText(rs.Field("hpqdActInstallmentPrice")));
}

bool frmProcessing::Refuse(const std::string& message, forms::Control& focus) {
  bas_.MsgBox(message);
  focus.SetFocus();
  return false;
}

bool frmProcessing::ValidateEntries(const std::string& mode) {
  if (cbodepartment.ListIndex() < 0) return Refuse("Select Department .", cbodepartment);
  if (cboCustomer.ListIndex() < 0) return Refuse("Select a Customer .", cboCustomer);
  if (cboInvoice.ListIndex() < 0) return Refuse("Select an Invoice .", cboInvoice);
  // Checked for Process too: the rate is solved for this many periods and
  // this many lines are laid out, so it must be one whole number.
  if (!WholeRentals(txtNoRetals.Text())) return Refuse("Enter No of Rentals .", txtNoRetals);
  const auto rental = text::ParseNumber(txtRentalAmount.Text());
  if (!rental || *rental <= 0) return Refuse("Enter Rental Amount .", txtRentalAmount);
  if (mode == "P") return true;
  if (lvwProcessing.Count() == 0 || !schedule_processed_) {
    bas_.MsgBox("Interest Processing Not done .");
    if (cmdProcess.Enabled) cmdProcess.SetFocus();
    return false;
  }
  for (int i = 0; i < lvwProcessing.Count(); ++i) {
    const forms::ListItem& line = lvwProcessing.Item(i);
    if (Blank(line.SubItem(kBankName)) || Blank(line.SubItem(kChequeNo))) {
      bas_.MsgBox("Cheque Details Not Entered");
      lvwProcessing.SetFocus();
      lvwProcessing.Select(i);
      return false;
    }
  }
  return true;
}

void frmProcessing::cmdProcess_Click() {
  bool ok = bas_.Trap(*this, "cmdProcess_Click", bas_.GStrMasterNewEditFlag, [&] {
    if (!ValidateEntries("P")) return;
    if (lvwProcessing.Count() > 0) {
      if (bas_.MsgBox(std::string("Processed Data will be Cleared . ") + "\r" + " Do you want to continue?",
                      forms::vbYesNo + forms::vbQuestion) != MsgBoxResult::Yes)
        return;
      lvwProcessing.Clear();
    }
    schedule_processed_ = false;
    ProcessInterest();
    if (service_tax_) ProcessInterestBeforeTax();
    schedule_processed_ = true;
    lvwProcessing.SetFocus();
  });
  if (!ok) bas_.MsgBox(kProcessFailed);
}

ChequeRef frmProcessing::ChequeFor(const text::Date& due_date) {
  db::Recordset rs = bas_.adocon->Open(
      "select hpdBankName, hpdChqNo from losHpChequeRegisterDetail where hpdChqRegID = ? and hpdChqDate = ?",
      {I(bas_.intChequeRegisterID), text::IsoDate(due_date)});
  if (rs.Eof()) return {};
  return {db::AsText(rs.Field("hpdBankName")), db::AsText(rs.Field("hpdChqNo"))};
}

void frmProcessing::ProcessInterest() {
  ScheduleSink sink;
  sink.rates = [this](const ScheduleRates& r) {
    txtMonthlyRate.SetText(r.rate);
    txtInterestRate.SetText(r.interest_rate);
    txtMonthlyRate.SetText(r.monthly_rate);
  };
  sink.line = [this](const ScheduleLine& line) { AddLine(lvwProcessing, line); };
  ScheduleTotals totals =
      RunSchedule({txtBal.Text(), txtNoRetals.Text(), txtRentalAmount.Text(), delivery_date_},
                  [this](const text::Date& due) { return ChequeFor(due); }, sink);
  txtTotRental.SetText(totals.total_rental);
  txtTotInterest.SetText(totals.total_interest);
  txtTotCapitalRepayment.SetText(totals.total_capital);
}

// The same schedule on the invoice's before-tax figures, over the same number
// of rentals and the same due dates and cheques.
void frmProcessing::ProcessInterestBeforeTax() {
  txtNoRetalsBT.SetText(txtNoRetals.Text());
  lvwProcessBeforeTax.Clear();
  ScheduleSink sink;
  sink.rates = [this](const ScheduleRates& r) {
    txtMonthlyRateBT.SetText(r.rate);
    txtInterestRateBT.SetText(r.interest_rate);
    txtMonthlyRateBT.SetText(r.monthly_rate);
  };
  sink.line = [this](const ScheduleLine& line) { AddLine(lvwProcessBeforeTax, line); };
  ScheduleTotals totals =
      RunSchedule({txtBalBT.Text(), txtNoRetalsBT.Text(), txtRentalAmountBT.Text(), delivery_date_},
                  [this](const text::Date& due) { return ChequeFor(due); }, sink);
  txtTotRentalBT.SetText(totals.total_rental);
  txtTotInterestBT.SetText(totals.total_interest);
  txtTotCapitalRepaymentBT.SetText(totals.total_capital);
}

void frmProcessing::lvwProcessing_DblClick() {
  bas_.Trap(*this, "lvwProcessing_DblClick", bas_.GStrMasterNewEditFlag, [&] {
    const forms::ListItem* line = lvwProcessing.Selected();
    if (lvwProcessing.Count() == 0 || !line) return;
    const int rental = static_cast<int>(text::LeadingValue(line->text));
    if (rental == 0) return;
    bas_.intSelectedRentalNo = rental;
    frmPopUp popup(bas_, lvwProcessing);
    popup.Load();
    if (!popup.ShowRental()) return;
    host().ShowModal(popup);
  });
}

// The search button is hidden on this screen; kept so that the screen can
// offer the customer search as the re-processing screens do.
void frmProcessing::cmdCustfetch_Click() {
  bas_.Trap(*this, "cmdCustfetch_Click", bas_.GStrMasterNewEditFlag, [&] {
    customer::frmCustomerFetch fetch(bas_);
    host().ShowModal(fetch);
    if (fetch.SelectedCustomerID != 0) gen_.SelectComboItemByValue(cboCustomer, fetch.SelectedCustomerID);
  });
}

bool frmProcessing::Save() {
  if (!ValidateEntries("S")) return false;
  bool claimed = true;
  bool saved = bas_.Trap(*this, "cmdOk_Click", bas_.GStrMasterNewEditFlag, [&] {
    db::Connection& con = *bas_.adocon;
    const std::int64_t invoice = cboInvoice.SelectedData();
    const int department = static_cast<int>(cbodepartment.SelectedData());
    db::Transaction tx(con);
    // Claim the invoice first: when another user processed it since it was
    // chosen, nothing else is written.
    if (con.Execute("update losHpInvoiceHeader set hpqhProcessed=1 where hpqhquotationId=? and hpqhCompanyID=? "
                    "and hpqhProcessed=0",
                    {I(invoice), I(bas_.intCompanyID)}) == 0) {
      claimed = false;
      return;  // rolled back
    }
    ProcessingKeys keys = DrawProcessingKeys(bas_, department);
    new_id_ = keys.id;
    new_number_ = keys.number;

    HeaderRecord h;
    h.company = bas_.intCompanyID;
    h.department = department;
    h.id = new_id_;
    h.number = new_number_;
    h.date = bas_.dtProcessDate;
    h.customer = cboCustomer.SelectedData();
    h.invoice = invoice;
    h.financial = bas_.intfinancialId;
    h.cash_price = text::NumberOf(txtSP.Text());
    h.down_payment = text::NumberOf(txtDP.Text());
    h.balance = text::NumberOf(txtBal.Text());
    h.rentals = LineCount(txtNoRetals.Text());
    h.interest_rate = text::NumberOf(txtMonthlyRate.Text());
    if (!Blank(txtInstallmentPrice.Text())) h.installment_price = text::NumberOf(txtInstallmentPrice.Text());
    h.rental_amount = text::NumberOf(txtRentalAmount.Text());
    h.remarks = txtRemarks.Text();
    h.user_name = bas_.strUserName;
    SaveHeader(con, h);

    const LineOwner owner{bas_.intCompanyID, bas_.intdepartmentid, new_id_};
    SaveDetails(con, owner, lvwProcessing);
    if (service_tax_) SaveDetailsBeforeTax(con, owner, lvwProcessBeforeTax);
    bas_.objAudit->SaveOskendalInfo(new_id_, new_number_, true, bas_.GStrMasterNewEditFlag, this);
    tx.Commit();
  });
  if (!saved) {
    bas_.MsgBox(shell::kSaveFailed, forms::vbCritical);
    return false;
  }
  if (!claimed) {
    bas_.MsgBox(kInvoiceAlreadyProcessed);
    return false;
  }
  // Committed: only now does the register show it.
  bas_.UpdateEditedRow(" hphProcessingID=?", {I(new_id_)}, new_id_);
  Tag.clear();
  return true;
}

void frmProcessing::cmdOK_Click() {
  bas_.Trap(*this, "cmdOk_Click", bas_.GStrMasterNewEditFlag, [&] {
    if (Save()) Unload();
  });
}

void frmProcessing::cmdClose_Click() {
  bas_.Trap(*this, "cmdClose_Click", bas_.GStrMasterNewEditFlag, [&] { Unload(); });
}

}  // namespace hp::processing
