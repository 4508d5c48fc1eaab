#include "customer/grid_text_search.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace hp::customer {
namespace {

unsigned char Upper(char c) { return static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(c))); }

// The order of the upper-cased bytes: negative, zero or positive as `a` sorts
// before, with or after `b`. Bytes compare unsigned, as std::string does, so
// this is the order the grid's text sort gives the upper-cased keys.
int CompareUpper(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = Upper(a[i]), y = Upper(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

std::string UpperKey(std::string_view s) {
  std::string key(s);
  for (char& c : key) c = static_cast<char>(Upper(c));
  return key;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

void SortRowsAsText(forms::FlexGrid& grid, int col) {
  if (col < 0 || col >= grid.Cols()) return;
  const int first = grid.FixedRows;
  const int rows = grid.Rows();
  bool sorted = true;
  for (int r = first + 1; r < rows && sorted; ++r)
    sorted = CompareUpper(TrimBlanks(grid.TextMatrix(r - 1, col)), TrimBlanks(grid.TextMatrix(r, col))) <= 0;
  if (sorted) return;
  // The grid's own stable sort moves rows whole; sorting it on a scratch
  // column of upper-cased keys gives it our order. The column goes again at
  // once, and the widths of the others are untouched.
  const int cols = grid.Cols();
  const int current_col = grid.Col;
  grid.SetCols(cols + 1);
  for (int r = first; r < rows; ++r) grid.SetTextMatrix(r, cols, UpperKey(TrimBlanks(grid.TextMatrix(r, col))));
  grid.Col = cols;
  grid.DoSort(forms::FlexGrid::kStringAscending);
  grid.SetCols(cols);
  grid.Col = current_col;
}

int FindFirstWithPrefix(const forms::FlexGrid& grid, int col, std::string_view prefix) {
  prefix = TrimBlanks(prefix);
  if (prefix.empty() || col < 0 || col >= grid.Cols()) return -1;
  int low = grid.FixedRows;
  int high = grid.Rows() - 1;
  int found = -1;
  while (low <= high) {
    const int mid = low + (high - low) / 2;
    std::string_view key = TrimBlanks(grid.TextMatrix(mid, col)).substr(0, prefix.size());
    const int c = CompareUpper(key, prefix);
    if (c == 0) {
      found = mid;  // go on to the leftmost match
      high = mid - 1;
    } else if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
    }
  }
  return found;
}

int SearchColumn(forms::FlexGrid& grid, int col, std::string_view text) {
  SortRowsAsText(grid, col);
  const int row = FindFirstWithPrefix(grid, col, text);
  if (row < 0) return -1;
  grid.Row = grid.RowSel = grid.TopRow = row;
  grid.Col = 0;
  grid.ColSel = grid.Cols() - 1;
  return row;
}

}  // namespace hp::customer
