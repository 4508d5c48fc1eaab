// The computations of the re-processing after settlement: the settled
// rentals of a processing become the new schedule, with their capital columns
// rebuilt from the settlement amounts and the stored interest, and around it
// the adjustment panel: settled amount, capital received, new installment
// price, balance to pay, adjusted capital balance, unearned income balance
// and the adjustment to the carrying amount.
//
// Every figure lives in the screen's boxes and list cells as text: amounts in
// "0.00" (halves away from zero), a few in plain number text; each step reads
// its operands back from the text the step before wrote. Boxes are read by
// their leading number (empty or non-numeric text counts as 0), list cells
// strictly (they always hold a number written here).
//
// Every statement binds its values and names the processing together with
// the session company; the rental lines are those of the processing in that
// company whatever department they carry, and the settled ones are taken in
// line order (hpddetailID), so which of them fall within a revised number of
// rentals is the same on every database.
//
// Database failures throw db::DbError; a figure too large for a double throws
// text::NumberTextError. The screen's error traps report them. The schedule
// works on controls owned by the screen; they must outlive it.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/forms/list_view.h"
#include "platform/forms/text_box.h"
#include "shell/bas_module.h"

namespace hp::aftersettlement {

// Told when the processing chosen has no rental line, or none carrying a
// settlement amount (all of them null): there is nothing to re-process, and
// nothing is loaded.
inline constexpr char kNoSettlementFigures[] =
    "This processing has no rental lines with settlement amounts . Choose another processing.";

// The controls of the after-settlement screen the computations read and write.
struct SettlementControls {
  forms::TextBox& txtSP;
  forms::TextBox& txtDP;
  forms::TextBox& txtBal;
  forms::TextBox& txtMonthlyRate;
  forms::TextBox& txtInterestRate;
  forms::TextBox& txtInstallmentPrice;
  forms::TextBox& txtRentalAmount;
  forms::TextBox& txtNoRetals;
  forms::TextBox& txtNoofRentals;
  forms::TextBox& txtInvoice;
  forms::TextBox& txtInvDate;
  forms::TextBox& txtPrevoiusSettlements;
  forms::TextBox& txtReceipted;
  forms::TextBox& txtnewInstPrice;
  forms::TextBox& txtBalancetoPay;
  forms::TextBox& txtAdjCapitalBal;
  forms::TextBox& txtUnearnedIncomeBal;
  forms::TextBox& txtAdjustments;
  forms::TextBox& txtTotRental;
  forms::TextBox& txtTotInterest;
  forms::TextBox& txtTotCapitalRepayment;
  forms::ListView& lvwPreDetails;
};

// Sub-items of a schedule line ("Rental No" is the row's text).
enum SettlementColumn {
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

class AfterSettlementSchedule {
 public:
  AfterSettlementSchedule(shell::BasModule& bas, SettlementControls controls);

  // hphInvoiceID of the processing whose header was loaded last.
  std::int32_t invoice_id = 0;
  // The interest of all lines of the chosen processing, settled or not.
  double full_interest_total = 0;

  // Sums of the processing's lines; nullopt when the sum is null (no line,
  // or every amount null).
  std::optional<double> GetSettledAmount(std::int32_t id);
  std::optional<double> GetInterestTotal(std::int32_t id);

  // Capital received: settled total less the interest of all lines, each in
  // "0.00", into txtReceipted as plain number text; also keeps the full
  // interest total. Returns false, writing nothing, when the settled total is
  // null (kNoSettlementFigures is the caller's to tell).
  bool CapitalReceived(std::int32_t id);

  // The header boxes and the settled amount; false when the processing is not
  // in the session company (nothing filled).
  bool LoadProcessingHeader(std::int32_t id);

  // All settled lines into lvwPreDetails (emptied first), renumbered from 1,
  // and the three totals. Returns the number of rows.
  int LoadSettledRentals(std::int32_t id);
  // As LoadSettledRentals, but at most the revised number of rentals
  // (txtNoRetals), the first ones by line number; then the unearned income
  // balance and the adjustments for the rows kept.
  int ReprocessSettledRentals(std::int32_t id);

  // The figures shown once a processing has been chosen in new mode (after
  // LoadSettledRentals): stored and revised number of rentals, new
  // installment price (the settled amount), balance to pay, invoice boxes,
  // adjusted capital balance, unearned income balance, adjustments.
  void Summarise(std::int32_t id);

  // txtnewInstPrice_Change: balance to pay, adjusted capital balance and
  // adjustments follow the new installment price; the unearned income
  // balance stays.
  void txtnewInstPrice_Change();

  // The key handlers of the two boxes. Enter in the revised number derives
  // the rental from the total rental (not when the number is 0); Enter in the
  // rental derives the number (not when the rental is 0). A minus sign is
  // refused in both.
  void txtNoRetals_KeyPress(int& key, shell::clsCommonGen& gen);
  void txtRentalAmount_KeyPress(int& key, shell::clsCommonGen& gen);

 private:
  int ListSettledRentals(std::int32_t id, std::optional<double> limit);

  shell::BasModule& bas_;
  SettlementControls c_;
};

}  // namespace hp::aftersettlement
