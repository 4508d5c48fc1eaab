// The register's Edit action: opens a stored processing in the working screen
// it belongs to, filled with its figures, rental lines and (re-processings)
// cash-flow lines, for viewing.
//
// Which screen: a processing that re-processes another after settlement
// (hphreprocessaftersettlement true) opens in the after-settlement screen, one
// that re-processes another otherwise (hphReferenceID set) in the
// re-processing screen, a first processing in the processing screen. A null
// flag reads as false and a null or 0 reference as none.
//
// Nothing can be saved from a screen opened here: its OK is disabled (as are
// Process / Re-Process and the lists that choose the processing), so neither
// OK nor the close question stores anything, and the screens' line dialogs
// accept nothing in edit mode.
//
// The screens are made through bas.windows. Errors are thrown, never shown
// half-done: a failing statement or look-up, a processing that is not on file,
// or a stored customer, invoice or previous processing that the screen does
// not offer ends the action before the screen is shown; the register's
// CmdEdit_Click trap reports it.
#pragma once

#include <cstdint>

#include "platform/db/value.h"
#include "platform/forms/list_view.h"
#include "platform/forms/text_box.h"
#include "shell/bas_module.h"

namespace hp::reg {

// Told instead of opening an after-settlement re-processing whose adjustment
// has been posted.
inline constexpr char kAlreadyPosted[] = "This is already posted. Cannot edit ";

enum class EditScreen { kProcessing, kReprocessing, kAfterSettlement };

// The screen of a stored processing, from its hphReferenceID and
// hphreprocessaftersettlement as read.
EditScreen EditScreenFor(const db::Value& reference, const db::Value& after_settlement);

// CmdEdit_Click from the point where the row is known: sets
// GStrMasterNewEditFlag to "E" and lngEditProcessingID, reads the header of
// `processing_id` of the session company, fills the chosen screen and shows
// it modally; returns when the screen is closed, true. Returns false, showing
// nothing, when the processing is an after-settlement one whose adjustment is
// posted (the user is told kAlreadyPosted) or that its screen refuses to load.
// Throws as said above (db::DbError, std::runtime_error and the text layer's
// errors).
bool OpenForEdit(shell::BasModule& bas, std::int32_t processing_id);

// The boxes a rental list's totals go to.
struct DetailTotals {
  forms::TextBox& rental;
  forms::TextBox& interest;
  forms::TextBox& capital_repayment;
};

// Lists the stored rental lines of `processing_id` (session company) in line
// order, numbered from 1: cheque date as a short date, amounts and the
// monthly rate in "0.00", bank and cheque number as stored; writes the totals
// of rental, interest and capital repayment in "0.00". The list is emptied
// first. Throws db::DbError.
void FillDetailList(shell::BasModule& bas, std::int32_t processing_id, forms::ListView& list, DetailTotals totals);

// Lists the stored cash-flow lines of `processing_id` (session company) in
// line order, numbered from 1: discount factor, rental and discounted cash
// flow in "0.00"; writes the total discounted cash flow in "0.00". The list is
// emptied first. Throws db::DbError.
void FillCashFlowList(shell::BasModule& bas, std::int32_t processing_id, forms::ListView& list,
                      forms::TextBox& total);

}  // namespace hp::reg
