// Prefix search in one column of a grid, as the register and the customer
// dialog offer it under "Search".
//
// The rows are first put in the column's text order, ignoring case, and the
// first row whose text begins with the search text is then found by binary
// search under that same order. Numbers are compared as text on purpose: "12"
// must find 120 among 5, 13, 120 and 121, and a prefix match is only
// contiguous when the column is in text order. Comparing under any other order
// than the one the rows were sorted in (numbers as numbers, or case-folded
// text over a case-sensitive sort) lets the binary search step past a match.
#pragma once

#include <string_view>

#include "platform/forms/flex_grid.h"

namespace hp::customer {

// Puts the grid's non-fixed rows in the order of column `col`'s text (blanks
// around ignored, letters compared without case); equal texts keep their
// order and rows move whole, colours included. Costs one pass when the rows
// already are in that order. Does nothing for a column the grid lacks.
void SortRowsAsText(forms::FlexGrid& grid, int col);

// With the rows in SortRowsAsText order: the first row whose text in `col`
// begins with `prefix` (both trimmed, case ignored), or -1 when none does or
// the trimmed prefix is empty.
int FindFirstWithPrefix(const forms::FlexGrid& grid, int col, std::string_view prefix);

// Sorts on `col` and finds the first row beginning with `text`. A match
// becomes the current row, is selected across all columns and scrolled to the
// top; returns it. On a miss the selection stays as it was and -1 is returned.
// Raises no grid events.
int SearchColumn(forms::FlexGrid& grid, int col, std::string_view text);

// The text without the blanks (spaces, tabs) around it.
std::string_view TrimBlanks(std::string_view text);

}  // namespace hp::customer
