#include "shell/common_db.h"

#include <algorithm>
#include <cctype>

namespace hp::shell {
namespace {

// Position of `word` in `text`, ignoring case, as a whole word; npos if none.
size_t FindWord(const std::string& text, std::string_view word) {
  auto lower = [](unsigned char c) { return static_cast<char>(std::tolower(c)); };
  std::string t(text.size(), ' ');
  std::transform(text.begin(), text.end(), t.begin(), lower);
  size_t pos = 0;
  while ((pos = t.find(word, pos)) != std::string::npos) {
    bool start_ok = pos == 0 || !std::isalnum(static_cast<unsigned char>(t[pos - 1]));
    size_t end = pos + word.size();
    bool end_ok = end >= t.size() || !std::isalnum(static_cast<unsigned char>(t[end]));
    if (start_ok && end_ok) return pos;
    pos = end;
  }
  return std::string::npos;
}

}  // namespace

void ClsCommonDb::SetTable(std::string table, db::Params params) {
  strTableName = std::move(table);
  tableParams = std::move(params);
}

db::Connection& ClsCommonDb::Con() const {
  if (!adocon) throw db::DbError("database services used before a connection was given");
  return *adocon;
}

std::string ClsCommonDb::Select(std::string_view what, std::string_view condition,
                                const db::Params& condition_params, db::Params& params) const {
  std::string rows = strTableName;
  std::string order;
  if (size_t at = FindWord(rows, "order"); at != std::string::npos) {
    order = " " + rows.substr(at);
    rows.erase(at);
  }
  params = tableParams;
  if (!condition.empty()) {
    std::string cond(condition);
    // A condition may bring its own order by ("CompanyID = ? order by DepartmentName").
    if (size_t at = FindWord(cond, "order"); at != std::string::npos) {
      order = " " + cond.substr(at);
      cond.erase(at);
    }
    rows += (FindWord(rows, "where") == std::string::npos ? " where " : " and ") + cond;
    params.insert(params.end(), condition_params.begin(), condition_params.end());
  }
  return "select " + std::string(what) + " from " + rows + order;
}

db::Value ClsCommonDb::fnreturnfield(std::string_view field, std::string_view condition,
                                     const db::Params& condition_params) {
  db::Params params;
  std::string sql = Select(field, condition, condition_params, params) + " limit 1";
  db::Value result;
  Con().ForEachRow(sql, params, [&](const db::RowView& row) { result = row.Field(0); });
  return result;
}

void ClsCommonDb::populateComboOrList(forms::ComboBox& combo, std::string_view value_field,
                                      std::string_view display_field, std::string_view condition,
                                      const db::Params& condition_params) {
  db::Params params;
  std::string what = std::string(value_field) + ", " + std::string(display_field);
  std::string sql = Select(what, condition, condition_params, params);
  combo.Clear();
  Con().ForEachRow(sql, params, [&](const db::RowView& row) {
    combo.AddItem(row.Text(1), db::AsInt(row.Field(0)));
  });
}

void ClsCommonDb::fnDeleteListview(bool, forms::ListView& list, bool) {
  int sel = list.SelectedIndex();
  if (sel < 0) return;
  list.Remove(sel);
  for (int i = 0; i < list.Count(); ++i) list.Item(i).text = std::to_string(i + 1);
  list.Select(list.Count() == 0 ? -1 : std::min(sel, list.Count() - 1));
}

std::int64_t ClsCommonDb::fnGetNextMaxNo(std::string_view field) {
  db::Params params;
  std::string sql = Select("max(" + std::string(field) + ")", {}, {}, params);
  db::Value max;
  Con().ForEachRow(sql, params, [&](const db::RowView& row) { max = row.Field(0); });
  return (db::IsNull(max) ? 0 : db::AsInt(max)) + 1;
}

}  // namespace hp::shell
