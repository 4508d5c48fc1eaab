#include "shell/bas_module.h"

#include <spdlog/spdlog.h>

#include <algorithm>
#include <cctype>

#include "platform/db/db_error.h"
#include "platform/forms/scripted_host.h"
#include "platform/text/number_text.h"
#include "shell/error_details.h"

namespace hp::shell {

BasModule::BasModule(forms::Host& h, WindowFactory& w) : host(h), windows(w) {}

forms::MsgBoxResult BasModule::MsgBox(const std::string& prompt, int style) {
  return host.MsgBox(prompt, style, strMsgboxCaption);
}

ErrorInfo DescribeError(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const db::DbError& e) {
    return {e.code(), "hp.db", e.what()};
  } catch (const text::NumberTextError& e) {
    return {13, "hp.text", e.what()};  // type mismatch
  } catch (const text::DateTextError& e) {
    return {13, "hp.text", e.what()};
  } catch (const std::out_of_range& e) {
    return {9, "hp", e.what()};  // subscript out of range
  } catch (const std::exception& e) {
    return {5, "hp", e.what()};  // invalid procedure call or argument
  } catch (...) {
    return {0, "hp", "unknown error"};
  }
}

bool IsScriptFailure(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const forms::ScriptError&) {
    return true;
  } catch (...) {
    return false;
  }
}

void BasModule::ReportException(const forms::Form& screen, const std::string& routine, const std::string& context,
                                 std::exception_ptr error) noexcept {
  ErrorInfo info = DescribeError(error);
  ReportError(screen.Name(), intuserid, routine, info.number, info.source, info.description, context, true);
}

void BasModule::ReportError(const std::string& screen, int user_id, const std::string& routine, long& number,
                            const std::string& source, const std::string& description, const std::string& context,
                            bool) noexcept {
  std::string digits = std::to_string(number);
  if (digits.size() > 5) number = std::stol(digits.substr(digits.size() - 5));
  std::string user_name;
  try {
    ClsCommonDb look_up;
    look_up.adocon = adocon;
    look_up.SetTable("ausers where userid=?", {std::int64_t{user_id}});
    user_name = db::AsText(look_up.fnreturnfield("username"));
  } catch (...) {
    // The connection may be the very thing that failed: log what we know.
    user_name = "user " + std::to_string(user_id);
  }
  ErrorDetails(adocon).ErrorTrack(screen, user_name, routine, number, source, description, context, true);
}

void BasModule::EnterAsTab(int& key) {
  if (key != 13) return;
  if (forms::Form* active = host.ActiveForm()) active->FocusNext();
}

void BasModule::SelectAllText(forms::TextBox& box) {
  box.SelStart = 0;
  box.SelLength = static_cast<int>(forms::CharCount(box.Text()));
}

bool BasModule::HasFunctionRight(std::string_view letter) const {
  return !letter.empty() && strFunctionRights.find(letter) != std::string::npos;
}

db::Value BasModule::GetAccountsFreezeDate() {
  ClsCommonDb look_up;
  look_up.adocon = adocon;
  look_up.SetTable("MiscSettings");
  return look_up.fnreturnfield("AccountsFreezeDate");
}

bool BasModule::IsInFrozenPeriod(const text::Date& date) {
  db::Value v = GetAccountsFreezeDate();
  std::string s = db::AsText(v);
  if (db::IsNull(v) || s.empty()) return false;
  return text::DateOf(s) >= date;
}

namespace {
size_t FindNoCase(const std::string& text, std::string_view what) {
  auto it = std::search(text.begin(), text.end(), what.begin(), what.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
  return it == text.end() ? std::string::npos : static_cast<size_t>(it - text.begin());
}
}  // namespace

bool BasModule::UpdateEditedRow(const std::string& condition, const db::Params& condition_params,
                                std::int32_t processing_id) {
  if (!registerGrid || strSql.empty()) return false;
  try {
    forms::FlexGrid& grid = *registerGrid;
    int cols = grid.Cols();
    std::string sql = strSql;
    if (size_t at = FindNoCase(sql, "order by"); at != std::string::npos) sql.erase(at);
    sql += (FindNoCase(sql, "where") != std::string::npos ? " and " : " where ") + condition;
    db::Params params = strSqlParams;
    params.insert(params.end(), condition_params.begin(), condition_params.end());
    db::Recordset rs = adocon->Open(sql, params);
    if (rs.Eof()) return false;
    auto field = [&](int i) { return i < rs.FieldCount() ? db::AsText(rs.Field(i)) : std::string(); };
    if (GStrMasterNewEditFlag != "E") {
      if (grid.Rows() == 2 && grid.TextMatrix(1, 0).empty()) {
        for (int c = 0; c < cols; ++c) grid.SetTextMatrix(1, c, field(c));
      } else {
        std::string line = std::to_string(processing_id);
        for (int c = 1; c < cols; ++c) line += '\t' + field(c);
        grid.AddItem(line);
        grid.Row = grid.RowSel = grid.TopRow = grid.Rows() - 1;
        grid.Col = 0;
        grid.ColSel = cols - 1;
      }
    } else {
      for (int c = 1; c < cols; ++c) grid.SetTextMatrix(grid.Row, c, field(c));
    }
    return true;
  } catch (...) {
    auto error = std::current_exception();
    if (IsScriptFailure(error)) throw;
    ErrorInfo info = DescribeError(error);
    ReportError("BasVendorSettle", intuserid, "UpdateEditedRow", info.number, info.source, info.description,
                GStrMasterNewEditFlag, true);
    return false;
  }
}

}  // namespace hp::shell
