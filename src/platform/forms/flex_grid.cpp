#include "platform/forms/flex_grid.h"

#include "platform/forms/json_writer.h"

#include <strings.h>

#include <algorithm>
#include <stdexcept>

#include "platform/text/number_text.h"

namespace hp::forms {

bool IsNumericText(const std::string& text) { return text::ParseNumber(text).has_value(); }

FlexGrid::FlexGrid(Form& owner, std::string name) : Control(owner, std::move(name), "grid") {
  SetCols(2);
  SetRows(2);
}

void FlexGrid::SetRows(int rows) {
  if (rows < 0) throw std::out_of_range(Name() + ": rows " + std::to_string(rows));
  cells_.resize(static_cast<size_t>(rows), std::vector<Cell>(static_cast<size_t>(cols_)));
  auto clamp = [&](int& v) { v = std::clamp(v, 0, std::max(0, rows - 1)); };
  clamp(Row);
  clamp(RowSel);
  clamp(TopRow);
}

void FlexGrid::SetCols(int cols) {
  if (cols < 0) throw std::out_of_range(Name() + ": cols " + std::to_string(cols));
  cols_ = cols;
  for (auto& r : cells_) r.resize(static_cast<size_t>(cols));
  widths_.resize(static_cast<size_t>(cols), 960);
  Col = std::clamp(Col, 0, std::max(0, cols - 1));
  ColSel = std::clamp(ColSel, 0, std::max(0, cols - 1));
}

void FlexGrid::Clear() {
  for (auto& r : cells_)
    for (auto& c : r) c = Cell{};
}

void FlexGrid::CheckCell(int row, int col) const {
  if (row < 0 || row >= Rows() || col < 0 || col >= cols_)
    throw std::out_of_range(Name() + ": no cell (" + std::to_string(row) + ", " + std::to_string(col) + ")");
}

const std::string& FlexGrid::TextMatrix(int row, int col) const {
  CheckCell(row, col);
  return cells_[static_cast<size_t>(row)][static_cast<size_t>(col)].text;
}

void FlexGrid::SetTextMatrix(int row, int col, std::string text) {
  CheckCell(row, col);
  cells_[static_cast<size_t>(row)][static_cast<size_t>(col)].text = std::move(text);
}

void FlexGrid::AddItem(const std::string& line) {
  std::vector<Cell> row(static_cast<size_t>(cols_));
  size_t start = 0;
  for (int c = 0; c < cols_; ++c) {
    size_t tab = line.find('\t', start);
    row[static_cast<size_t>(c)].text = line.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  cells_.push_back(std::move(row));
}

void FlexGrid::Reserve(int rows) { cells_.reserve(static_cast<size_t>(rows)); }

int FlexGrid::CellForeColor(int row, int col) const {
  CheckCell(row, col);
  return cells_[static_cast<size_t>(row)][static_cast<size_t>(col)].colour;
}

void FlexGrid::SetCellForeColor(int row, int col, int colour) {
  CheckCell(row, col);
  cells_[static_cast<size_t>(row)][static_cast<size_t>(col)].colour = colour;
}

int FlexGrid::ColWidth(int col) const { return widths_.at(static_cast<size_t>(col)); }

void FlexGrid::SetColWidth(int col, int twips) { widths_.at(static_cast<size_t>(col)) = std::max(0, twips); }

void FlexGrid::DoSort(int kind) {
  if (Col < 0 || Col >= cols_ || Rows() <= FixedRows) return;
  const size_t c = static_cast<size_t>(Col);
  bool descending = kind == kGenericDescending || kind == kStringDescending;
  bool generic = kind == kGenericAscending || kind == kGenericDescending;
  auto less = [&](const std::vector<Cell>& a, const std::vector<Cell>& b) {
    const std::string& x = a[c].text;
    const std::string& y = b[c].text;
    if (generic) {
      auto nx = text::ParseNumber(x), ny = text::ParseNumber(y);
      if (nx && ny) return *nx < *ny;
      if (nx != ny && (nx || ny)) return nx.has_value();  // numbers before texts
      return strcasecmp(x.c_str(), y.c_str()) < 0;
    }
    return x < y;
  };
  auto first = cells_.begin() + FixedRows;
  if (descending)
    std::stable_sort(first, cells_.end(), [&](const auto& a, const auto& b) { return less(b, a); });
  else
    std::stable_sort(first, cells_.end(), less);
}

void FlexGrid::Handle(const Event& e) {
  auto in_grid = [&](int row, int col) {
    if (row < 0 || row >= Rows() || col < 0 || col >= cols_)
      Refuse("has no cell (" + std::to_string(row) + ", " + std::to_string(col) + ")");
  };
  if (e.type == "select" || e.type == "click" || e.type == "dblclick") {
    if (e.row >= 0) {
      int col = e.col >= 0 ? e.col : Col;
      in_grid(e.row, col);
      if (e.row < FixedRows) return;  // a heading: nothing to select
      bool moved = e.row != Row || col != Col;
      Row = RowSel = e.row;
      Col = col;
      ColSel = cols_ - 1;  // the grid selects whole rows
      SetFocus();
      if (moved && EnterCell) EnterCell();
      if (SelChange) SelChange();
    }
    if (e.type == "click" && Click) Click();
    if (e.type == "dblclick" && DblClick) DblClick();
    return;
  }
  if (e.type == "mousemove") {
    in_grid(e.row, e.col);
    if (MouseMove) MouseMove(e.row, e.col);
    return;
  }
  if (e.type == "scroll") {
    TopRow = std::clamp(e.row, 0, std::max(0, Rows() - 1));
    return;
  }
  if (e.type == "colwidth") {
    in_grid(0, e.col);
    int w = static_cast<int>(text::LeadingValue(e.value));
    SetColWidth(e.col, w);
    if (ColumnResized) ColumnResized(e.col, w);
    return;
  }
  if (e.type == "key" && (e.key == kArrowUp || e.key == kArrowDown || e.key == kPageUp || e.key == kPageDown)) {
    int step = e.key == kArrowUp ? -1 : e.key == kArrowDown ? 1 : e.key == kPageUp ? -VisibleRows : VisibleRows;
    int next = std::clamp(Row + step, FixedRows, std::max(FixedRows, Rows() - 1));
    if (next != Row && next < Rows()) {
      Row = RowSel = next;
      ColSel = cols_ - 1;
      if (Row < TopRow) TopRow = Row;
      if (Row >= TopRow + VisibleRows) TopRow = Row - VisibleRows + 1;
      if (EnterCell) EnterCell();
      if (SelChange) SelChange();
    }
    return;
  }
  Control::Handle(e);
}

void FlexGrid::Write(JsonWriter& out) const {
  Control::Write(out);
  out.Field("rows", Rows());
  out.Field("cols", cols_);
  out.Field("fixedRows", FixedRows);
  out.Field("row", Row);
  out.Field("col", Col);
  out.Field("rowSel", RowSel);
  out.Field("colSel", ColSel);
  out.Field("topRow", TopRow);
  if (ForeColorSel != kDefaultColour) out.Field("foreColorSel", ForeColorSel);
  out.Key("widths");
  out.BeginArray();
  for (int w : widths_) out.Int(w);
  out.EndArray();
  // The heading rows, then a window of rows from TopRow: the browser asks for
  // more by scrolling. Keyed by row number; a row that is also a heading row
  // is sent once.
  out.Key("cells");
  out.BeginObject();
  auto add = [&](int r) {
    const auto& row = cells_[static_cast<size_t>(r)];
    out.Key(std::to_string(r));
    out.BeginObject();
    out.Key("text");
    out.BeginArray();
    bool coloured = false;
    for (const auto& cell : row) {
      out.String(cell.text);
      coloured |= cell.colour != kDefaultColour;
    }
    out.EndArray();
    if (coloured) {
      out.Key("colours");
      out.BeginArray();
      for (const auto& cell : row) out.Int(cell.colour);
      out.EndArray();
    }
    out.EndObject();
  };
  const int fixed = std::min(FixedRows, Rows());
  for (int r = 0; r < fixed; ++r) add(r);
  int first = std::max({FixedRows, TopRow - VisibleRows, fixed});
  int last = std::min(Rows(), TopRow + 2 * VisibleRows);
  for (int r = first; r < last; ++r) add(r);
  out.EndObject();
}

}  // namespace hp::forms
