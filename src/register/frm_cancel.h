// "Reason for deletion": asks the reason a processing is being cancelled.
//
// Writes into `reason` (the register's strCancelReason): cleared when the
// dialog is activated, set to the accepted text as typed (untrimmed) on OK.
// Closing the dialog without typing leaves it empty, and the cancellation
// goes on with an empty reason; closing with a reason typed but not yet
// accepted accepts it. The apostrophe key is dropped as users are used to;
// the reason is stored through a bound value, so a pasted apostrophe is kept.
#pragma once

#include <string>

#include "platform/forms/basic_controls.h"
#include "platform/forms/form.h"
#include "platform/forms/text_box.h"
#include "shell/bas_module.h"

namespace hp::reg {

class frmcancel : public forms::Form {
 public:
  static constexpr int kMaxReason = 200;

  frmcancel(shell::BasModule& bas, std::string& reason);

  forms::Label Label1;
  forms::TextBox txtcanreason;
  forms::CommandButton cmdok;

 protected:
  void Form_Load() override;
  void Form_Activate() override;
  void Form_QueryUnload(bool& cancel) override;

 private:
  void cmdOK_Click();
  void txtcanreason_KeyPress(int& key);
  void txtcanreason_KeyUp();
  void txtcanreason_Change();
  bool HasReason() const;

  shell::BasModule& bas_;
  std::string& reason_;
};

}  // namespace hp::reg
