// What the two re-processing windows share ("HP Re-Processing" and "HP
// Re-Processing - After Settlement"): the choice of department, customer and
// processing at the top of the window (first in tab order on both), loading,
// activation and closing, the customer handlers, the mode options, clearing
// the details, and the frame of a save.
//
// A save is validated first (ValidateEntries), then written in one
// transaction: the window's rows (WriteRecords) and the audit entry. When the
// window refuses inside the transaction (another user amended the processing
// meanwhile, a stored row may not change) it is rolled back and the user is
// told why; when a trapped error ends it the user is told that nothing was
// stored (shell::kSaveFailed) and the window stays open as it was. The
// register grid is refreshed only after the commit.
//
// Each window supplies through the hooks below what differs: which customers
// and processings it offers in new mode, the list that holds its schedule,
// what else it clears and forgets, and its own handlers and rows. The window
// owns the rest of its controls, declared after the ones here (so the tab
// order is the declaration order), and hands them to BindShared at the end of
// its constructor.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/db/connection.h"
#include "platform/forms/basic_controls.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/form.h"
#include "platform/forms/list_view.h"
#include "platform/forms/tab_strip.h"
#include "platform/forms/text_box.h"
#include "reprocessing/reprocessing_schedule.h"
#include "shell/bas_module.h"
#include "shell/common_db.h"
#include "shell/common_gen.h"

namespace hp::reprocessing {

// The twelve columns of a rental list and the four of the cash-flow list.
const std::vector<forms::ListView::Column>& ScheduleColumns();
const std::vector<forms::ListView::Column>& CashFlowColumns();

class ReprocessingScreen : public forms::Form {
 public:
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

 protected:
  // The window's controls that the shared handlers use: those the
  // re-processing computations work on, and a few more.
  struct SharedControls : ScheduleControls {
    forms::TextBox& txtRemarks;
    forms::TextBox& txtUserName;
    forms::TabStrip& sstbDetails;
    forms::CommandButton& cmdOk;
    forms::CommandButton& cmdClose;
  };

  ReprocessingScreen(shell::BasModule& bas, std::string name);
  // Binds the shared handlers to the window's controls, which must outlive
  // the window's handlers; called once, at the end of the window's
  // constructor.
  void BindShared(const SharedControls& controls);

  void Form_Load() override;
  void Form_Activate() override;
  void Form_QueryUnload(bool& cancel) override;

  // Handlers.
  void cboCustomer_Change();
  void cboCustomer_Click();
  void cmdCustfetch_Click();
  void optAuto_Click();
  void optMan_Click();
  void cmdOK_Click();
  void cmdClose_Click();

  // Routines.
  void FillCustomers();
  void FillProcessingNumbers(std::int64_t customer, std::int64_t department);
  void ClearAllDetails();
  // The whole save inside one transaction; true when it was committed.
  bool Save();
  bool EditMode() const;
  bool ConfirmClearing(const std::string& question);

  // ---- Hooks ----
  // The customer table offered in new mode (one placeholder: the company).
  virtual const char* NewModeCustomers() const = 0;
  // The processing table offered in new mode (placeholders: company,
  // customer, department).
  virtual const char* NewModeProcessings() const = 0;
  // The list holding the schedule the window stores: clearing asks first
  // when it has rows.
  virtual forms::ListView& ScheduleList() = 0;
  // Forgets that the schedule shown was processed for the inputs shown.
  virtual void ForgetSchedule() = 0;
  // Clears the window's own boxes after the shared ones (ClearAllDetails).
  virtual void ClearOwnDetails() {}
  // After optAuto_Click ('A') or optMan_Click ('M').
  virtual void ModeChosen(char mode) {}
  // Once, on the first activation.
  virtual void FirstActivation() {}
  virtual void cboPrrocNo_Click() = 0;
  virtual void cmdReProcess_Click() = 0;
  // The key handlers of No of Rentals and the rental, inside their traps.
  virtual void NoOfRentalsKeyPress(int& key) = 0;
  virtual void RentalAmountKeyPress(int& key) = 0;
  // The checks before a save; false (the user told) when it may not go on.
  virtual bool ValidateEntries() = 0;
  // Writes the rows of the save inside its transaction and sets the
  // identifier and number stored. Returns the message that tells why nothing
  // may be stored (the transaction is then rolled back), or empty text.
  // Throws what the writers throw.
  virtual std::string WriteRecords(db::Connection& con, std::int32_t& id, std::string& number) = 0;

  shell::BasModule& bas_;
  shell::ClsCommonDb db_;
  shell::clsCommonGen gen_;

 private:
  std::optional<SharedControls> c_;
  bool first_activation_ = true;
  std::int64_t remembered_customer_ = 0;  // whose processings cboPrrocNo lists
};

}  // namespace hp::reprocessing
