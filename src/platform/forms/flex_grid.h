// A grid of text cells with fixed heading rows, column widths in twips, a
// current cell (Row, Col), a selection to (RowSel, ColSel), a top row and a
// text colour per cell. Setting Row, Col or TopRow from code raises no event;
// the windows call their own cell handlers where they need them.
//
// The browser is sent only the rows around TopRow, so a grid of a hundred
// thousand rows paints its first screen at once.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/forms/control.h"

namespace hp::forms {

class FlexGrid : public Control {
 public:
  FlexGrid(Form& owner, std::string name);

  // Sort kinds (the grid's own numbering).
  enum Sort { kGenericAscending = 1, kGenericDescending = 2, kStringAscending = 7, kStringDescending = 8 };

  int Rows() const { return static_cast<int>(cells_.size()); }
  int Cols() const { return cols_; }
  void SetRows(int rows);  // keeps the rows that stay, adds empty ones
  void SetCols(int cols);
  int FixedRows = 1;
  int FixedCols = 0;

  // Empties every cell and colour (keeps the size).
  void Clear();
  const std::string& TextMatrix(int row, int col) const;
  void SetTextMatrix(int row, int col, std::string text);
  // Appends a row from a tab-separated line.
  void AddItem(const std::string& tab_separated);
  // Makes room for `rows` rows without changing the count.
  void Reserve(int rows);

  int CellForeColor(int row, int col) const;
  void SetCellForeColor(int row, int col, int colour);

  int ColWidth(int col) const;
  void SetColWidth(int col, int twips);
  int Width() const { return Pos.width; }

  int Row = 0, Col = 0, RowSel = 0, ColSel = 0, TopRow = 0;
  int ForeColorSel = kDefaultColour;  // text colour of the selection
  int VisibleRows = 20;               // rows sent to the browser at once

  // Sorts the non-fixed rows on column Col with one of the sort kinds; rows
  // move whole, equal keys keep their order.
  void DoSort(int kind);

  std::function<void()> EnterCell;
  std::function<void()> SelChange;
  std::function<void()> Click;
  std::function<void()> DblClick;
  std::function<void(int row, int col)> MouseMove;
  std::function<void(int col, int twips)> ColumnResized;

  void Handle(const Event& e) override;
  void Write(JsonWriter& out) const override;

 protected:
  bool Focusable() const override { return true; }

 private:
  struct Cell {
    std::string text;
    int colour = kDefaultColour;
  };
  void CheckCell(int row, int col) const;
  std::vector<std::vector<Cell>> cells_;
  std::vector<int> widths_;
  int cols_ = 0;
};

// True when the text reads as a number (blanks around allowed), the test the
// grid's generic sort and the windows' searches use.
bool IsNumericText(const std::string& text);

}  // namespace hp::forms
