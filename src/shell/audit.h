// User auditing: who saved, edited or cancelled which processing and when,
// and change detection for the "Save Changes?" question on close.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/db/connection.h"
#include "platform/forms/form.h"
#include "platform/text/date_text.h"

namespace hp::shell {

class clsOskendal {
 public:
  // Opens the module for the user; returns the connection to go on with (the
  // one given).
  db::Connection* OpenObject(db::Connection* con, int company, int user, int department, int interface_id,
                             const text::DateTime& now);

  // The time the audited action started; set before each action.
  text::DateTime LoggedTime;

  // Records that the user saved (`new_edit` "N" or "E") or cancelled ("D") the
  // processing `record_id` numbered `record_no`. Runs on the session
  // connection, inside the caller's transaction. Throws db::DbError.
  void SaveOskendalInfo(std::int64_t record_id, const std::string& record_no, bool flag,
                        const std::string& new_edit, const forms::Form* screen = nullptr);

  // Remembers the contents of the window's controls.
  void SaveInToTag(const forms::Form& screen);
  // True when any control of the window differs from what SaveInToTag
  // remembered (false when nothing was remembered).
  bool DataChanged(const forms::Form& screen) const;

 private:
  db::Connection* con_ = nullptr;
  int company_ = 0, user_ = 0, department_ = 0, interface_ = 0;
  std::map<const forms::Form*, std::map<std::string, std::string>> remembered_;
};

}  // namespace hp::shell
