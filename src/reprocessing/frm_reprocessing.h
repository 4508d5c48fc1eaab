// "HP Re-Processing": replaces the schedule of a live processing by a new one
// and stores it as a new processing that refers to the old one, which is
// marked amended.
//
// The user picks a department, a customer (from the list or the customer
// search) and one of the customer's processings with unsettled rentals; the
// remaining rentals load; Re-Process Interest lays out the new schedule,
// automatically from a new number of rentals and rental or from lines entered
// by hand (the line editor), with its discounted cash flow and the adjustment
// to the carrying amount; the line editor completes the cheques; OK stores it.
//
// Saving is all or nothing: the header (numbered by the department it
// records), the rental lines, the cash-flow lines, the amended mark on the old
// processing and the audit entry are written in one transaction. The old
// processing is marked only while it is not amended yet, so when another user
// re-processed it in the meantime nothing is stored and the user is told
// (kAlreadyAmended). When a save fails the user is told that nothing was
// stored (shell::kSaveFailed) and the screen stays open as it was; the
// register grid is refreshed only after the commit.
//
// OK stores only a schedule processed for the inputs on the screen: choosing
// another customer or processing, changing No of Rentals or the rental,
// switching the mode, or adding, deleting or changing a line forgets it (and
// the cash flow and adjustment computed from it) until Re-Process runs again.
//
// The register opens the same window to show a stored re-processing (edit
// mode, GStrMasterNewEditFlag "E"): it loads the window (Load()), fills the
// controls, disables Re-Process and OK and shows it; nothing is saved then.
#pragma once

#include <cstdint>
#include <string>

#include "platform/forms/basic_controls.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/form.h"
#include "platform/forms/list_view.h"
#include "platform/forms/tab_strip.h"
#include "platform/forms/text_box.h"
#include "reprocessing/frm_reprocessing_pop_up.h"
#include "reprocessing/reprocessing_schedule.h"
#include "reprocessing/reprocessing_screen.h"
#include "shell/bas_module.h"

namespace hp::reprocessing {

// The choice of the processing (lbldepartment to txtDate) and the handlers
// both re-processing windows share are ReprocessingScreen's.
class frmReprocessing : public ReprocessingScreen {
 public:
  explicit frmReprocessing(shell::BasModule& bas);

  forms::Label lblInvoice;
  forms::TextBox txtInvoice;
  forms::Frame fraMode;
  forms::OptionButton optAuto;
  forms::OptionButton optMan;
  forms::Label lblSP;
  forms::TextBox txtSP;
  forms::Label lblDP;
  forms::TextBox txtDP;
  forms::Label lblBal;
  forms::TextBox txtBal;
  forms::Label lblInstallmentPrice;
  forms::TextBox txtInstallmentPrice;
  forms::Label lblNoRetals;
  forms::TextBox txtNoRetals;
  forms::Label lblRentalAmount;
  forms::TextBox txtRentalAmount;
  forms::Label lblMonthlyRate;
  forms::TextBox txtMonthlyRate;
  forms::Label lblInterestRate;
  forms::TextBox txtInterestRate;
  forms::Label lblReceipted;
  forms::TextBox txtReceipted;
  forms::Label lblAdjustments;
  forms::TextBox txtAdjustments;
  forms::Label lblAdjCapitalBal;
  forms::TextBox txtAdjCapitalBal;
  forms::Label lblRemarks;
  forms::TextBox txtRemarks;
  forms::TextBox txtUserName;  // creator of a stored re-processing; never shown
  forms::CommandButton cmdReProcess;
  forms::TabStrip sstbDetails;
  forms::ListView lvwReProcessing;
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

  // The rental list's double click, Enter key and pop-up menu (mnupopup).
  RentalLineEditing lineEditing;

  // The invoice of the processing loaded (the register sets it in edit mode
  // through the processing it selects).
  std::int32_t LoadedInvoiceID() const { return schedule_.loaded.invoice_id; }

 private:
  // Hooks of ReprocessingScreen.
  const char* NewModeCustomers() const override;
  const char* NewModeProcessings() const override;
  forms::ListView& ScheduleList() override { return lvwReProcessing; }
  void ForgetSchedule() override { schedule_.Forget(); }
  void ModeChosen(char mode) override;
  void FirstActivation() override;
  void cboPrrocNo_Click() override;
  void cmdReProcess_Click() override;
  void NoOfRentalsKeyPress(int& key) override { schedule_.NoOfRentalsKeyPress(key, gen_); }
  void RentalAmountKeyPress(int& key) override { schedule_.RentalAmountKeyPress(key, gen_); }
  bool ValidateEntries() override { return schedule_.ValidateEntries(Mode::Save); }
  std::string WriteRecords(db::Connection& con, std::int32_t& id, std::string& number) override;

  // Routines.
  // The controls the schedule works on (they are constructed before it).
  ScheduleControls ControlsOfSchedule();
  void SaveHeader();
  void SaveDetails();
  void SaveCashFlow();
  char ChosenMode() const;

  ReprocessingSchedule schedule_;
  char mode_ = 0;                         // the option chosen last ('A', 'M' or none)
  std::int32_t new_id_ = 0;
  std::string new_number_;
};

}  // namespace hp::reprocessing
