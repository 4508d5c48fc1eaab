#include "shell/grid_settings.h"

#include <spdlog/spdlog.h>

#include "platform/forms/form.h"

namespace hp::shell {

db::Connection* clsRindale::fnGridSettings(int user, int company, forms::FlexGrid& grid, db::Connection* con,
                                           bool apply) {
  const std::string name = grid.Owner().Name() + "." + grid.Name();
  if (apply) {
    con->ForEachRow(
        "select ColumnNo, Width from hpGridSettings where UserID=? and CompanyID=? and GridName=?",
        {std::int64_t{user}, std::int64_t{company}, name}, [&](const db::RowView& row) {
          auto col = static_cast<int>(db::AsInt(row.Field(0)));
          // The hidden first column stays hidden whatever was saved.
          if (col > 0 && col < grid.Cols()) grid.SetColWidth(col, static_cast<int>(db::AsInt(row.Field(1))));
        });
  }
  grid.ColumnResized = [con, user, company, name](int col, int twips) {
    try {
      con->Execute("delete from hpGridSettings where UserID=? and CompanyID=? and GridName=? and ColumnNo=?",
                   {std::int64_t{user}, std::int64_t{company}, name, std::int64_t{col}});
      con->Execute("insert into hpGridSettings (UserID, CompanyID, GridName, ColumnNo, Width) values (?,?,?,?,?)",
                   {std::int64_t{user}, std::int64_t{company}, name, std::int64_t{col}, std::int64_t{twips}});
    } catch (const std::exception& e) {
      // A width that cannot be kept is no reason to disturb the user.
      spdlog::warn("grid setting not saved for {}: {}", name, e.what());
    }
  };
  return con;
}

}  // namespace hp::shell
