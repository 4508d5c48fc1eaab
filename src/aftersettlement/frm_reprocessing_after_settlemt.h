// "HP Re-Processing - After Settlement": re-processes a processing on which
// settlements have been received. The user picks a department, a customer and
// one of the customer's live processings; its settled rentals are listed
// (lvwPreDetails, with a tick box on each row) with the adjustment figures;
// the user may change the new installment price, re-process to a revised
// number of rentals, or keep only the ticked rows (Reset). OK stores a new
// processing whose schedule is the settled list, and marks the processing
// re-processed as amended.
//
// Saving is all or nothing, in one transaction: the header (after settlement
// 1, adjustment not posted, numbered by the department it records), its
// rental lines (the settled list, renumbered from 1), no cash-flow row, the
// amended mark on the processing re-processed and the audit entry. The mark is
// set only while that processing is not amended yet: when another user's
// re-processing amended it since it was chosen, nothing is stored and the user
// is told (reprocessing::kAlreadyAmended). A failed save tells the user that
// nothing was stored (shell::kSaveFailed) and leaves the screen open as it
// was; the register grid is refreshed only after the commit.
//
// OK stores only a settled list built for the inputs on the screen: choosing
// a processing (or loading a stored one) and Re-Process build it; choosing
// another customer or processing, switching the mode with clearing, Reset and
// any change of the revised number of rentals forget it, and OK then answers
// "Process the details ." until Re-Process builds it again. A revised number
// of rentals that is not a whole number of at least 1 is refused first
// ("Enter No of Rentals .").
//
// Edit mode (GStrMasterNewEditFlag "E"): the register loads the window
// (Load()), fills it from the stored re-processing with LoadStored and shows
// it. OK then deletes the stored header, lines and cash-flow rows and writes
// them again under the same identifier and number, in one transaction, so a
// failure leaves the stored processing exactly as it was. It refuses a
// processing that is not a re-processing after settlement (a null flag reads
// as not one), or that is cancelled, amended or posted (its adjustment or any
// of its lines); the stored cancel and amended flags, cancellation remarks,
// re-processing type and creator are carried over unchanged.
#pragma once

#include <cstdint>
#include <string>

#include "aftersettlement/after_settlement_schedule.h"
#include "platform/forms/basic_controls.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/form.h"
#include "platform/forms/list_view.h"
#include "platform/forms/tab_strip.h"
#include "platform/forms/text_box.h"
#include "reprocessing/frm_reprocessing_pop_up.h"
#include "reprocessing/reprocessing_screen.h"
#include "shell/bas_module.h"

namespace hp::aftersettlement {

// Edit-mode refusals: the stored processing may not be saved again.
inline constexpr char kEditMissing[] = "This re-processing no longer exists. Nothing was stored.";
inline constexpr char kEditNotAfterSettlement[] =
    "This processing is not a re-processing after settlement. Cannot edit it here. Nothing was stored.";
inline constexpr char kEditCancelled[] = "Deleted process cannot edit. ";
inline constexpr char kEditAmended[] =
    "This re-processing has been replaced by a later re-processing. Cannot edit . Nothing was stored.";
inline constexpr char kEditPosted[] = "This is already posted. Cannot edit ";
// Told when choosing a processing failed (the error has been logged).
inline constexpr char kLoadFailed[] =
    "The processing could not be loaded. The error has been logged; choose the processing again.";
// Told when the new installment price typed is not a number.
inline constexpr char kEnterNewInstPrice[] = "Enter New Installment Price .";

// The choice of the processing (lbldepartment to txtDate) and the handlers
// both re-processing windows share are reprocessing::ReprocessingScreen's.
class frmReprocessingAfterSettlemt : public reprocessing::ReprocessingScreen {
 public:
  explicit frmReprocessingAfterSettlemt(shell::BasModule& bas);

  forms::TextBox txtUserName;  // creator of a stored re-processing; never shown
  forms::Label lblInvoice;
  forms::TextBox txtInvoice;
  forms::Label lblInvDate;
  forms::TextBox txtInvDate;
  forms::Label lblNoofRentals;
  forms::TextBox txtNoofRentals;
  forms::Frame fraMode;
  forms::OptionButton optAuto;
  forms::OptionButton optMan;
  forms::Label lblSP;
  forms::TextBox txtSP;
  forms::Label lblDP;
  forms::TextBox txtDP;
  forms::Label lblBal;
  forms::TextBox txtBal;
  forms::Label lblMonthlyRate;
  forms::TextBox txtMonthlyRate;
  forms::Label lblInterestRate;
  forms::TextBox txtInterestRate;
  forms::Label lblInstallmentPrice;
  forms::TextBox txtInstallmentPrice;
  forms::Label lblRentalAmount;
  forms::TextBox txtRentalAmount;
  forms::Label lblNoRetals;
  forms::TextBox txtNoRetals;
  // The adjustment panel.
  forms::Frame fraAdjustments;
  forms::Label lblPrevoiusSettlements;
  forms::TextBox txtPrevoiusSettlements;
  forms::Label lblReceipted;
  forms::TextBox txtReceipted;
  forms::Label lblnewInstPrice;
  forms::TextBox txtnewInstPrice;
  forms::Label lblBalancetoPay;
  forms::TextBox txtBalancetoPay;
  forms::Label lblAdjCapitalBal;
  forms::TextBox txtAdjCapitalBal;
  forms::Label lblUnearnedIncomeBal;
  forms::TextBox txtUnearnedIncomeBal;
  forms::Label lblAdjustments;
  forms::TextBox txtAdjustments;
  forms::Label lblRemarks;
  forms::TextBox txtRemarks;
  forms::CommandButton cmdReProcess;
  forms::CommandButton cmdelete;
  forms::TabStrip sstbDetails;
  forms::ListView lvwReProcessing;
  forms::Label lblPreDetails;
  forms::ListView lvwPreDetails;
  forms::Label lblTotRental;
  forms::TextBox txtTotRental;
  forms::Label lblTotInterest;
  forms::TextBox txtTotInterest;
  forms::Label lblTotCapitalRepayment;
  forms::TextBox txtTotCapitalRepayment;
  forms::ListView lvwCashFlow;
  forms::Label lbltotDiscCashFlow;
  forms::TextBox txttotDiscCashFlow;
  forms::CommandButton cmdOk;
  forms::CommandButton cmdClose;

  // The re-processing list's pop-up menu (mnupopup) and line editor.
  reprocessing::RentalLineEditing lineEditing;

  // Edit mode: fills the window from stored re-processing `id` of the session
  // company, after Load() and before the window is shown: the processing it
  // re-processed chosen and locked, the stored figures, and its lines (in line
  // order) in lvwPreDetails. When its adjustment is posted the user is told
  // kEditPosted and false is returned (do not show the window); false also
  // when no such processing exists. Throws db::DbError.
  bool LoadStored(std::int32_t id);

  // Whether OK may store the settled list as it is (see above).
  bool Processed() const { return processed_; }
  std::int32_t InvoiceID() const { return schedule_.invoice_id; }

 private:
  // Hooks of ReprocessingScreen.
  const char* NewModeCustomers() const override;
  const char* NewModeProcessings() const override;
  forms::ListView& ScheduleList() override { return lvwPreDetails; }
  void ForgetSchedule() override { processed_ = false; }
  void ClearOwnDetails() override;
  void cboPrrocNo_Click() override;
  void cmdReProcess_Click() override;
  void NoOfRentalsKeyPress(int& key) override { schedule_.txtNoRetals_KeyPress(key, gen_); }
  void RentalAmountKeyPress(int& key) override { schedule_.txtRentalAmount_KeyPress(key, gen_); }
  bool ValidateEntries() override;
  std::string WriteRecords(db::Connection& con, std::int32_t& id, std::string& number) override;

  void cmdelete_Click();

  AfterSettlementSchedule schedule_;
  bool processed_ = false;
};

}  // namespace hp::aftersettlement
