// Database services every window uses for look-ups and list filling.
//
// strTableName names the rows to read: a table name, optionally followed by a
// where condition and an order by clause ("aUsers where UserID=?"). Values go
// in tableParams, one per '?', never into the text; SetTable sets both.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/db/connection.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/list_view.h"

namespace hp::shell {

class ClsCommonDb {
 public:
  db::Connection* adocon = nullptr;
  std::string strTableName;
  db::Params tableParams;

  void SetTable(std::string table, db::Params params = {});

  // The named field (or expression, "sum(hpdInterest)") of the first row of
  // strTableName, restricted by `condition` when one is given. Null when no row
  // matches. Throws db::DbError when the statement fails.
  db::Value fnreturnfield(std::string_view field, std::string_view condition = {},
                          const db::Params& condition_params = {});

  // Fills the combo with the rows of strTableName (restricted by `condition`,
  // which may carry its own order by): each entry shows `display_field` and
  // carries `value_field` (which may be "distinct(hpCustID)") as item data.
  // The combo is emptied first.
  void populateComboOrList(forms::ComboBox& combo, std::string_view value_field, std::string_view display_field,
                           std::string_view condition = {}, const db::Params& condition_params = {});

  // Removes the selected line of the list and numbers the remaining lines'
  // texts 1, 2, 3 ... again, so that rental numbers stay in step with their
  // positions. Nothing happens when no line is selected.
  void fnDeleteListview(bool confirm, forms::ListView& list, bool more_than_one);

  // One more than the largest value of `field` among the rows of strTableName
  // (1 when there is none).
  std::int64_t fnGetNextMaxNo(std::string_view field);

 private:
  db::Connection& Con() const;
  // "select <what> from <strTableName + condition>" with its parameters.
  std::string Select(std::string_view what, std::string_view condition, const db::Params& condition_params,
                     db::Params& params) const;
};

}  // namespace hp::shell
