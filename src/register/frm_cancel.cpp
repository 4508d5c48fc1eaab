#include "register/frm_cancel.h"

#include "customer/grid_text_search.h"

namespace hp::reg {
namespace {
constexpr char kContext[] = "GStrMasterNewEditFlag";
}

frmcancel::frmcancel(shell::BasModule& bas, std::string& reason)
    : Form(bas.host, "frmcancel"),
      Label1(*this, "Label1", "&Reason :"),
      txtcanreason(*this, "txtcanreason"),
      cmdok(*this, "cmdok", "&OK"),
      bas_(bas),
      reason_(reason) {
  Caption = "Reason for deletion";
  Width = 6480;
  Height = 915;
  Label1.Place(60, 120, 780, 255);
  txtcanreason.Place(840, 60, 4440, 315);
  txtcanreason.MaxLength = kMaxReason;
  cmdok.Place(5340, 60, 1000, 315);
  cmdok.Enabled = false;
  CancelButton = &cmdok;
  cmdok.Click = [this] { cmdOK_Click(); };
  txtcanreason.KeyPress = [this](int& key) { txtcanreason_KeyPress(key); };
  txtcanreason.KeyUp = [this](int) { txtcanreason_KeyUp(); };
  txtcanreason.Change = [this] { txtcanreason_Change(); };
}

bool frmcancel::HasReason() const { return !customer::TrimBlanks(txtcanreason.Text()).empty(); }

void frmcancel::Form_Load() { bas_.objColour->ApplyPavlin(*this); }

void frmcancel::Form_Activate() {
  bas_.Trap(*this, "Form_Activate", kContext, [&] {
    reason_.clear();
    Width = 6480;
    Height = 915;
    Caption = "Reason for deletion";
  });
}

void frmcancel::txtcanreason_KeyPress(int& key) {
  bas_.Trap(*this, "txtcanreason_KeyPress", kContext, [&] {
    if (key == '\'') key = 0;
    bas_.EnterAsTab(key);
  });
}

void frmcancel::txtcanreason_KeyUp() {
  bas_.Trap(*this, "txtcanreason_KeyUp", kContext, [&] { cmdok.Enabled = HasReason(); });
}

void frmcancel::txtcanreason_Change() {
  // A pasted reason raises no key: without this its OK would stay disabled,
  // and closing the dialog would cancel the processing with no reason at all.
  // Only enabling here: OK's own check answers a text blanked by a paste.
  if (HasReason()) cmdok.Enabled = true;
}

void frmcancel::cmdOK_Click() {
  bas_.Trap(*this, "cmdOk_Click", kContext, [&] {
    if (HasReason()) {
      reason_ = txtcanreason.Text();
      cmdok.Enabled = false;
      Unload();
    } else {
      bas_.MsgBox("Enter reason for deletion");
      txtcanreason.SetFocus();
    }
  });
}

void frmcancel::Form_QueryUnload(bool& cancel) {
  bas_.Trap(*this, "Form_QueryUnload", kContext, [&] {
    // A reason typed but not yet accepted is accepted now; a blank one keeps
    // the dialog open. With OK disabled (nothing typed, or accepted) it closes.
    if (!cmdok.Enabled) return;
    cancel = true;
    cmdOK_Click();
    cancel = !HasReason();
  });
}

}  // namespace hp::reg
