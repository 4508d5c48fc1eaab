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
#include "shell/bas_module.h"

namespace hp::reprocessing {

class frmReprocessing : public forms::Form {
 public:
  explicit frmReprocessing(shell::BasModule& bas);

  forms::Label lbldepartment;
  forms::ComboBox cbodepartment;
  forms::Label lblCustomer;
  forms::ComboBox cboCustomer;
  forms::CommandButton cmdCustfetch;
  forms::Label lblPrrocNo;
  forms::ComboBox cboPrrocNo;
  forms::Label lblPNo;
  forms::TextBox txtPNo;
  forms::Label lblDate;
  forms::TextBox txtDate;
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

 protected:
  void Form_Load() override;
  void Form_Activate() override;
  void Form_QueryUnload(bool& cancel) override;

 private:
  // Handlers.
  void cboCustomer_Change();
  void cboCustomer_Click();
  void cboPrrocNo_Click();
  void cmdCustfetch_Click();
  void optAuto_Click();
  void optMan_Click();
  void cmdReProcess_Click();
  void cmdOK_Click();
  void cmdClose_Click();

  // Routines.
  void FillCustomers();
  void ClearAllDetails();
  void FillProcessingNumbers();
  // The whole save inside one transaction; true when it was committed.
  bool Save();
  void SaveHeader();
  void SaveDetails();
  void SaveCashFlow();
  bool EditMode() const;
  bool ConfirmClearing(const std::string& question);
  char ChosenMode() const;

  shell::BasModule& bas_;
  shell::ClsCommonDb db_;
  shell::clsCommonGen gen_;
  ReprocessingSchedule schedule_;
  bool first_activation_ = true;
  std::int64_t remembered_customer_ = 0;  // whose processings cboPrrocNo lists
  char mode_ = 0;                         // the option chosen last ('A', 'M' or none)
  std::int32_t new_id_ = 0;
  std::string new_number_;
};

}  // namespace hp::reprocessing
