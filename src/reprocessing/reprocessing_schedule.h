// The computations of the re-processing screen: loading the processing to be
// re-processed, deriving the number of rentals and the rental from the
// remaining total, discounting the new rentals at the processing's own monthly
// rate, the adjustment to the carrying amount, the new schedule in automatic
// ("A") and manual ("M") mode, the totals and the checks that guard
// re-processing and saving ("S").
//
// Every figure lives in the screen's boxes and list cells as text: amounts in
// "0.00" (halves away from zero), intermediate values as plain number text,
// schedule lines rounded to four decimals with halves to even; each step reads
// its operands back from the text the step before wrote. A box that must hold
// a number and does not throws text::NumberTextError; a rate that cannot be
// solved throws finance::RateError; database failures throw db::DbError. The
// screen's error traps report them.
//
// The schedule also keeps whether the lists hold a schedule computed for the
// inputs shown (`processed`): re-processing sets it, anything that changes the
// inputs (another processing, No of Rentals, the rental, the mode, a line
// added, deleted or changed) forgets it and drops the cash flow and the
// adjustment computed from the old inputs, and a save without it is refused
// with "Process the details .".
//
// The schedule works on controls owned by the screen; they must outlive it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/forms/basic_controls.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/list_view.h"
#include "platform/forms/text_box.h"
#include "shell/bas_module.h"

namespace hp::reprocessing {

// Told when the processing chosen has no rental left to re-process (every
// rental settled since it was listed): nothing is loaded.
inline constexpr char kNoRemainingRentals[] =
    "This processing has no unsettled rentals left to re-process . Choose another processing.";
// Told when a trapped error ended a re-process: the schedule is incomplete and
// cannot be saved.
inline constexpr char kReProcessFailed[] =
    "The details could not be re-processed. The error has been logged; correct the figures and re-process.";

// The controls of a re-processing screen the computations read and write.
struct ScheduleControls {
  forms::ComboBox& cbodepartment;
  forms::ComboBox& cboCustomer;
  forms::ComboBox& cboPrrocNo;
  forms::OptionButton& optAuto;
  forms::OptionButton& optMan;
  forms::TextBox& txtSP;
  forms::TextBox& txtDP;
  forms::TextBox& txtBal;
  forms::TextBox& txtInstallmentPrice;
  forms::TextBox& txtNoRetals;
  forms::TextBox& txtRentalAmount;
  forms::TextBox& txtMonthlyRate;
  forms::TextBox& txtInterestRate;
  forms::TextBox& txtReceipted;
  forms::TextBox& txtAdjustments;
  forms::TextBox& txtAdjCapitalBal;
  forms::TextBox& txtTotRental;
  forms::TextBox& txtTotInterest;
  forms::TextBox& txtTotCapitalRepayment;
  forms::TextBox& txttotDiscCashFlow;
  forms::TextBox& txtInvoice;
  forms::ListView& lvwReProcessing;
  forms::ListView& lvwCashFlow;
  forms::CommandButton& cmdReProcess;
};

// What loading a processing keeps for every later re-process.
struct LoadedValues {
  bool loaded = false;            // a processing with remaining rentals is loaded
  std::int32_t invoice_id = 0;    // hphInvoiceID of the processing
  double monthly_rate = 0;        // the processing's monthly rate, percent
  double first_capital = 0;       // capital of the first remaining line
  std::string first_cheque_date;  // cheque date of the first remaining line, as listed
  double total_rental = 0;        // remaining rentals, as totalled in "0.00"
};

enum class Mode : char { Automatic = 'A', Manual = 'M', Save = 'S' };

class ReprocessingSchedule {
 public:
  ReprocessingSchedule(shell::BasModule& bas, ScheduleControls controls);

  LoadedValues loaded;
  bool processed = false;

  // Choosing a processing. Loads the header boxes and the invoice number; in
  // new mode also the remaining lines, the capital received and the loaded
  // values. Returns false when, in new mode, the processing has no rental
  // left: the user is told kNoRemainingRentals, the lists are empty and
  // nothing counts as loaded. Throws db::DbError.
  bool LoadProcessing(std::int32_t id, bool new_mode);

  void LoadProcessingHeader(std::int32_t id);
  double GetSettledAmount(std::int32_t id);  // null sums read as 0
  // Lists the remaining lines and totals them; returns how many.
  int LoadRentalLines();

  // txtTotRental_Change: No of Rentals follows total / rental.
  void TotalRentalChanged();

  void FillCashFlow(Mode mode);
  // Adj Capital Balance = Adjustments + Capital Balance.
  void AdjustCapitalBalance();
  void ProcessInterest(Mode mode);

  // The checks before re-processing ("A", "M") and saving ("S"); the first
  // that fails is told to the user (session caption, information icon), takes
  // the focus where it belongs, and gives false.
  bool ValidateEntries(Mode mode);

  // The re-process sequence (Re-Process Interest). Returns true when a
  // schedule was computed; `processed` is then set.
  bool ReProcess();

  // The Enter-key derivations of the two boxes (their KeyPress handlers).
  // Enter with an empty or zero divisor is refused with "Enter No of Rentals ."
  // or "Enter Rental Amount ." and the key swallowed.
  void NoOfRentalsKeyPress(int& key, shell::clsCommonGen& gen);
  void RentalAmountKeyPress(int& key, shell::clsCommonGen& gen);

  // An input of the schedule changed (not while the schedule itself is
  // writing): forget the processed schedule and, in new mode, drop the cash
  // flow and the adjustment computed from the old inputs.
  void InputsChanged();
  // Forgets everything loading kept (another customer, processing or mode).
  void Forget();
  bool Computing() const { return computing_ > 0; }

 private:
  bool Refuse(const std::string& message, forms::Control* focus);
  bool NewMode() const;

  shell::BasModule& bas_;
  ScheduleControls c_;
  int computing_ = 0;
};

}  // namespace hp::reprocessing
