#include "shell/frm_selection.h"

#include "shell/windows.h"

namespace hp::shell {

frmSelection::frmSelection(BasModule& bas)
    : Form(bas.host, "frmSelection"),
      fraMode(*this, "fraMode"),
      optProcessing(*this, "optProcessing", "&Processing"),
      optReProcessing(*this, "optReProcessing", "&Re-Processing"),
      optAfterSettlement(*this, "optAfterSettlement", "Re-Processing &After Settlement"),
      cmdOK(*this, "cmdOK", "&Ok"),
      cmdClose(*this, "cmdClose", "&Close"),
      bas_(bas) {
  Caption = "Processing Mode";
  Width = 4200;
  Height = 2600;
  fraMode.Place(120, 60, 3900, 1500);
  for (auto* o : {&optProcessing, &optReProcessing, &optAfterSettlement}) o->Container = &fraMode;
  optProcessing.Place(240, 300, 3400, 300);
  optReProcessing.Place(240, 700, 3400, 300);
  optAfterSettlement.Place(240, 1100, 3400, 300);
  cmdOK.Place(1500, 1700, 1150, 400);
  cmdClose.Place(2800, 1700, 1150, 400);
  optProcessing.SetValue(true);
  DefaultButton = &cmdOK;
  CancelButton = &cmdClose;
  auto enter_is_ok = [this](int& key) {
    if (key == 13) cmdOK_Click();
  };
  optProcessing.KeyPress = enter_is_ok;
  optReProcessing.KeyPress = enter_is_ok;
  cmdOK.Click = [this] { cmdOK_Click(); };
  cmdClose.Click = [this] { cmdClose_Click(); };
}

void frmSelection::Form_Load() { bas_.objColour->ApplyPavlin(*this); }

void frmSelection::cmdOK_Click() {
  std::unique_ptr<forms::Form> screen;
  if (optProcessing.Value()) screen = bas_.windows.MakeProcessing(bas_);
  else if (optReProcessing.Value()) screen = bas_.windows.MakeReprocessing(bas_);
  else screen = bas_.windows.MakeAfterSettlement(bas_);
  Unload();
  if (screen) host().ShowModal(*screen);
}

void frmSelection::cmdClose_Click() { Unload(); }

}  // namespace hp::shell
