// "Processing Mode": the dialog behind the register's New, choosing one of
// the three working screens.
#pragma once

#include "platform/forms/basic_controls.h"
#include "platform/forms/form.h"
#include "shell/bas_module.h"

namespace hp::shell {

class frmSelection : public forms::Form {
 public:
  explicit frmSelection(BasModule& bas);

  forms::Frame fraMode;
  forms::OptionButton optProcessing;
  forms::OptionButton optReProcessing;
  forms::OptionButton optAfterSettlement;
  forms::CommandButton cmdOK;
  forms::CommandButton cmdClose;

 protected:
  void Form_Load() override;

 private:
  void cmdOK_Click();
  void cmdClose_Click();
  BasModule& bas_;
};

}  // namespace hp::shell
