// "Hire Purchase Processing": turns one confirmed HP invoice into a stored
// processing. The user picks a department, a customer and one of the
// customer's invoices open for processing; the invoice's figures load; Process
// Interest lays out the schedule (rates, one line per rental with the cheque
// the invoice's cheque register holds for its due date); the cheque dialog
// completes the lines; OK stores the processing under a new identifier and
// number and marks the invoice processed.
//
// Saving is all or nothing: header, rental lines, before-tax lines (service-tax
// invoices), the invoice's processed flag and the audit entry are written in
// one transaction, which also holds the write lock while the keys are drawn.
// The invoice is claimed only while it is still unprocessed, so when another
// user processed it in the meantime nothing is stored and the user is told.
// The register grid is refreshed only after the commit; when a save fails the
// user is told that nothing was stored and the screen stays open as it was.
//
// OK stores only a schedule processed for the inputs on the screen: choosing
// another customer, department or invoice, or changing No of Rentals or the
// rental, forgets it until Process Interest runs again.
//
// The register opens the same window to show a stored processing (edit mode,
// GStrMasterNewEditFlag "E"): it fills the controls itself and disables
// Process Interest and OK; nothing is saved then.
#pragma once

#include <cstdint>
#include <string>

#include "platform/forms/basic_controls.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/form.h"
#include "platform/forms/list_view.h"
#include "platform/forms/text_box.h"
#include "processing/schedule.h"
#include "shell/bas_module.h"

namespace hp::processing {

// Told when the invoice was processed by someone else after it was chosen.
inline constexpr char kInvoiceAlreadyProcessed[] =
    "This invoice has already been processed. Nothing was stored; choose another invoice.";
// Told when a trapped error ended Process Interest: the schedule is incomplete
// and cannot be saved.
inline constexpr char kProcessFailed[] =
    "The interest could not be processed. The error has been logged; correct the figures and process again.";

class frmProcessing : public forms::Form {
 public:
  explicit frmProcessing(shell::BasModule& bas);

  forms::Label lblPNo;
  forms::TextBox txtPNo;
  forms::Label lblDate;
  forms::TextBox txtDate;
  forms::Label lbldepartment;
  forms::ComboBox cbodepartment;
  forms::Label lblCustomer;
  forms::ComboBox cboCustomer;
  forms::CommandButton cmdCustfetch;
  forms::Label lblInvoice;
  forms::ComboBox cboInvoice;
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
  forms::Label lblMonthlyPercent;
  forms::Label lblInterestRate;
  forms::TextBox txtInterestRate;
  forms::Label lblInterestPercent;
  forms::Label lblRemarks;
  forms::TextBox txtRemarks;
  forms::CommandButton cmdProcess;
  forms::ListView lvwProcessing;
  forms::Label lblTotRental;
  forms::TextBox txtTotRental;
  forms::Label lblTotInterest;
  forms::TextBox txtTotInterest;
  forms::Label lblTotCapital;
  forms::TextBox txtTotCapitalRepayment;
  forms::CommandButton cmdOK;
  forms::CommandButton cmdClose;
  forms::TextBox txtUserName;  // creator of a stored processing; never shown

  // The before-tax figures and schedule of a service-tax invoice, on a panel
  // that is never shown.
  forms::Frame Frame2;
  forms::ListView lvwProcessBeforeTax;
  forms::TextBox txtSPBT;
  forms::TextBox txtDPBT;
  forms::TextBox txtBalBT;
  forms::TextBox txtInstallmentPriceBT;
  forms::TextBox txtNoRetalsBT;
  forms::TextBox txtRentalAmountBT;
  forms::TextBox txtMonthlyRateBT;
  forms::TextBox txtInterestRateBT;
  forms::TextBox txtTotRentalBT;
  forms::TextBox txtTotInterestBT;
  forms::TextBox txtTotCapitalRepaymentBT;

 protected:
  void Form_Load() override;
  void Form_Activate() override;
  void Form_QueryUnload(bool& cancel) override;

 private:
  // Handlers.
  void cbodepartment_Click();
  void cboCustomer_Click();
  void cboInvoice_Click();
  void cmdProcess_Click();
  void lvwProcessing_DblClick();
  void cmdOK_Click();
  void cmdClose_Click();
  void cmdCustfetch_Click();

  // Routines.
  void FillCustomers();
  void ClearDetails();
  void FillInvoices();
  void ForgetInvoice();
  bool ValidateEntries(const std::string& mode);
  void FillInvoiceDetails(std::int64_t invoice);
  void FillBeforeTaxDetails(std::int64_t invoice);
  void ProcessInterest();
  void ProcessInterestBeforeTax();
  ChequeRef ChequeFor(const text::Date& due_date);
  // The whole save; true when it was committed (the tag is then cleared).
  bool Save();
  bool AskBeforeClearing();
  bool Refuse(const std::string& message, forms::Control& focus);
  bool EditMode() const;

  shell::BasModule& bas_;
  shell::ClsCommonDb db_;
  shell::clsCommonGen gen_;
  bool first_activation_ = true;
  std::int64_t listed_department_ = 0;  // whose customers cboCustomer lists
  std::int64_t listed_customer_ = 0;    // whose invoices cboInvoice lists
  std::string delivery_date_;           // of the chosen invoice, as stored
  bool service_tax_ = false;            // the chosen invoice has a service tax category
  bool schedule_processed_ = false;     // the lists hold a schedule of the inputs shown
  std::int32_t new_id_ = 0;
  std::string new_number_;
};

}  // namespace hp::processing
