// "Fetch Customer": finds verified HP customers by part of a name, identity
// card number, address, mobile number or item registration number, lists at
// most 500 of them (one row per item registration), sorts and searches the
// list, and hands back the one the user picks.
//
// The caller shows it modally and then reads SelectedCustomerID: the chosen
// customer's identifier, or 0 when the user closed the dialog without a
// choice (it is reset each time the dialog is opened, so an earlier choice
// never leaks into a later one). The search text reaches the database as a
// bound value; a text pasted with an apostrophe is searched as it stands.
//
// The dialog traps no errors of its own: a failing query passes to the
// handler of the screen that opened it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/db/value.h"
#include "platform/forms/basic_controls.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/flex_grid.h"
#include "platform/forms/form.h"
#include "platform/forms/text_box.h"
#include "shell/bas_module.h"

namespace hp::customer {

class frmCustomerFetch : public forms::Form {
 public:
  explicit frmCustomerFetch(shell::BasModule& bas);

  // The most rows one query lists.
  static constexpr int kMaxRows = 500;

  forms::Frame Frame1;
  forms::Label lblFetch;
  forms::ComboBox cboFetch;
  forms::TextBox txtFetch;
  forms::Frame Frame2;
  forms::ComboBox cboColNames;
  forms::OptionButton optAscend;
  forms::OptionButton optDescend;
  forms::Label lblSearch;
  forms::ComboBox cboSearch;
  forms::TextBox txtsearch;
  forms::FlexGrid flexMaster;
  forms::CommandButton cmdOK;
  forms::CommandButton cmdClose;

  std::int32_t SelectedCustomerID = 0;

 protected:
  void Form_Load() override;
  void Form_Activate() override;

 private:
  void cboFetch_Click();
  void txtFetch_KeyPress(int& key);
  void cboColNames_Click();
  void txtsearch_KeyUp();
  void cmdOK_Click();
  void cmdClose_Click();

  // Runs the base query filtered on the fetch column by the fetch text.
  void FetchCustomers();
  void GridPopulate(const std::string& sql, const db::Params& params);
  // Headings and widths of the six columns; `fetched` names column 2 as the
  // query's heading ("NCC No") rather than the empty grid's ("NIC No").
  void LayOutGrid(bool fetched);
  void SelectLastRow();

  shell::BasModule& bas_;
  std::string strSql_;          // the base query
  std::string strFetchColumn_;  // caption of the chosen fetch entry
};

}  // namespace hp::customer
