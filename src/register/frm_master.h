// "Hire Purchase Processing": the register of the session's processings, the
// window Show runs until the user closes it.
//
// Its load completes the session (shared components, user name, rights, the
// register query kept in strSql with its values in strSqlParams for the row
// refresh) and fills the grid: column 0 the hidden processing identifier,
// then number, date (ISO text), customer, invoice number, amended and
// cancelled ("Yes"/"No"). It sorts and searches the grid, enables New, Edit
// and Delete by the user's rights and the selected row, and cancels
// processings (CmdDelete_Click; the database side is cancel_processing.h).
//
// While loaded it is the session's register: bas.registerGrid points at
// flexMaster, so that the working screens can refresh their row after a save.
// Every handler traps its errors through bas.Trap; the register stays open
// with whatever the grid holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/db/value.h"
#include "platform/forms/basic_controls.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/flex_grid.h"
#include "platform/forms/form.h"
#include "platform/forms/text_box.h"
#include "shell/bas_module.h"

namespace hp::reg {

// Grid columns of the register.
enum RegisterColumn : int {
  kColId = 0,
  kColNumber = 1,
  kColDate = 2,
  kColCustomer = 3,
  kColInvoice = 4,
  kColAmended = 5,
  kColCancelled = 6,
};

class FrmMaster : public forms::Form {
 public:
  explicit FrmMaster(shell::BasModule& bas);
  ~FrmMaster() override;

  forms::FlexGrid flexMaster;
  forms::Frame fraBrowse;
  forms::ComboBox cboColNames;
  forms::OptionButton optAscend;
  forms::OptionButton optDescend;
  forms::Label lblsearch;
  forms::ComboBox cboSearch;
  forms::TextBox txtsearch;
  forms::CommandButton cmdNew;
  forms::CommandButton CmdEdit;
  forms::CommandButton CmdDelete;
  forms::CommandButton cmdPreview;
  forms::CommandButton CmdClose;

  // The reason the reason dialog accepted for the cancellation under way.
  std::string strCancelReason;

 protected:
  void Form_Load() override;
  void Form_Unload() override;
  void Form_KeyPress(int& key) override;

 private:
  // Loading and painting.
  void GridPopulate(const std::string& sql, const db::Params& params, const std::string& table,
                    const std::string& relation);
  void NameGrid(const std::string& table, std::vector<int>& max_lengths);
  void GridRowColor();
  void GridColor();
  void PaintCancelledRow(int row);
  // The register query from `look_back_days` before the processing date.
  std::string BuildRegisterQuery(int look_back_days, db::Params& params) const;

  // Grid events.
  void flexMaster_EnterCell();
  void flexMaster_SelChange();
  void flexMaster_KeyPress(int& key);
  void flexMaster_DblClick();
  void flexMaster_MouseMove(int row, int col);

  // Sort and search.
  void cboColNames_Click();
  void txtsearch_KeyUp();
  void searchtheword();

  // Actions.
  void cmdNew_Click();
  void CmdEdit_Click();
  void CmdDelete_Click();
  void cmdPreview_Click();
  void CmdClose_Click();

  // The text of a cell, empty where the grid has no such cell.
  const std::string& Cell(int row, int col) const;
  // The processing identifier of a row (column 0). Throws when it is not one.
  std::int32_t ProcessingIdOf(int row) const;
  // Whether the rental lines or the freeze date forbid cancelling the row's
  // processing (the database half of the Delete decision).
  bool LinesOrPeriodForbidDelete(int row);

  shell::BasModule& bas_;
};

}  // namespace hp::reg
