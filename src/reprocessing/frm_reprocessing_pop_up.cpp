#include "reprocessing/frm_reprocessing_pop_up.h"

#include <optional>

#include "platform/text/date_text.h"
#include "platform/text/number_text.h"

namespace hp::reprocessing {
namespace {

using text::Format00;

enum Column { kChequeDate = 1, kCapital, kRental, kInterest, kRepayment, kBalance, kBankName, kChequeNo, kAmount };

// Bank names are stored in lines added here with at most this many characters.
constexpr size_t kBankNameLength = 20;

// The first `n` characters (code points) of a UTF-8 text.
std::string FirstChars(const std::string& s, size_t n) {
  size_t i = 0;
  while (i < s.size() && n > 0) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    --n;
  }
  return s.substr(0, i);
}

bool SameDate(const std::string& a, const std::string& b) {
  std::optional<text::Date> da = text::ParseDate(a), db = text::ParseDate(b);
  return da && db ? *da == *db : a == b;
}

bool SameFigure(const std::string& a, const std::string& b) {
  std::optional<double> va = text::ParseNumber(a), vb = text::ParseNumber(b);
  return va && vb ? *va == *vb : a == b;
}

// The whole number a row's text carries as its rental number (0: none).
int LineNumber(const forms::ListItem& line) {
  std::optional<double> v = text::ParseNumber(line.text);
  return v && *v >= 1 && *v <= 32767 ? static_cast<int>(*v) : 0;
}

}  // namespace

frmReProcessingPopUp::frmReProcessingPopUp(shell::BasModule& bas, RentalLineTarget target)
    : Form(bas.host, "frmReProcessingPopUp"),
      lblPeriod(*this, "lblPeriod", "Cheque  Date:"),
      dtpPeriod(*this, "dtpPeriod"),
      lblRentalAmount(*this, "lblRentalAmount", "Rental Amount:"),
      txtRentalAmount(*this, "txtRentalAmount"),
      lblBankName(*this, "lblBankName", "Bank Name:"),
      cboBankName(*this, "cboBankName", forms::ComboBox::Style::DropDownCombo),
      lblChequeNo(*this, "lblChequeNo", "Cheque No:"),
      txtchequeno(*this, "txtchequeno"),
      lblAmount(*this, "lblAmount", "Amount:"),
      txtAmount(*this, "txtAmount"),
      cmdOk(*this, "cmdOk", "&OK"),
      cmdClose(*this, "cmdClose", "&Close"),
      bas_(bas),
      t_(std::move(target)) {
  Caption = "Re-Processing Details";
  Width = 5200;
  Height = 3300;
  lblPeriod.Place(120, 180, 1500, 300);
  dtpPeriod.Place(1700, 150, 1800, 330);
  lblRentalAmount.Place(120, 600, 1500, 300);
  txtRentalAmount.Place(1700, 570, 1800, 330);
  lblBankName.Place(120, 1020, 1500, 300);
  cboBankName.Place(1700, 990, 3200, 330);
  lblChequeNo.Place(120, 1440, 1500, 300);
  txtchequeno.Place(1700, 1410, 1800, 330);
  lblAmount.Place(120, 1860, 1500, 300);
  txtAmount.Place(1700, 1830, 1800, 330);
  cmdOk.Place(2400, 2400, 1150, 400);
  cmdClose.Place(3700, 2400, 1150, 400);
  txtchequeno.MaxLength = 20;
  CancelButton = &cmdClose;

  auto amount_key = [this](forms::TextBox& box) {
    return [this, &box](int& key) {
      if (key == 45) {
        key = 0;
        return;
      }
      bas_.EnterAsTab(key);
      bas_.objGen->TextValidateNum(box, key, 12, 2);
    };
  };
  txtRentalAmount.KeyPress = amount_key(txtRentalAmount);
  txtAmount.KeyPress = amount_key(txtAmount);
  auto enter_as_tab = [this](int& key) { bas_.EnterAsTab(key); };
  cboBankName.KeyPress = enter_as_tab;
  txtchequeno.KeyPress = enter_as_tab;
  dtpPeriod.KeyPress = enter_as_tab;
  txtRentalAmount.GotFocus = [this] { shell::BasModule::SelectAllText(txtRentalAmount); };
  txtAmount.GotFocus = [this] { shell::BasModule::SelectAllText(txtAmount); };
  txtchequeno.GotFocus = [this] { shell::BasModule::SelectAllText(txtchequeno); };
  txtRentalAmount.Change = [this] { txtAmount.SetText(txtRentalAmount.Text()); };
  cmdOk.Click = [this] { cmdOK_Click(); };
  cmdClose.Click = [this] { cmdClose_Click(); };
}

void frmReProcessingPopUp::Form_Load() {
  bas_.objColour->ApplyPavlin(*this);
  // The bank names already used on the company's processing lines.
  shell::ClsCommonDb banks;
  banks.adocon = bas_.adocon;
  banks.SetTable("aHpProcessingdetail");
  banks.populateComboOrList(cboBankName, "distinct(hpdCompanyid)", "hpdBankName",
                            "hpdCompanyID=? and coalesce(hpdBankName,'')<>'' order by hpdBankName",
                            {std::int64_t{bas_.intCompanyID}});
  // Computed lines keep their date and rental: only their cheque is entered.
  const bool computed = t_.lvwCashFlow.Count() > 0 || t_.optAuto.Value();
  dtpPeriod.Enabled = !computed;
  txtRentalAmount.Enabled = !computed;
  txtRentalAmount.BackColor = computed ? forms::kDefaultColour : forms::kLightYellow;
  if (bas_.GStrMasterNewEditFlag == "E") {
    txtRentalAmount.Enabled = false;
    dtpPeriod.Enabled = false;
    txtchequeno.Enabled = false;
    cboBankName.Enabled = false;
    cmdOk.Enabled = false;
  }
}

void frmReProcessingPopUp::ShowLine(const forms::ListItem& line, bool rental_as_listed) {
  dtpPeriod.Value = text::DateOf(line.SubItem(kChequeDate));
  const std::string& rental = line.SubItem(kRental);
  txtRentalAmount.SetText(rental_as_listed ? rental : Format00(text::LeadingValue(rental)));
  cboBankName.SetText(line.SubItem(kBankName));
  txtchequeno.SetText(line.SubItem(kChequeNo));
  txtAmount.SetText(Format00(text::LeadingValue(rental)));
}

bool frmReProcessingPopUp::Refuse(const std::string& message, forms::Control& focus) {
  bas_.MsgBox(message, forms::vbInformation);
  focus.SetFocus();
  return false;
}

bool frmReProcessingPopUp::ValidateLine() {
  std::optional<double> rental = text::ParseNumber(txtRentalAmount.Text());
  if (!rental || *rental <= 0) {
    txtRentalAmount.Enabled = true;
    return Refuse("Enter Rental Amount .", txtRentalAmount);
  }
  if (cboBankName.Text().empty()) return Refuse("Enter Bank Name .", cboBankName);
  if (txtchequeno.Text().empty()) return Refuse("Enter Cheque Number .", txtchequeno);
  if (!text::ParseNumber(txtAmount.Text())) return Refuse("Enter Amount .", txtAmount);
  if (!t_.optMan.Value()) return true;
  // The rentals may add up to the total to be re-scheduled, not more. The
  // selected line is left out: it is the one being replaced.
  const forms::ListView& list = t_.lvwReProcessing;
  double sum = *rental;
  for (int i = 0; i < list.Count(); ++i)
    if (i != list.SelectedIndex()) sum += text::LeadingValue(list.Item(i).SubItem(kRental));
  const double total = text::LeadingValue(t_.txtTotRental.Text());
  if (text::NumberOf(Format00(sum)) > text::NumberOf(Format00(total)))
    return Refuse("Rental Total Should be equal to " + Format00(total), txtRentalAmount);
  return true;
}

void frmReProcessingPopUp::cmdOK_Click() {
  if (!ValidateLine()) return;
  forms::ListView& list = t_.lvwReProcessing;
  const std::string rental = Format00(text::NumberOf(txtRentalAmount.Text()));
  const std::string amount = Format00(text::NumberOf(txtAmount.Text()));
  if (bas_.strLineEntryMode == "A") {
    forms::ListItem& line = list.Item(list.Add(std::to_string(list.Count() + 1)));
    line.SetSubItem(kChequeDate, text::ShortDate(dtpPeriod.Value));
    line.SetSubItem(kCapital, "0");
    line.SetSubItem(kRental, rental);
    line.SetSubItem(kInterest, "0");
    line.SetSubItem(kRepayment, "0");
    line.SetSubItem(kBalance, "0");
    line.SetSubItem(kBankName, FirstChars(cboBankName.Text(), kBankNameLength));
    line.SetSubItem(kChequeNo, txtchequeno.Text());
    line.SetSubItem(kAmount, amount);
    ClearAllFields();
    if (txtRentalAmount.Enabled && txtRentalAmount.Visible) txtRentalAmount.SetFocus();
    if (t_.LinesChanged) t_.LinesChanged();
    return;
  }
  forms::ListItem* line = list.Selected();
  if (!line) {
    Unload();
    return;
  }
  const std::string date = text::ShortDate(dtpPeriod.Value);
  bool changed = !SameDate(line->SubItem(kChequeDate), date);
  line->SetSubItem(kChequeDate, date);
  if (t_.optMan.Value()) {
    changed = changed || !SameFigure(line->SubItem(kRental), rental);
    line->SetSubItem(kRental, rental);
  }
  line->SetSubItem(kBankName, cboBankName.Text());
  line->SetSubItem(kChequeNo, txtchequeno.Text());
  line->SetSubItem(kAmount, amount);
  if (changed && t_.LinesChanged) t_.LinesChanged();
  if (bas_.intSelectedRentalNo + 1 > list.Count()) {
    Unload();
    return;
  }
  ++bas_.intSelectedRentalNo;
  LoadNextLine();
}

void frmReProcessingPopUp::LoadNextLine() {
  cboBankName.SetText("");
  txtchequeno.SetText("");
  txtAmount.SetText("");
  forms::ListView& list = t_.lvwReProcessing;
  const int index = bas_.intSelectedRentalNo - 1;
  if (index < 0 || index >= list.Count()) {
    Unload();
    return;
  }
  list.Select(index);
  const forms::ListItem& line = list.Item(index);
  if (auto d = text::ParseDate(line.SubItem(kChequeDate))) dtpPeriod.Value = *d;
  txtRentalAmount.SetText(line.SubItem(kRental));
  cboBankName.SetText(line.SubItem(kBankName));
  txtchequeno.SetText(line.SubItem(kChequeNo));
  txtAmount.SetText(Format00(text::LeadingValue(line.SubItem(kAmount))));
  cboBankName.SetFocus();
}

void frmReProcessingPopUp::ClearAllFields() {
  txtRentalAmount.SetText("");
  cboBankName.SetText("");
  txtchequeno.SetText("");
  txtAmount.SetText("");
}

void frmReProcessingPopUp::cmdClose_Click() { Unload(); }

// ---- The rental list's handlers ---------------------------------------------

RentalLineEditing::RentalLineEditing(shell::BasModule& bas, forms::Form& screen, RentalLineTarget target,
                                     std::function<bool()> processing_chosen)
    : bas_(bas), screen_(screen), t_(std::move(target)), processing_chosen_(std::move(processing_chosen)) {
  mnupopup.name = "mnupopup";
  mnupopup.items = {
      {"mnuAdd", "Add", true, true, [this] { mnuAdd_Click(); }},
      {"mnuEdit", "Edit", true, true, [this] { mnuEdit_Click(); }},
      {"mnuDelete", "Delete", true, true, [this] { mnuDelete_Click(); }},
      {"mnuCancel", "Cancel", true, true, nullptr},
  };
  screen_.AddMenu(mnupopup);
}

void RentalLineEditing::OpenSelectedLine(bool rental_as_listed) {
  forms::ListView& list = t_.lvwReProcessing;
  const forms::ListItem* line = list.Selected();
  if (list.Count() == 0 || !line || LineNumber(*line) == 0) return;
  bas_.strLineEntryMode = "E";
  bas_.intSelectedRentalNo = LineNumber(*line);
  frmReProcessingPopUp dialog(bas_, t_);
  dialog.Load();
  dialog.ShowLine(*line, rental_as_listed);
  bas_.host.ShowModal(dialog);
}

void RentalLineEditing::lvwReProcessing_DblClick() {
  bas_.Trap(screen_, "lvwProcessing_DblClick", bas_.GStrMasterNewEditFlag, [&] {
    if (t_.optAuto.Value()) {
      OpenSelectedLine(true);
    } else if (t_.lvwReProcessing.Count() > 0) {
      mnuEdit_Click();
    } else {
      mnuAdd_Click();
    }
  });
}

void RentalLineEditing::lvwReProcessing_KeyPress(int& key) {
  if (key == 13) lvwReProcessing_DblClick();
}

void RentalLineEditing::lvwReProcessing_MouseDown(int button) {
  if (button != 2 || !processing_chosen_() || !t_.optMan.Value()) return;
  const bool empty = t_.lvwReProcessing.Count() == 0;
  const bool edit_mode = bas_.GStrMasterNewEditFlag == "E";
  mnupopup.Item("mnuAdd").enabled = empty || !edit_mode;
  mnupopup.Item("mnuEdit").enabled = !empty && !edit_mode;
  mnupopup.Item("mnuDelete").enabled = !empty && !edit_mode;
  screen_.PopupMenu(mnupopup);
}

void RentalLineEditing::mnuAdd_Click() {
  if (!processing_chosen_()) return;
  bas_.strLineEntryMode = "A";
  frmReProcessingPopUp dialog(bas_, t_);
  bas_.host.ShowModal(dialog);
}

void RentalLineEditing::mnuEdit_Click() {
  bas_.Trap(screen_, "mnuEdit_Click", bas_.GStrMasterNewEditFlag, [&] { OpenSelectedLine(false); });
}

void RentalLineEditing::mnuDelete_Click() {
  forms::ListView& list = t_.lvwReProcessing;
  if (!list.Selected()) return;
  shell::ClsCommonDb db;
  db.adocon = bas_.adocon;
  db.fnDeleteListview(true, list, list.Count() != 1);
  if (t_.LinesChanged) t_.LinesChanged();
}

}  // namespace hp::reprocessing
