#include "reprocessing/reprocessing_schedule.h"

#include <cmath>
#include <optional>

#include "platform/finance/annuity_rate.h"
#include "platform/text/date_text.h"
#include "platform/text/number_text.h"
#include "reprocessing/processing_tracking.h"

namespace hp::reprocessing {
namespace {

using text::Format0;
using text::Format00;
using text::NumberOf;
using text::PlainNumber;
using text::RoundHalfEven;

// Sub-items of a rental line.
enum Column {
  kChequeDate = 1,
  kCapital,
  kRental,
  kInterest,
  kRepayment,
  kBalance,
  kBankName,
  kChequeNo,
  kAmount,
  kSettlement,
  kMonthlyRate
};

// The value of a box a computation needs: empty reads as 0, anything else
// must be a number.
double Val(const forms::TextBox& box) { return box.Text().empty() ? 0.0 : NumberOf(box.Text()); }

// The value of a box a check or a derivation looks at: nullopt when it holds
// no number.
std::optional<double> Try(const forms::TextBox& box) { return text::ParseNumber(box.Text()); }

// A number of rentals the schedule can be laid out with: a whole number from
// 1 to the largest line number (12.00 counts as 12).
std::optional<int> RentalCount(const forms::TextBox& box) {
  std::optional<double> v = Try(box);
  if (!v || !std::isfinite(*v) || *v < 1 || *v > 32767 || std::floor(*v) != *v) return std::nullopt;
  return static_cast<int>(*v);
}

// A stored date as the lists show it (the system's short date); a text that
// is no date is shown as it is.
std::string DateCell(const db::Value& v) {
  std::string s = db::AsText(v);
  if (auto d = text::ParseDate(s)) return text::ShortDate(*d);
  return s;
}

// Keeps the schedule's own writes to its input boxes from counting as changed
// inputs.
class ComputingGuard {
 public:
  explicit ComputingGuard(int& depth) : depth_(depth) { ++depth_; }
  ~ComputingGuard() { --depth_; }
  ComputingGuard(const ComputingGuard&) = delete;
  ComputingGuard& operator=(const ComputingGuard&) = delete;

 private:
  int& depth_;
};

}  // namespace

ReprocessingSchedule::ReprocessingSchedule(shell::BasModule& bas, ScheduleControls controls)
    : bas_(bas), c_(controls) {}

bool ReprocessingSchedule::NewMode() const { return bas_.GStrMasterNewEditFlag != "E"; }

bool ReprocessingSchedule::Refuse(const std::string& message, forms::Control* focus) {
  bas_.MsgBox(message, forms::vbInformation);
  if (focus) focus->SetFocus();
  return false;
}

// ---- Loading ---------------------------------------------------------------

bool ReprocessingSchedule::LoadProcessing(std::int32_t id, bool new_mode) {
  Forget();
  LoadProcessingHeader(id);
  if (new_mode) {
    c_.lvwReProcessing.Clear();
    c_.lvwCashFlow.Clear();
    c_.txttotDiscCashFlow.SetText("");
    c_.txtAdjustments.SetText("");
    c_.txtAdjCapitalBal.SetText("");
    if (LoadRentalLines() == 0) {
      bas_.MsgBox(kNoRemainingRentals, forms::vbInformation);
      return false;
    }
    c_.txtReceipted.SetText(Format00(GetSettledAmount(id)));
    const forms::ListItem& first = c_.lvwReProcessing.Item(0);
    loaded.first_capital = NumberOf(first.SubItem(kCapital));
    loaded.first_cheque_date = first.SubItem(kChequeDate);
    c_.txtBal.SetText(Format00(loaded.first_capital));
    loaded.total_rental = NumberOf(Format00(Val(c_.txtTotRental)));
    // The box raises its change only when its text changes: a processing
    // with the same total as the one before must still derive its count.
    TotalRentalChanged();
    loaded.loaded = true;
    if (c_.optMan.Value()) {
      c_.lvwReProcessing.Clear();
      c_.lvwCashFlow.Clear();
    }
  }
  shell::ClsCommonDb look_up;
  look_up.adocon = bas_.adocon;
  look_up.SetTable("loshpInvoiceHeader where hpqhQuotationId=? and hpqhCompanyID=?",
                   {std::int64_t{loaded.invoice_id}, std::int64_t{bas_.intCompanyID}});
  c_.txtInvoice.SetText(db::AsText(look_up.fnreturnfield("hpqhQuotationNo")));
  return true;
}

void ReprocessingSchedule::LoadProcessingHeader(std::int32_t id) {
  db::Recordset rs = bas_.adocon->Open("select * from aHpProcessingHeader where hphProcessingID=? and hphCompanyID=?",
                                       {std::int64_t{id}, std::int64_t{bas_.intCompanyID}});
  if (rs.Eof()) return;
  loaded.invoice_id = static_cast<std::int32_t>(db::AsInt(rs.Field("hphInvoiceID")));
  c_.txtNoRetals.SetText(db::AsText(rs.Field("hphNoOfRentals")));
  c_.txtRentalAmount.SetText(Format00(db::AsDouble(rs.Field("hphRentalAmount"))));
  c_.txtSP.SetText(Format00(db::AsDouble(rs.Field("hphCashPrice"))));
  c_.txtDP.SetText(Format00(db::AsDouble(rs.Field("hphDownPayment"))));
  c_.txtInstallmentPrice.SetText(Format00(db::AsDouble(rs.Field("hphInstallmentPrice"))));
  c_.txtBal.SetText(Format00(db::AsDouble(rs.Field("hphbalance"))));
  c_.txtMonthlyRate.SetText(db::AsText(rs.Field("hphInterestRate")));
  loaded.monthly_rate = Try(c_.txtMonthlyRate).value_or(0.0);
  c_.txtInterestRate.SetText(PlainNumber(db::AsDouble(rs.Field("hphInterestRate")) * 12));
}

double ReprocessingSchedule::GetSettledAmount(std::int32_t id) {
  db::Recordset rs = bas_.adocon->Open(
      "select Sum(hpdSettlementAmount) SettlementAmount from aHpProcessingDetail where hpdProcessingID=? and "
      "hpdCompanyID=?",
      {std::int64_t{id}, std::int64_t{bas_.intCompanyID}});
  return rs.Eof() ? 0.0 : db::AsDouble(rs.Field("SettlementAmount"));
}

int ReprocessingSchedule::LoadRentalLines() {
  std::vector<TrackedLine> lines = HpProcessingTracking(*bas_.adocon, bas_.intCompanyID, c_.cboCustomer.SelectedData(),
                                                        c_.cboPrrocNo.SelectedData());
  double rental = 0, interest = 0, repayment = 0;
  int n = 0;
  for (const TrackedLine& l : lines) {
    if (n == 32767) break;  // line numbers are 16-bit
    forms::ListItem& it = c_.lvwReProcessing.Item(c_.lvwReProcessing.Add(std::to_string(++n)));
    it.SetSubItem(kChequeDate, DateCell(l.cheque_date));
    it.SetSubItem(kCapital, Format00(db::AsDouble(l.capital)));
    it.SetSubItem(kRental, Format00(db::AsDouble(l.rental)));
    it.SetSubItem(kInterest, Format00(db::AsDouble(l.interest)));
    it.SetSubItem(kRepayment, Format00(db::AsDouble(l.repayment)));
    it.SetSubItem(kBalance, Format00(db::AsDouble(l.balance)));
    it.SetSubItem(kBankName, db::AsText(l.bank_name));
    it.SetSubItem(kChequeNo, db::AsText(l.cheque_no));
    it.SetSubItem(kAmount, Format00(db::AsDouble(l.amount)));
    it.SetSubItem(kSettlement, Format00(db::AsDouble(l.settlement)));
    it.SetSubItem(kMonthlyRate, Format00(db::AsDouble(l.interest_rate)));
    rental += NumberOf(it.SubItem(kRental));
    interest += NumberOf(it.SubItem(kInterest));
    repayment += NumberOf(it.SubItem(kRepayment));
  }
  c_.txtTotRental.SetText(Format00(rental));
  c_.txtTotInterest.SetText(Format00(interest));
  c_.txtTotCapitalRepayment.SetText(Format00(repayment));
  return n;
}

void ReprocessingSchedule::TotalRentalChanged() {
  std::optional<double> total = Try(c_.txtTotRental);
  std::optional<double> rental = Try(c_.txtRentalAmount);
  if (total && rental && *total != 0 && *rental != 0) c_.txtNoRetals.SetText(PlainNumber(*total / *rental));
}

// ---- Cash flow and adjustment ---------------------------------------------

void ReprocessingSchedule::FillCashFlow(Mode mode) {
  ComputingGuard computing(computing_);
  const double r = loaded.monthly_rate;
  const bool manual = mode == Mode::Manual;
  const int n = manual ? c_.lvwReProcessing.Count() : text::WholeHalfEven(Val(c_.txtNoRetals));
  const std::string rental = manual ? std::string() : Format00(Val(c_.txtRentalAmount));
  double total = 0;
  for (int i = 1; i <= n; ++i) {
    forms::ListItem& it = c_.lvwCashFlow.Item(c_.lvwCashFlow.Add(std::to_string(i)));
    it.SetSubItem(1, PlainNumber(1.0 / std::pow(1.0 + r / 100.0, i)));
    it.SetSubItem(2, manual ? Format00(NumberOf(c_.lvwReProcessing.Item(i - 1).SubItem(kRental))) : rental);
    std::string discounted = Format00(NumberOf(it.SubItem(2)) * NumberOf(it.SubItem(1)));
    it.SetSubItem(3, discounted);
    total += NumberOf(discounted);
  }
  if (manual) {
    c_.txtNoRetals.SetText(std::to_string(n));
    c_.txtRentalAmount.SetText("0");
  }
  c_.txttotDiscCashFlow.SetText(Format00(total));
  c_.txtAdjustments.SetText(Format00(Val(c_.txttotDiscCashFlow) - Val(c_.txtBal)));
}

void ReprocessingSchedule::AdjustCapitalBalance() {
  c_.txtAdjCapitalBal.SetText(Format00(Val(c_.txtAdjustments) + Val(c_.txtBal)));
}

// ---- The new schedule ------------------------------------------------------

void ReprocessingSchedule::ProcessInterest(Mode mode) {
  ComputingGuard computing(computing_);
  const bool manual = mode == Mode::Manual;
  double p = 0;
  if (manual) {
    p = Val(c_.txtMonthlyRate);
  } else {
    double rate = finance::AnnuityRate(Val(c_.txtNoRetals), -Val(c_.txtRentalAmount), Val(c_.txtAdjCapitalBal));
    c_.txtMonthlyRate.SetText(PlainNumber(rate));
    p = Val(c_.txtMonthlyRate) * 100;
    c_.txtInterestRate.SetText(Format00(RoundHalfEven(Val(c_.txtMonthlyRate) * 1200, 2)));
    c_.txtMonthlyRate.SetText(Format00(RoundHalfEven(Val(c_.txtMonthlyRate) * 100, 2)));
  }
  int n = text::WholeHalfEven(Val(c_.txtNoRetals));
  if (manual && n > c_.lvwReProcessing.Count()) n = c_.lvwReProcessing.Count();
  const text::Date first = text::DateOf(loaded.first_cheque_date);
  const std::string monthly = Format00(Val(c_.txtMonthlyRate));
  double rentals = 0, interest = 0, repayment = 0;
  int previous = -1;
  for (int i = 1; i <= n; ++i) {
    const int row = manual ? i - 1 : c_.lvwReProcessing.Add(std::to_string(i));
    forms::ListItem& it = c_.lvwReProcessing.Item(row);
    // Each due date counts whole months from the first cheque date, so a
    // month-end date stays at month end (31 Jan: 29 Feb, 31 Mar, 30 Apr).
    it.SetSubItem(kChequeDate, text::ShortDate(text::AddMonths(first, i)));
    it.SetSubItem(kCapital, i == 1 ? PlainNumber(RoundHalfEven(Val(c_.txtAdjCapitalBal), 4))
                                   : PlainNumber(NumberOf(c_.lvwReProcessing.Item(previous).SubItem(kBalance))));
    const double capital = NumberOf(it.SubItem(kCapital));
    if (!manual) it.SetSubItem(kRental, Format00(Val(c_.txtRentalAmount)));
    const double rental = NumberOf(it.SubItem(kRental));
    it.SetSubItem(kInterest, PlainNumber(RoundHalfEven(p / 100 * capital, 4)));
    it.SetSubItem(kRepayment, PlainNumber(RoundHalfEven(rental - NumberOf(it.SubItem(kInterest)), 4)));
    it.SetSubItem(kBalance, PlainNumber(RoundHalfEven(capital - NumberOf(it.SubItem(kRepayment)), 4)));
    if (!manual) {
      it.SetSubItem(kBankName, "");
      it.SetSubItem(kChequeNo, "");
    }
    it.SetSubItem(kAmount, Format00(rental));
    it.SetSubItem(kSettlement, "0");
    it.SetSubItem(kMonthlyRate, monthly);
    rentals += NumberOf(it.SubItem(kRental));
    interest += NumberOf(it.SubItem(kInterest));
    repayment += NumberOf(it.SubItem(kRepayment));
    previous = row;
  }
  c_.txtTotRental.SetText(Format00(rentals));
  c_.txtTotInterest.SetText(Format00(interest));
  c_.txtTotCapitalRepayment.SetText(Format00(repayment));
}

// ---- Checks ----------------------------------------------------------------

bool ReprocessingSchedule::ValidateEntries(Mode mode) {
  if (c_.cbodepartment.ListIndex() < 0) return Refuse("Select Department .", &c_.cbodepartment);
  if (c_.cboCustomer.ListIndex() < 0) return Refuse("Select a Customer .", &c_.cboCustomer);
  // Re-processing works from what loading kept: a processing whose rentals
  // could not be loaded counts as none chosen.
  if (c_.cboPrrocNo.ListIndex() < 0 || (mode != Mode::Save && !loaded.loaded))
    return Refuse("Select a Processing No .", &c_.cboPrrocNo);
  if (mode == Mode::Save) {
    std::optional<int> n = RentalCount(c_.txtNoRetals);
    if (!n) return Refuse("Enter No of Rentals .", &c_.txtNoRetals);
    if (*n != c_.lvwReProcessing.Count() || !processed) {
      c_.cmdReProcess.Enabled = true;
      return Refuse("Process the details .", &c_.cmdReProcess);
    }
  }
  if (mode == Mode::Automatic) {
    if (!RentalCount(c_.txtNoRetals)) return Refuse("Enter No of Rentals .", &c_.txtNoRetals);
    if (c_.txtRentalAmount.Text().empty()) return Refuse("Enter Rental Amount .", &c_.txtRentalAmount);
  }
  if (c_.optAuto.Value()) {
    std::optional<double> rental = Try(c_.txtRentalAmount);
    if (!rental || *rental <= 0) return Refuse("Enter Rental Amount .", &c_.txtRentalAmount);
  }
  if (mode == Mode::Save) {
    for (int i = 0; i < c_.lvwReProcessing.Count(); ++i) {
      const forms::ListItem& it = c_.lvwReProcessing.Item(i);
      if (it.SubItem(kBankName).empty() || it.SubItem(kChequeNo).empty()) {
        bas_.MsgBox("Cheque Details Not Entered", forms::vbInformation);
        c_.lvwReProcessing.SetFocus();
        c_.lvwReProcessing.Select(i);
        return false;
      }
    }
  }
  const std::string must_total = "Total Rental Should be Equal to " + Format00(loaded.total_rental) + "  .";
  if (mode == Mode::Manual) {
    double sum = 0;
    for (int i = 0; i < c_.lvwReProcessing.Count(); ++i)
      sum = NumberOf(Format00(sum + NumberOf(c_.lvwReProcessing.Item(i).SubItem(kRental))));
    if (Format0(sum) != Format0(loaded.total_rental)) return Refuse(must_total, nullptr);
  }
  if (mode == Mode::Automatic) {
    if (Format0(Val(c_.txtNoRetals) * Val(c_.txtRentalAmount)) != Format0(loaded.total_rental))
      return Refuse(must_total, &c_.txtRentalAmount);
  }
  return true;
}

// ---- The re-process sequence -----------------------------------------------

bool ReprocessingSchedule::ReProcess() {
  if (c_.optAuto.Value()) {
    if (!ValidateEntries(Mode::Automatic)) return false;
    if (c_.lvwReProcessing.Count() > 0) {
      auto answer = bas_.MsgBox("Processed Data will be Cleared . \r Do you want to continue?",
                                forms::vbYesNo + forms::vbInformation);
      if (answer != forms::MsgBoxResult::Yes) return false;
    }
    processed = false;
    c_.lvwReProcessing.Clear();
    c_.lvwCashFlow.Clear();
    FillCashFlow(Mode::Automatic);
    AdjustCapitalBalance();
    ProcessInterest(Mode::Automatic);
  } else if (c_.optMan.Value()) {
    if (c_.lvwReProcessing.Count() == 0) {
      bas_.MsgBox("Need to eneter Rental details", forms::vbInformation);
      c_.lvwReProcessing.SetFocus();
      return false;
    }
    if (!ValidateEntries(Mode::Manual)) return false;
    processed = false;
    c_.lvwCashFlow.Clear();
    FillCashFlow(Mode::Manual);
    AdjustCapitalBalance();
    ProcessInterest(Mode::Manual);
  } else {
    return false;
  }
  processed = true;
  c_.lvwReProcessing.SetFocus();
  return true;
}

// ---- Keys --------------------------------------------------------------------

void ReprocessingSchedule::NoOfRentalsKeyPress(int& key, shell::clsCommonGen& gen) {
  if (key == 45) {
    key = 0;
    return;
  }
  if (key == 13 && !c_.txtTotRental.Text().empty()) {
    std::optional<double> n = Try(c_.txtNoRetals);
    if (!n || *n == 0) {
      key = 0;
      Refuse("Enter No of Rentals .", &c_.txtNoRetals);
      return;
    }
    if (std::optional<double> total = Try(c_.txtTotRental)) c_.txtRentalAmount.SetText(Format00(*total / *n));
  }
  bas_.EnterAsTab(key);
  gen.TextValidateNum(c_.txtNoRetals, key, 12);
}

void ReprocessingSchedule::RentalAmountKeyPress(int& key, shell::clsCommonGen& gen) {
  if (key == 45) {
    key = 0;
    return;
  }
  if (key == 13 && !c_.txtTotRental.Text().empty()) {
    std::optional<double> rental = Try(c_.txtRentalAmount);
    if (!rental || *rental == 0) {
      key = 0;
      Refuse("Enter Rental Amount .", &c_.txtRentalAmount);
      return;
    }
    if (std::optional<double> total = Try(c_.txtTotRental)) c_.txtNoRetals.SetText(Format00(*total / *rental));
  }
  bas_.EnterAsTab(key);
  gen.TextValidateNum(c_.txtRentalAmount, key, 12, 2);
}

// ---- State -------------------------------------------------------------------

void ReprocessingSchedule::InputsChanged() {
  if (computing_ > 0) return;
  processed = false;
  if (!NewMode()) return;
  // A cash flow and an adjustment of other inputs must not be shown (or
  // stored) as if they belonged to these.
  c_.lvwCashFlow.Clear();
  c_.txttotDiscCashFlow.SetText("");
  c_.txtAdjustments.SetText("");
  c_.txtAdjCapitalBal.SetText("");
}

void ReprocessingSchedule::Forget() {
  processed = false;
  loaded = LoadedValues{};
}

}  // namespace hp::reprocessing
