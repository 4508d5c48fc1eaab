// The session of one signed-in user and the routines every window shares:
// error reporting, Enter as Tab, the rights test, the accounts freeze date and
// the register row refresh. One BasModule per user session; every window of
// that session gets it by reference.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/db/connection.h"
#include "platform/forms/flex_grid.h"
#include "platform/forms/form.h"
#include "platform/forms/host.h"
#include "platform/forms/text_box.h"
#include "platform/text/date_text.h"
#include "shell/audit.h"
#include "shell/colours.h"
#include "shell/common_db.h"
#include "shell/common_gen.h"

namespace hp::shell {

class WindowFactory;

// Told to the user when a trapped error ends a save or a cancellation: the
// transaction was rolled back, so nothing of it stays.
inline constexpr char kSaveFailed[] = "The processing could not be saved. Nothing was stored; the error has been logged.";
inline constexpr char kCancelFailed[] =
    "The processing could not be cancelled. Nothing was changed; the error has been logged.";

class BasModule {
 public:
  BasModule(forms::Host& host, WindowFactory& windows);

  forms::Host& host;
  WindowFactory& windows;

  // Set by Show from the host's values.
  db::Connection* adocon = nullptr;
  std::string strMsgboxCaption;
  int intCompanyID = 0;
  int intdepartmentid = 0;  // 0: no department restriction
  int intuserid = 0;
  int intfinancialId = 0;
  text::Date dtProcessDate;

  // Set by the register.
  int intInterfaceID = 0;
  std::string strUserName;
  std::string strFunctionRights;
  std::string strSql;  // the register query, with its values in strSqlParams
  db::Params strSqlParams;
  std::string strTableMain;
  std::string strTableRelation;
  std::string GStrMasterNewEditFlag;
  std::int32_t lngEditProcessingID = 0;
  std::unique_ptr<ClsCommonDb> objDb;
  std::unique_ptr<clsCommonGen> objGen;
  std::unique_ptr<clsOskendal> objAudit;
  std::unique_ptr<clsPavlin> objColour;
  forms::FlexGrid* registerGrid = nullptr;  // the register's grid while it is open

  // Set by the working screens and their line dialogs.
  std::int32_t intChequeRegisterID = 0;
  int intSelectedRentalNo = 0;
  std::string strLineEntryMode;

  // A message box captioned with strMsgboxCaption.
  forms::MsgBoxResult MsgBox(const std::string& prompt, int style = forms::vbInformation);

  // Logs an error through the error-logging component. The number is cut to
  // its rightmost five digits (-2147217900 -> 17900), also in the caller's
  // variable. Never raises: a failure inside (connection gone, user look-up
  // failing) is logged with the user identifier.
  void ReportError(const std::string& screen, int user_id, const std::string& routine, long& number,
                   const std::string& source, const std::string& description, const std::string& context,
                   bool flag) noexcept;

  // Runs a handler body under the error trap: an exception is reported with
  // the window's name, the routine and the context and ends the handler.
  // Returns false when the body failed. Failures of a test script pass on.
  template <class Body>
  bool Trap(const forms::Form& screen, const std::string& routine, const std::string& context, Body&& body);

  // Enter (13) moves the focus to the next control as Tab would.
  void EnterAsTab(int& key);
  static void SelectAllText(forms::TextBox& box);
  bool HasFunctionRight(std::string_view letter) const;

  // The accounts freeze date setting as stored (null or empty: none).
  db::Value GetAccountsFreezeDate();
  // True when a freeze date is set and the date is on or before it.
  bool IsInFrozenPeriod(const text::Date& date);

  // Reads the one processing matching `condition` (" hphProcessingID=?")
  // through the register's own query and adds it to the register grid (new)
  // or rewrites the current row (edit, by GStrMasterNewEditFlag). Call it only
  // after the save has been committed. Returns false when the register is not
  // open or the query does not find the processing (outside the register's
  // date window); errors are reported and also give false.
  bool UpdateEditedRow(const std::string& condition, const db::Params& condition_params,
                       std::int32_t processing_id);

 private:
  void ReportException(const forms::Form& screen, const std::string& routine, const std::string& context,
                       std::exception_ptr error) noexcept;
};

// The number, source and description under which an exception is logged.
struct ErrorInfo {
  long number;
  std::string source;
  std::string description;
};
ErrorInfo DescribeError(std::exception_ptr error);
// True for failures of a test script, which must not be trapped.
bool IsScriptFailure(std::exception_ptr error);

template <class Body>
bool BasModule::Trap(const forms::Form& screen, const std::string& routine, const std::string& context,
                     Body&& body) {
  try {
    body();
    return true;
  } catch (...) {
    auto error = std::current_exception();
    if (IsScriptFailure(error)) throw;
    ReportException(screen, routine, context, error);
    return false;
  }
}

}  // namespace hp::shell
