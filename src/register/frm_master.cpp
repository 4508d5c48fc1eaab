#include "register/frm_master.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

#include "customer/grid_text_search.h"
#include "platform/text/number_text.h"
#include "register/cancel_processing.h"
#include "register/frm_cancel.h"
#include "register/register_edit.h"
#include "register/report_preview.h"
#include "shell/frm_selection.h"
#include "shell/grid_settings.h"

namespace hp::reg {
namespace {

constexpr int kInterfaceId = 7503;
constexpr char kFixedContext[] = "GStrMasterNewEditFlag";
constexpr int kCyan = 0xFFFF00;          // selection text of several rows
constexpr int kTwipsPerCharacter = 130;  // column width per character of its longest text
constexpr int kGridMargin = 315;         // room for the vertical scroll bar

db::Value Int(std::int64_t v) { return v; }

// The look-back setting as a number of days; a missing or empty setting
// reads as 0 (today's processings only) rather than failing the load.
int LookBackDaysOf(const db::Value& setting) {
  if (db::IsNull(setting) || customer::TrimBlanks(db::AsText(setting)).empty()) return 0;
  return static_cast<int>(db::AsInt(setting));
}

bool ContainsNoCase(const std::string& text, std::string_view what) {
  auto it = std::search(text.begin(), text.end(), what.begin(), what.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
  return it != text.end();
}

}  // namespace

FrmMaster::FrmMaster(shell::BasModule& bas)
    : Form(bas.host, "FrmMaster"),
      flexMaster(*this, "flexMaster"),
      fraBrowse(*this, "fraBrowse", "Browse"),
      cboColNames(*this, "cboColNames"),
      optAscend(*this, "optAscend", "Ascending"),
      optDescend(*this, "optDescend", "Descending"),
      lblsearch(*this, "lblsearch", "Search On:"),
      cboSearch(*this, "cboSearch"),
      txtsearch(*this, "txtsearch"),
      cmdNew(*this, "cmdNew", "&New"),
      CmdEdit(*this, "CmdEdit", "&Edit"),
      CmdDelete(*this, "CmdDelete", "&Delete"),
      cmdPreview(*this, "cmdPreview", "&Preview"),
      CmdClose(*this, "CmdClose", "&Close"),
      bas_(bas) {
  Caption = "Hire Purchase Processing";
  Width = 11400;
  Height = 8100;
  KeyPreview = true;
  flexMaster.Place(120, 120, 11040, 5900);
  fraBrowse.Place(120, 6100, 4500, 900);
  for (forms::Control* c : std::initializer_list<forms::Control*>{&cboColNames, &optAscend, &optDescend})
    c->Container = &fraBrowse;
  cboColNames.Place(120, 330, 2200, 315);
  optAscend.Place(2500, 240, 1800, 255);
  optDescend.Place(2500, 540, 1800, 255);
  lblsearch.Place(4800, 6430, 1000, 255);
  cboSearch.Place(5800, 6370, 2200, 315);
  txtsearch.Place(8100, 6370, 3060, 315);
  cmdNew.Place(4560, 7200, 1200, 400);
  CmdEdit.Place(5880, 7200, 1200, 400);
  CmdDelete.Place(7200, 7200, 1200, 400);
  cmdPreview.Place(8520, 7200, 1200, 400);
  CmdClose.Place(9960, 7200, 1200, 400);
  optAscend.SetValue(true);
  CancelButton = &CmdClose;
  // Nothing is allowed before the user's rights have been read.
  cmdNew.Enabled = CmdEdit.Enabled = CmdDelete.Enabled = false;

  flexMaster.EnterCell = [this] { flexMaster_EnterCell(); };
  flexMaster.SelChange = [this] { flexMaster_SelChange(); };
  flexMaster.KeyPress = [this](int& key) { flexMaster_KeyPress(key); };
  flexMaster.DblClick = [this] { flexMaster_DblClick(); };
  flexMaster.MouseMove = [this](int row, int col) { flexMaster_MouseMove(row, col); };
  cboColNames.Click = [this] { cboColNames_Click(); };
  // Choosing a direction clears the sort column: the user chooses the column
  // again to sort in the new direction.
  optAscend.Click = [this] { cboColNames.SetListIndex(-1); };
  optDescend.Click = [this] { cboColNames.SetListIndex(-1); };
  txtsearch.KeyPress = [this](int& key) {
    bas_.Trap(*this, "txtsearch_KeyPress", kFixedContext, [&] { bas_.EnterAsTab(key); });
  };
  txtsearch.KeyUp = [this](int) { txtsearch_KeyUp(); };
  cmdNew.Click = [this] { cmdNew_Click(); };
  CmdEdit.Click = [this] { CmdEdit_Click(); };
  CmdDelete.Click = [this] { CmdDelete_Click(); };
  cmdPreview.Click = [this] { cmdPreview_Click(); };
  CmdClose.Click = [this] { CmdClose_Click(); };
}

FrmMaster::~FrmMaster() {
  if (bas_.registerGrid == &flexMaster) bas_.registerGrid = nullptr;
}

const std::string& FrmMaster::Cell(int row, int col) const {
  static const std::string kNone;
  if (row < 0 || row >= flexMaster.Rows() || col < 0 || col >= flexMaster.Cols()) return kNone;
  return flexMaster.TextMatrix(row, col);
}

std::int32_t FrmMaster::ProcessingIdOf(int row) const {
  return static_cast<std::int32_t>(text::WholeHalfEven(text::NumberOf(Cell(row, kColId))));
}

// ---------------------------------------------------------------------------
// Loading

void FrmMaster::Form_Load() {
  bas_.registerGrid = &flexMaster;
  bas_.Trap(*this, "Form_Load ", bas_.GStrMasterNewEditFlag, [&] {
    bas_.intInterfaceID = kInterfaceId;
    bas_.objDb = std::make_unique<shell::ClsCommonDb>();
    bas_.objGen = std::make_unique<shell::clsCommonGen>();
    bas_.objAudit = std::make_unique<shell::clsOskendal>();
    bas_.adocon = bas_.objAudit->OpenObject(bas_.adocon, bas_.intCompanyID, bas_.intuserid, bas_.intdepartmentid,
                                            bas_.intInterfaceID, text::Now());
    Caption = "Hire Purchase Processing";
    bas_.strTableMain = "aHpProcessingHeader";
    bas_.objDb->adocon = bas_.adocon;
    bas_.objColour = std::make_unique<shell::clsPavlin>();
    bas_.objColour->ApplyPavlin(*this);

    bas_.objDb->SetTable("aUsers where UserID=?", {Int(bas_.intuserid)});
    bas_.strUserName = db::AsText(bas_.objDb->fnreturnfield("UserName"));
    bas_.objDb->SetTable("asettings where companyid=?", {Int(bas_.intCompanyID)});
    const int look_back_days = LookBackDaysOf(bas_.objDb->fnreturnfield("noofpreviousdays"));
    db::Params params;
    const std::string sql = BuildRegisterQuery(look_back_days, params);

    Busy = true;
    // Rights left over from an earlier session must not survive a user who
    // has none here.
    bas_.strFunctionRights.clear();
    db::Recordset rights = bas_.adocon->Open(
        "Select FunctionRights from auserrights where companyid = ? and userid = ? and interfaceid = ?",
        {Int(bas_.intCompanyID), Int(bas_.intuserid), Int(bas_.intInterfaceID)});
    if (!rights.Eof()) bas_.strFunctionRights = db::AsText(rights.Field(0));
    GridPopulate(sql, params, bas_.strTableMain, "");
    Busy = false;

    flexMaster_EnterCell();
    if (Cell(1, kColId).empty()) CmdEdit.Enabled = CmdDelete.Enabled = false;
    flexMaster_SelChange();
  });
  Busy = false;
}

void FrmMaster::Form_Unload() {
  if (bas_.registerGrid == &flexMaster) bas_.registerGrid = nullptr;
}

std::string FrmMaster::BuildRegisterQuery(int look_back_days, db::Params& params) const {
  std::string sql =
      " select hphProcessingID, hphProcessingNo,hphProcessingdate,CustomerName , "
      " hpqhQuotationNo,case hphAmended when 1 then  'Yes' when 0 then 'No' end ,case hphcancel when 1 then 'Yes' "
      " when 0 then 'No' end From " +
      bas_.strTableMain +
      "  inner join losHpInvoiceHeader on "
      " hphInvoiceID= hpqhQuotationID  INNER JOIN  aCustomerMaster ON "
      " hphCustomerID=CustomerID where hphCompanyID=? and hphFinancialID = ?";
  params = {Int(bas_.intCompanyID), Int(bas_.intfinancialId)};
  if (bas_.intdepartmentid != 0) {
    sql += " And hphDepartmentID = ?";
    params.push_back(Int(bas_.intdepartmentid));
  }
  // Dates are stored as ISO text, so the bound ISO date compares as a date.
  sql += " and hphProcessingdate>=? order by hphProcessingdate";
  params.push_back(text::IsoDate(text::AddDays(bas_.dtProcessDate, -look_back_days)));
  return sql;
}

void FrmMaster::GridPopulate(const std::string& sql, const db::Params& params, const std::string& table,
                             const std::string& relation) {
  bas_.Trap(*this, "GridPopulate", bas_.GStrMasterNewEditFlag, [&] {
    bas_.strSql = sql;
    bas_.strSqlParams = params;
    bas_.strTableMain = table;
    bas_.strTableRelation = relation;
    flexMaster.FixedRows = 1;
    flexMaster.FixedCols = 0;
    flexMaster.SetCols(1);
    flexMaster.SetRows(2);
    flexMaster.Clear();
    flexMaster.SetColWidth(0, 0);

    int fields = 0;
    int row = 0;
    std::vector<int> max_lengths;
    auto set_fields = [&](int n) {
      fields = n;
      flexMaster.SetCols(n);
      max_lengths.assign(static_cast<size_t>(n) + 1, 0);
    };
    bas_.adocon->ForEachRow(sql, params, [&](const db::RowView& rec) {
      ++row;
      // Long lists keep the window responsive; the grid is whole between rows.
      if (row % 100 == 0) bas_.host.DoEvents();
      if (row == 1) set_fields(rec.FieldCount());
      else flexMaster.SetRows(row + 1);
      for (int f = 0; f < fields; ++f) {
        std::string value = rec.Text(f);
        if (std::string_view trimmed = customer::TrimBlanks(value); trimmed.size() != value.size())
          value = std::string(trimmed);
        max_lengths[static_cast<size_t>(f)] =
            std::max(max_lengths[static_cast<size_t>(f)], static_cast<int>(forms::CharCount(value)));
        flexMaster.SetTextMatrix(row, f, std::move(value));
      }
    });
    // No rows: the grid still gets the query's columns, for the headings.
    if (row == 0) set_fields(bas_.adocon->Open(sql, params).FieldCount());
    NameGrid(table, max_lengths);
    flexMaster.SetColWidth(0, 0);
  });
}

void FrmMaster::NameGrid(const std::string& table, std::vector<int>& max_lengths) {
  bas_.Trap(*this, "NameGrid", kFixedContext, [&] {
    db::Recordset rs = bas_.adocon->Open(
        "select tc.columnheader,tc.columnname from atables t,atablecolumns tc where t.tableid = tc.tableid and "
        "tablename =? order by tc.columnid ",
        {table});
    const int cols = flexMaster.Cols();
    auto max_of = [&](int col) -> int& { return max_lengths.at(static_cast<size_t>(col)); };
    max_lengths.resize(std::max(max_lengths.size(), static_cast<size_t>(cols)), 0);
    cboColNames.Clear();
    cboSearch.Clear();
    if (!rs.Eof()) {
      rs.MoveNext();  // the hidden identifier column has no heading
      for (int col = 1; !rs.Eof() && col < cols; rs.MoveNext(), ++col) {
        std::string heading = db::AsText(rs.Field("columnheader"));
        flexMaster.SetTextMatrix(0, col, heading);
        cboColNames.AddItem(heading, col);
        cboSearch.AddItem(heading, col);
        max_of(col) = std::max(max_of(col), static_cast<int>(forms::CharCount(heading)));
      }
    }
    for (int col = 0; col < std::min<long>(rs.RecordCount(), cols); ++col)
      if (max_of(col) * kTwipsPerCharacter > flexMaster.ColWidth(col))
        flexMaster.SetColWidth(col, max_of(col) * kTwipsPerCharacter);
    // Spare width is shared out over the visible columns.
    int total = 0;
    for (int col = 1; col < cols; ++col) total += flexMaster.ColWidth(col);
    if (cols > 1 && flexMaster.Width() - kGridMargin > total) {
      const double share = static_cast<double>(flexMaster.Width() - total - kGridMargin) / (cols - 1);
      for (int col = 1; col < cols; ++col)
        flexMaster.SetColWidth(col, text::WholeHalfEven(flexMaster.ColWidth(col) + share));
    }
    shell::clsRindale grid_settings;
    bas_.adocon = grid_settings.fnGridSettings(bas_.intuserid, bas_.intCompanyID, flexMaster, bas_.adocon, true);
    GridRowColor();
    flexMaster.Row = flexMaster.RowSel = flexMaster.TopRow = flexMaster.Rows() - 1;
    flexMaster.Col = 0;
    flexMaster.ColSel = cols - 1;
  });
}

// ---------------------------------------------------------------------------
// Painting and the buttons' state

void FrmMaster::PaintCancelledRow(int row) {
  for (int col = 0; col <= kColCancelled && col < flexMaster.Cols(); ++col)
    flexMaster.SetCellForeColor(row, col, forms::kRed);
}

void FrmMaster::GridRowColor() {
  bas_.Trap(*this, "GridRowColor", kFixedContext, [&] {
    cmdNew.Enabled = bas_.HasFunctionRight("N");
    CmdEdit.Enabled = bas_.HasFunctionRight("E");
    CmdDelete.Enabled = bas_.HasFunctionRight("D") && Cell(flexMaster.Row, kColCancelled) != "Yes";
    for (int row = flexMaster.FixedRows; row < flexMaster.Rows(); ++row)
      if (Cell(row, kColCancelled) == "Yes") PaintCancelledRow(row);
    // The current cell ends on the last row of the invoice column; moving it
    // from code raises no cell events, so there is no walk to make.
    flexMaster.Row = flexMaster.Rows() - 1;
    if (flexMaster.Cols() > kColInvoice) flexMaster.Col = kColInvoice;
  });
}

void FrmMaster::GridColor() {
  bas_.Trap(*this, "GridColor", kFixedContext, [&] {
    const int row = flexMaster.Row;
    if (Cell(row, kColAmended) == "Yes") {
      CmdDelete.Enabled = false;
    } else {
      CmdDelete.Enabled = bas_.HasFunctionRight("D");
      CmdEdit.Enabled = bas_.HasFunctionRight("E");
    }
    if (Cell(row, kColCancelled) == "Yes") PaintCancelledRow(row);
  });
}

bool FrmMaster::LinesOrPeriodForbidDelete(int row) {
  // Every rental line of the processing counts, whichever department wrote
  // it: one posted line is enough to keep the processing.
  bas_.objDb->SetTable("ahpprocessingdetail where hpdProcessingId=? and hpdCompanyID=?",
                       {Int(ProcessingIdOf(row)), Int(bas_.intCompanyID)});
  const bool posted = db::AsInt(bas_.objDb->fnreturnfield("count(*)", "hpdPosted=1")) > 0;
  const auto date = text::ParseDate(Cell(row, kColDate));
  const bool frozen = date && bas_.IsInFrozenPeriod(*date);
  return posted || frozen;
}

void FrmMaster::flexMaster_EnterCell() {
  bas_.Trap(*this, "flexMaster_EnterCell", kFixedContext, [&] {
    const int row = flexMaster.Row;
    // Disabled first, so that a look-up that fails leaves the row kept.
    CmdDelete.Enabled = false;
    if (Cell(row, kColId).empty() || Cell(row, kColCancelled) == "Yes" || Cell(row, kColAmended) == "Yes") return;
    if (!bas_.HasFunctionRight("D") || LinesOrPeriodForbidDelete(row)) return;
    CmdDelete.Enabled = true;
  });
}

void FrmMaster::flexMaster_SelChange() {
  bas_.Trap(*this, "flexMaster_SelChange", kFixedContext, [&] {
    const bool one_row = flexMaster.RowSel == flexMaster.Row;
    int colour = forms::kDefaultColour;
    if (flexMaster.Row < flexMaster.Rows() && flexMaster.Col < flexMaster.Cols())
      colour = flexMaster.CellForeColor(flexMaster.Row, flexMaster.Col);
    // A cancelled row stays red while it is selected.
    if (one_row && colour != forms::kDefaultColour && colour != 0) flexMaster.ForeColorSel = colour;
    else flexMaster.ForeColorSel = one_row ? forms::kDefaultColour : kCyan;
  });
}

// ---------------------------------------------------------------------------
// Keys and mouse

void FrmMaster::Form_KeyPress(int& key) {
  bas_.Trap(*this, "Form_KeyPress", kFixedContext, [&] {
    if (key == 4) flexMaster.SetFocus();            // Ctrl+D
    if (key == 10 && cmdNew.Enabled) cmdNew_Click();  // Ctrl+Enter
  });
}

void FrmMaster::flexMaster_KeyPress(int& key) {
  bas_.Trap(*this, "flexMaster_KeyPress", kFixedContext, [&] {
    if (key == 13 && CmdEdit.Enabled) CmdEdit_Click();
  });
}

void FrmMaster::flexMaster_DblClick() {
  bas_.Trap(*this, "flexMaster_DblClick", kFixedContext, [&] {
    if (CmdEdit.Enabled) CmdEdit_Click();
  });
}

void FrmMaster::flexMaster_MouseMove(int row, int col) {
  bas_.Trap(*this, "flexMaster_MouseMove", kFixedContext, [&] { flexMaster.ToolTipText = Cell(row, col); });
}

// ---------------------------------------------------------------------------
// Sort and search

void FrmMaster::cboColNames_Click() {
  bas_.Trap(*this, "cboColNames_Click", kFixedContext, [&] {
    if (cboColNames.ListIndex() < 0) return;
    Busy = true;
    int col = static_cast<int>(cboColNames.SelectedData());
    // Numbers and dates sort by the identifier, which runs in their order.
    if (col == kColNumber || ContainsNoCase(cboColNames.Text(), "date")) col = kColId;
    flexMaster.Col = col;
    const bool ascending = optAscend.Value();
    if (forms::IsNumericText(Cell(flexMaster.Row, col)))
      flexMaster.DoSort(ascending ? forms::FlexGrid::kGenericAscending : forms::FlexGrid::kGenericDescending);
    else
      flexMaster.DoSort(ascending ? forms::FlexGrid::kStringAscending : forms::FlexGrid::kStringDescending);
    Busy = false;
    // The current row now shows another processing: Delete follows it.
    flexMaster_EnterCell();
  });
  Busy = false;
}

void FrmMaster::txtsearch_KeyUp() {
  bas_.Trap(*this, "txtsearch_KeyUp", kFixedContext, [&] {
    if (cboSearch.ListIndex() >= 0 && !customer::TrimBlanks(txtsearch.Text()).empty()) searchtheword();
  });
  flexMaster_EnterCell();
}

void FrmMaster::searchtheword() {
  bas_.Trap(*this, "searchtheword", kFixedContext, [&] {
    if (cboSearch.ListIndex() < 0) return;
    customer::SearchColumn(flexMaster, static_cast<int>(cboSearch.SelectedData()), txtsearch.Text());
  });
}

// ---------------------------------------------------------------------------
// Actions

void FrmMaster::cmdNew_Click() {
  bas_.Trap(*this, "cmdNew_Click", kFixedContext, [&] {
    bas_.objAudit->LoggedTime = text::Now();
    bas_.GStrMasterNewEditFlag = "N";
    shell::frmSelection selection(bas_);
    bas_.host.ShowModal(selection);
  });
  // A saved processing is now the current row (perhaps the register's first):
  // Edit and Delete follow it.
  CmdEdit.Enabled = bas_.HasFunctionRight("E") && !Cell(flexMaster.Row, kColId).empty();
  flexMaster_EnterCell();
  flexMaster_SelChange();
}

void FrmMaster::CmdEdit_Click() {
  bas_.Trap(*this, "CmdEdit_Click", bas_.GStrMasterNewEditFlag, [&] {
    const int row = flexMaster.Row;
    if (Cell(row, kColCancelled) == "Yes") bas_.MsgBox("Deleted process cannot edit. ");
    OpenForEdit(bas_, ProcessingIdOf(row));
  });
}

void FrmMaster::CmdDelete_Click() {
  const bool done = bas_.Trap(*this, "CmdDelete_Click", bas_.GStrMasterNewEditFlag, [&] {
    const int row = flexMaster.Row;
    const std::int32_t id = ProcessingIdOf(row);
    const std::string number = Cell(row, kColNumber);
    CancelRefusal refusal = Cell(row, kColAmended) == "Yes"     ? CancelRefusal::kAmended
                            : Cell(row, kColCancelled) == "Yes" ? CancelRefusal::kCancelled
                                                                : CheckCancellable(bas_, id);
    if (refusal != CancelRefusal::kNone) {
      bas_.MsgBox(RefusalMessage(refusal));
      return;
    }
    bas_.objAudit->LoggedTime = text::Now();
    bas_.GStrMasterNewEditFlag = "E";
    // The question and the reason come before the transaction: the database
    // is not held locked while the user thinks.
    if (bas_.MsgBox("Are You Sure Want To Delete The Entry - '" + number + "'?",
                    forms::vbYesNo | forms::vbCritical | forms::vbDefaultButton2) != forms::MsgBoxResult::Yes)
      return;
    frmcancel reason_dialog(bas_, strCancelReason);
    bas_.host.ShowModal(reason_dialog);
    Busy = true;
    refusal = CancelProcessing(bas_, id, number, strCancelReason);
    Busy = false;
    if (refusal != CancelRefusal::kNone) {
      bas_.MsgBox(RefusalMessage(refusal));
      return;
    }
    // Committed: only now does the grid show the row cancelled.
    flexMaster.Row = row;
    bas_.UpdateEditedRow(" hphProcessingID=?", {Int(id)}, id);
    GridColor();
    flexMaster.Row = flexMaster.RowSel = row;
    flexMaster.Col = kColNumber;
    flexMaster.ColSel = kColCustomer;
    CmdDelete.Enabled = false;
  });
  Busy = false;
  if (!done) bas_.MsgBox(shell::kCancelFailed);
  flexMaster_SelChange();
}

void FrmMaster::cmdPreview_Click() {
  bas_.Trap(*this, "cmdPreview_Click", bas_.GStrMasterNewEditFlag, [&] {
    bool run = false;
    const int row = flexMaster.Row;
    ReportRequest req = PreviewRequest(bas_, Cell(row, kColId), Cell(row, kColNumber), flexMaster.Rows(), run);
    if (!run) return;
    Busy = true;
    std::string pdf = RenderProcessingReport(*bas_.adocon, req);
    Busy = false;
    bas_.host.ShowDocument(req.title, "application/pdf", std::move(pdf));
  });
  Busy = false;
}

void FrmMaster::CmdClose_Click() {
  bas_.Trap(*this, "cmdClose_Click", kFixedContext, [&] { Unload(); });
}

}  // namespace hp::reg
