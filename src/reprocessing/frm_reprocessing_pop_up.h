// "Re-Processing Details": the rental line editor of a re-processing screen,
// and the rental list's double click, Enter key and pop-up menu that open it.
//
// In automatic mode the dialog walks through the computed lines from the one
// double-clicked, taking each line's bank, cheque number and amount; the walk
// is bounded by the list and closes the dialog after its last line. In manual
// mode it also adds the rentals of the new schedule (line by line, the dialog
// staying open) and edits them; the menu deletes them. In edit mode (a stored
// re-processing shown) the dialog cannot accept anything.
//
// The dialog and the menu work on the controls of the screen that owns them
// (RentalLineTarget), which must outlive them. The screen is told through
// LinesChanged whenever a line was added or deleted or its date or rental
// changed, so that it forgets a schedule processed for the old lines.
#pragma once

#include <functional>
#include <string>

#include "platform/forms/basic_controls.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/form.h"
#include "platform/forms/list_view.h"
#include "platform/forms/menu.h"
#include "platform/forms/text_box.h"
#include "shell/bas_module.h"

namespace hp::reprocessing {

// What the line editor works on: the screen's rental list and the controls
// that decide what may be changed.
struct RentalLineTarget {
  forms::ListView& lvwReProcessing;
  forms::ListView& lvwCashFlow;
  forms::OptionButton& optAuto;
  forms::OptionButton& optMan;
  forms::TextBox& txtTotRental;
  std::function<void()> LinesChanged;
};

class frmReProcessingPopUp : public forms::Form {
 public:
  frmReProcessingPopUp(shell::BasModule& bas, RentalLineTarget target);

  forms::Label lblPeriod;
  forms::DatePicker dtpPeriod;
  forms::Label lblRentalAmount;
  forms::TextBox txtRentalAmount;
  forms::Label lblBankName;
  forms::ComboBox cboBankName;
  forms::Label lblChequeNo;
  forms::TextBox txtchequeno;
  forms::Label lblAmount;
  forms::TextBox txtAmount;
  forms::CommandButton cmdOk;
  forms::CommandButton cmdClose;

  // Fills the entries from `line` before the dialog is shown to edit it: the
  // rental as listed (`rental_as_listed`) or in "0.00", the amount from the
  // rental. Call after Load(). Throws text::DateTextError for a cheque date
  // that is no date.
  void ShowLine(const forms::ListItem& line, bool rental_as_listed);

 protected:
  void Form_Load() override;

 private:
  void cmdOK_Click();
  void cmdClose_Click();
  bool ValidateLine();
  void LoadNextLine();
  void ClearAllFields();
  bool Refuse(const std::string& message, forms::Control& focus);

  shell::BasModule& bas_;
  RentalLineTarget t_;
};

// The rental list's handlers on a re-processing screen.
class RentalLineEditing {
 public:
  // `processing_chosen` tells whether the screen has a processing chosen.
  RentalLineEditing(shell::BasModule& bas, forms::Form& screen, RentalLineTarget target,
                    std::function<bool()> processing_chosen);

  // "popup": mnuAdd "Add", mnuEdit "Edit", mnuDelete "Delete", mnuCancel
  // "Cancel" (closes the menu).
  forms::Menu mnupopup;

  // Automatic mode: opens the editor on the selected line. Otherwise edits the
  // selected line, or adds when the list is empty.
  void lvwReProcessing_DblClick();
  void lvwReProcessing_KeyPress(int& key);  // Enter acts as a double click
  // The right button shows the menu, only in manual mode with a processing
  // chosen.
  void lvwReProcessing_MouseDown(int button);
  void mnuAdd_Click();
  void mnuEdit_Click();    // nothing when no line is selected
  void mnuDelete_Click();  // nothing when no line is selected

 private:
  void OpenSelectedLine(bool rental_as_listed);

  shell::BasModule& bas_;
  forms::Form& screen_;
  RentalLineTarget t_;
  std::function<bool()> processing_chosen_;
};

}  // namespace hp::reprocessing
