// The user's own column widths of a grid, kept per user, company and grid.
#pragma once

#include "platform/db/connection.h"
#include "platform/forms/flex_grid.h"

namespace hp::shell {

class clsRindale {
 public:
  // Applies the saved widths to the grid and saves each width the user sets
  // from now on. Returns the connection to go on with (the one given).
  // Throws db::DbError when the settings cannot be read.
  db::Connection* fnGridSettings(int user, int company, forms::FlexGrid& grid, db::Connection* con, bool apply);
};

}  // namespace hp::shell
