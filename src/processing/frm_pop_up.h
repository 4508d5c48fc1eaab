// "Period": the cheque of one rental of the processing screen's schedule.
//
// Opened over the processing screen for the line of rental
// bas.intSelectedRentalNo (its position in the list, from 1). OK writes the
// cheque date, bank, cheque number and amount into that line of the list and
// moves on to the next rental by itself; after the list's last line it
// closes. The walk is bounded by the list itself, whatever the screen's No of
// Rentals box says, so it can never step past the lines there are. Only the
// list given is touched (never the before-tax list). In edit mode (viewing a
// stored processing) OK is disabled.
//
// The list belongs to the processing screen and must outlive the dialog.
#pragma once

#include "platform/forms/basic_controls.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/form.h"
#include "platform/forms/list_view.h"
#include "platform/forms/text_box.h"
#include "shell/bas_module.h"

namespace hp::processing {

class frmPopUp : public forms::Form {
 public:
  frmPopUp(shell::BasModule& bas, forms::ListView& lines);

  forms::Label lblPeriod;
  forms::DatePicker dtpPeriod;
  forms::Label lblBankName;
  forms::ComboBox cboBankName;
  forms::Label lblChequeNo;
  forms::TextBox txtchequeno;
  forms::Label lblAmount;
  forms::TextBox txtAmount;
  forms::CommandButton cmdOK;
  forms::CommandButton cmdClose;

  // Fills the entries from the line of rental bas.intSelectedRentalNo and
  // selects that line; the screen calls it (after loading the dialog) before
  // showing the dialog. Returns false, changing nothing, when the list has no
  // such line. Throws text::DateTextError for a Cheque Date that is no date.
  bool ShowRental();

 protected:
  void Form_Load() override;

 private:
  void cmdOK_Click();
  void cmdClose_Click();
  bool ValidateCheque();
  void ShowNextRental();
  // The line being edited, or nullptr when the rental number is out of the list.
  forms::ListItem* Line();

  shell::BasModule& bas_;
  forms::ListView& lines_;
};

}  // namespace hp::processing
