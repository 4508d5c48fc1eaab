#include "customer/frm_customer_fetch.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

#include "customer/grid_text_search.h"
#include "platform/text/number_text.h"

namespace hp::customer {
namespace {

struct FetchColumn {
  const char* caption;
  const char* column;
};
// The fetch entries and the customer columns they filter on.
constexpr std::array<FetchColumn, 6> kFetchColumns{{{"Customer Name", "hpCustName"},
                                                    {"NIC NO", "hpNccNO"},
                                                    {"Permanent Address", "HPCustPermanentadd"},
                                                    {"Present Address", "HPCustPresentAdd"},
                                                    {"Mobile NO", "hpMobNo"},
                                                    {"Registration NO", "IRREGNO"}}};

constexpr std::array<int, 6> kWidths{0, 4500, 1800, 2500, 2500, 1800};

// The column a fetch caption filters on; empty for an unknown caption, so
// that nothing the user can change ever becomes part of the statement.
std::string ColumnOf(std::string_view caption) {
  for (const auto& f : kFetchColumns)
    if (caption == f.caption) return f.column;
  return {};
}

size_t FindNoCase(std::string_view text, std::string_view what) {
  auto it = std::search(text.begin(), text.end(), what.begin(), what.end(), [](char a, char b) {
    return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
  });
  return it == text.end() ? std::string_view::npos : static_cast<size_t>(it - text.begin());
}

}  // namespace

frmCustomerFetch::frmCustomerFetch(shell::BasModule& bas)
    : Form(bas.host, "frmCustomerFetch"),
      Frame1(*this, "Frame1", "Fetch"),
      lblFetch(*this, "lblFetch", "Fetch On"),
      cboFetch(*this, "cboFetch"),
      txtFetch(*this, "txtFetch"),
      Frame2(*this, "Frame2", "Search"),
      cboColNames(*this, "cboColNames"),
      optAscend(*this, "optAscend", "Ascending"),
      optDescend(*this, "optDescend", "Descending"),
      lblSearch(*this, "lblSearch", "Search"),
      cboSearch(*this, "cboSearch"),
      txtsearch(*this, "txtsearch"),
      flexMaster(*this, "flexMaster"),
      cmdOK(*this, "cmdOK", "OK"),
      cmdClose(*this, "cmdClose", "Close"),
      bas_(bas) {
  Caption = "Fetch Customer";
  Width = 13700;
  Height = 7800;
  Frame1.Place(120, 60, 6600, 900);
  for (forms::Control* c : std::initializer_list<forms::Control*>{&lblFetch, &cboFetch, &txtFetch})
    c->Container = &Frame1;
  lblFetch.Place(120, 360, 900, 300);
  cboFetch.Place(1080, 300, 2200, 315);
  txtFetch.Place(3400, 300, 3060, 315);
  Frame2.Place(6840, 60, 6700, 900);
  for (forms::Control* c : std::initializer_list<forms::Control*>{&cboColNames, &optAscend, &optDescend, &lblSearch,
                                                                  &cboSearch, &txtsearch})
    c->Container = &Frame2;
  cboColNames.Place(120, 300, 1900, 315);
  optAscend.Place(2100, 200, 1200, 255);
  optDescend.Place(2100, 500, 1200, 255);
  lblSearch.Place(3400, 360, 600, 300);
  cboSearch.Place(4000, 300, 1300, 315);
  txtsearch.Place(5400, 300, 1200, 315);
  flexMaster.Place(120, 1080, 13420, 5700);
  cmdOK.Place(10900, 6900, 1200, 400);
  cmdClose.Place(12240, 6900, 1200, 400);
  optAscend.SetValue(true);
  CancelButton = &cmdClose;
  LayOutGrid(false);

  cboFetch.Click = [this] { cboFetch_Click(); };
  txtFetch.KeyPress = [this](int& key) { txtFetch_KeyPress(key); };
  cboColNames.Click = [this] { cboColNames_Click(); };
  // Choosing a direction clears the sort column, so that choosing the column
  // again sorts in the new direction.
  optAscend.Click = [this] { cboColNames.SetListIndex(-1); };
  optDescend.Click = [this] { cboColNames.SetListIndex(-1); };
  txtsearch.KeyPress = [this](int& key) { bas_.EnterAsTab(key); };
  txtsearch.KeyUp = [this](int) { txtsearch_KeyUp(); };
  cmdOK.Click = [this] { cmdOK_Click(); };
  flexMaster.Click = [this] { cmdOK_Click(); };
  cmdClose.Click = [this] { cmdClose_Click(); };
}

void frmCustomerFetch::Form_Load() {
  // A choice made the last time the dialog was open must not be handed to
  // this caller when the user closes without choosing.
  SelectedCustomerID = 0;
  bas_.objColour->ApplyPavlin(*this);
  cboFetch.Clear();
  cboSearch.Clear();
  cboColNames.Clear();
  for (const auto& f : kFetchColumns) cboFetch.AddItem(f.caption);
  for (int col = 1; col <= 5; ++col) {
    cboSearch.AddItem(kFetchColumns[static_cast<size_t>(col - 1)].caption, col);
    cboColNames.AddItem(kFetchColumns[static_cast<size_t>(col - 1)].caption, col);
  }
  strFetchColumn_.clear();
  cboFetch.SetListIndex(0);
  strSql_ =
      "select hpCustID,hpCustName,hpNccNO,HPCustPermanentadd,HPCustPresentAdd,hpMobNo from losHPCustomerdetails "
      "left outer  join losHpItemRegistrationDetails a  on hpCustID=a.ircustomerid where hpverified=1";
  txtFetch.SetText("");
  txtsearch.SetText("");
  LayOutGrid(false);
}

void frmCustomerFetch::Form_Activate() {
  if (txtFetch.Enabled) txtFetch.SetFocus();
}

void frmCustomerFetch::cboFetch_Click() { strFetchColumn_ = cboFetch.Text(); }

void frmCustomerFetch::txtFetch_KeyPress(int& key) {
  if (key == '\'') key = 0;
  if (key == 13) FetchCustomers();
}

void frmCustomerFetch::FetchCustomers() {
  // Each query starts again from the base query: filters do not accumulate.
  std::string sql = strSql_;
  std::string order;
  if (size_t at = FindNoCase(sql, "order"); at != std::string::npos) {
    order = sql.substr(at);
    sql.erase(at);
  }
  db::Params params;
  if (std::string column = ColumnOf(strFetchColumn_); !column.empty()) {
    sql += FindNoCase(sql, "WHERE") != std::string::npos ? " and " : " where ";
    sql += column + " like ? ";
    params.push_back("%" + std::string(TrimBlanks(txtFetch.Text())) + "%");
  }
  sql += order;
  Busy = true;
  try {
    GridPopulate(sql, params);
  } catch (...) {
    Busy = false;
    throw;
  }
  txtFetch.SetText("");
  Busy = false;
}

void frmCustomerFetch::LayOutGrid(bool fetched) {
  flexMaster.FixedRows = 1;
  flexMaster.FixedCols = 0;
  flexMaster.SetCols(6);
  flexMaster.SetRows(2);
  flexMaster.Clear();
  const std::array<const char*, 6> headings{"Cust ID",           "Customer Name",    fetched ? "NCC No" : "NIC No",
                                            "Permanent Address", "Present Address", "Mobile NO"};
  for (int c = 0; c < 6; ++c) {
    flexMaster.SetTextMatrix(0, c, headings[static_cast<size_t>(c)]);
    flexMaster.SetColWidth(c, kWidths[static_cast<size_t>(c)]);
  }
}

void frmCustomerFetch::GridPopulate(const std::string& sql, const db::Params& params) {
  flexMaster.Visible = false;
  try {
    LayOutGrid(true);
    // The list stops at kMaxRows however many customers match; the database
    // is not asked for more.
    db::Params limited = params;
    limited.push_back(std::int64_t{kMaxRows});
    int row = 0;
    bas_.adocon->ForEachRow(sql + " limit ?", limited, [&](const db::RowView& rec) {
      ++row;
      if (row > 1) flexMaster.SetRows(row + 1);
      const int fields = std::min(rec.FieldCount(), flexMaster.Cols());
      for (int j = 0; j < fields; ++j) flexMaster.SetTextMatrix(row, j, std::string(TrimBlanks(rec.Text(j))));
      if (row % kMaxRows == 0) bas_.host.DoEvents();
    });
  } catch (...) {
    flexMaster.Visible = true;
    throw;
  }
  SelectLastRow();
  flexMaster.Visible = true;
}

void frmCustomerFetch::SelectLastRow() {
  flexMaster.Row = flexMaster.RowSel = flexMaster.TopRow = flexMaster.Rows() - 1;
  flexMaster.Col = 0;
  flexMaster.ColSel = flexMaster.Cols() - 1;
}

void frmCustomerFetch::cboColNames_Click() {
  if (cboColNames.ListIndex() < 0) return;
  Busy = true;
  flexMaster.Col = static_cast<int>(cboColNames.SelectedData());
  flexMaster.DoSort(optAscend.Value() ? forms::FlexGrid::kGenericAscending : forms::FlexGrid::kGenericDescending);
  SelectLastRow();
  Busy = false;
}

void frmCustomerFetch::txtsearch_KeyUp() {
  if (cboSearch.ListIndex() < 0 || TrimBlanks(txtsearch.Text()).empty()) return;
  SearchColumn(flexMaster, static_cast<int>(cboSearch.SelectedData()), txtsearch.Text());
}

void frmCustomerFetch::cmdOK_Click() {
  const std::string& id_text = flexMaster.TextMatrix(flexMaster.Row, 0);
  // The empty row of an empty list (or the heading) holds no customer: the
  // caller keeps what it had.
  if (auto id = text::ParseNumber(id_text)) {
    db::Recordset rs = bas_.adocon->Open("Select * from losHPCustomerdetails where HPCustID=?",
                                         {static_cast<std::int64_t>(*id)});
    if (!rs.Eof()) SelectedCustomerID = static_cast<std::int32_t>(db::AsInt(rs.Field("hpCustid")));
  }
  Unload();
}

void frmCustomerFetch::cmdClose_Click() { Unload(); }

}  // namespace hp::customer
