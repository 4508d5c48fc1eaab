#include "processing/frm_pop_up.h"

#include "platform/text/number_text.h"

namespace hp::processing {
namespace {

// The rental list's columns this dialog reads and writes.
constexpr int kChequeDate = 1;
constexpr int kRental = 3;
constexpr int kBankName = 7;
constexpr int kChequeNo = 8;
constexpr int kAmount = 9;

bool Blank(const std::string& s) { return s.find_first_not_of(" \t") == std::string::npos; }

std::string Trimmed(const std::string& s) {
  size_t a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return {};
  size_t b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}

// The pattern "0.00" over a cell's leading number; an empty cell stays empty.
std::string AmountText(const std::string& cell) {
  return Blank(cell) ? std::string() : text::Format00(text::LeadingValue(cell));
}

}  // namespace

frmPopUp::frmPopUp(shell::BasModule& bas, forms::ListView& lines)
    : Form(bas.host, "frmPopUp"),
      lblPeriod(*this, "lblPeriod", "Cheque  Date:"),
      dtpPeriod(*this, "dtpPeriod"),
      lblBankName(*this, "lblBankName", "Bank Name:"),
      cboBankName(*this, "cboBankName", forms::ComboBox::Style::DropDownCombo),
      lblChequeNo(*this, "lblChequeNo", "Cheque No:"),
      txtchequeno(*this, "txtchequeno"),
      lblAmount(*this, "lblAmount", "Amount:"),
      txtAmount(*this, "txtAmount"),
      cmdOK(*this, "cmdOK", "&OK"),
      cmdClose(*this, "cmdClose", "&Close"),
      bas_(bas),
      lines_(lines) {
  Caption = "Period";
  Width = 4800;
  Height = 2900;
  lblPeriod.Place(120, 180, 1300, 285);
  dtpPeriod.Place(1500, 150, 1600, 315);
  lblBankName.Place(120, 600, 1300, 285);
  cboBankName.Place(1500, 570, 3000, 315);
  lblChequeNo.Place(120, 1020, 1300, 285);
  txtchequeno.Place(1500, 990, 1800, 315);
  lblAmount.Place(120, 1440, 1300, 285);
  txtAmount.Place(1500, 1410, 1800, 315);
  cmdOK.Place(2000, 1950, 1150, 400);
  cmdClose.Place(3300, 1950, 1150, 400);
  txtchequeno.MaxLength = 20;

  auto enter_as_tab = [this](int& key) { bas_.EnterAsTab(key); };
  cboBankName.KeyPress = enter_as_tab;
  txtchequeno.KeyPress = enter_as_tab;
  dtpPeriod.KeyPress = enter_as_tab;
  txtAmount.KeyPress = [this](int& key) {
    if (key == 45) key = 0;  // amounts are never negative
    bas_.EnterAsTab(key);
    bas_.objGen->TextValidateNum(txtAmount, key, 12, 2);
  };
  txtchequeno.GotFocus = [this] { shell::BasModule::SelectAllText(txtchequeno); };
  txtAmount.GotFocus = [this] { shell::BasModule::SelectAllText(txtAmount); };
  cmdOK.Click = [this] { cmdOK_Click(); };
  cmdClose.Click = [this] { cmdClose_Click(); };
}

void frmPopUp::Form_Load() {
  bas_.objColour->ApplyPavlin(*this);
  // The banks already used on this company's lines, each name once.
  bas_.objDb->SetTable("aHpProcessingdetail");
  bas_.objDb->populateComboOrList(
      cboBankName, "max(hpdCompanyID)", "hpdBankName",
      "hpdCompanyID=? and coalesce(hpdBankName,'')<>'' group by hpdBankName order by hpdBankName",
      {std::int64_t{bas_.intCompanyID}});
  txtAmount.Enabled = false;
  if (bas_.GStrMasterNewEditFlag == "E") cmdOK.Enabled = false;
}

forms::ListItem* frmPopUp::Line() {
  int index = bas_.intSelectedRentalNo - 1;
  return index >= 0 && index < lines_.Count() ? &lines_.Item(index) : nullptr;
}

bool frmPopUp::ShowRental() {
  forms::ListItem* line = Line();
  if (!line) return false;
  const text::Date date = text::DateOf(line->SubItem(kChequeDate));
  cboBankName.SetText({});
  txtchequeno.SetText({});
  txtAmount.SetText({});
  lines_.Select(bas_.intSelectedRentalNo - 1);
  dtpPeriod.Value = date;
  cboBankName.SetText(line->SubItem(kBankName));
  txtchequeno.SetText(line->SubItem(kChequeNo));
  txtAmount.SetText(AmountText(line->SubItem(kAmount)));
  return true;
}

bool frmPopUp::ValidateCheque() {
  if (Blank(cboBankName.Text())) {
    bas_.MsgBox("Enter Bank Name .");
    cboBankName.SetFocus();
    return false;
  }
  if (Blank(txtchequeno.Text())) {
    bas_.MsgBox("Enter Cheque Number .");
    txtchequeno.SetFocus();
    return false;
  }
  // The amount box is never enabled, so the focus stays where it is.
  if (Blank(txtAmount.Text())) {
    bas_.MsgBox("Enter Amount .");
    return false;
  }
  forms::ListItem* line = Line();
  if (line && text::LeadingValue(line->SubItem(kRental)) != text::LeadingValue(txtAmount.Text())) {
    bas_.MsgBox("Amount and Rental Amount Should be Equal .");
    return false;
  }
  return true;
}

void frmPopUp::cmdOK_Click() {
  bas_.Trap(*this, "cmdOK_Click", bas_.GStrMasterNewEditFlag, [&] {
    if (!ValidateCheque()) return;
    forms::ListItem* line = Line();
    if (!line) {  // nothing left to edit
      Unload();
      return;
    }
    line->SetSubItem(kChequeDate, text::ShortDate(dtpPeriod.Value));
    line->SetSubItem(kBankName, Trimmed(cboBankName.Text()));
    line->SetSubItem(kChequeNo, Trimmed(txtchequeno.Text()));
    line->SetSubItem(kAmount, AmountText(txtAmount.Text()));
    if (lines_.Count() >= bas_.intSelectedRentalNo + 1) {
      ++bas_.intSelectedRentalNo;
      ShowNextRental();
    } else {
      Unload();
    }
  });
}

void frmPopUp::ShowNextRental() {
  ShowRental();
  cboBankName.SetFocus();
}

void frmPopUp::cmdClose_Click() { Unload(); }

}  // namespace hp::processing
