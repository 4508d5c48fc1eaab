#include "shell/audit.h"

namespace hp::shell {

db::Connection* clsOskendal::OpenObject(db::Connection* con, int company, int user, int department,
                                        int interface_id, const text::DateTime& now) {
  con_ = con;
  company_ = company;
  user_ = user;
  department_ = department;
  interface_ = interface_id;
  LoggedTime = now;
  return con_;
}

void clsOskendal::SaveOskendalInfo(std::int64_t record_id, const std::string& record_no, bool,
                                   const std::string& new_edit, const forms::Form* screen) {
  if (!con_) throw db::DbError("auditing used before the module was opened");
  con_->Execute(
      "insert into hpAuditTrail (CompanyID, DepartmentID, UserID, InterfaceID, RecordID, RecordNo, Action, "
      "ScreenName, LoggedTime, SavedTime) values (?,?,?,?,?,?,?,?,?,?)",
      {static_cast<std::int64_t>(company_), static_cast<std::int64_t>(department_),
       static_cast<std::int64_t>(user_), static_cast<std::int64_t>(interface_), record_id, record_no, new_edit,
       screen ? screen->Name() : std::string(), text::IsoDateTime(LoggedTime), text::IsoDateTime(text::Now())});
}

void clsOskendal::SaveInToTag(const forms::Form& screen) { remembered_[&screen] = screen.Values(); }

bool clsOskendal::DataChanged(const forms::Form& screen) const {
  auto it = remembered_.find(&screen);
  return it != remembered_.end() && it->second != screen.Values();
}

}  // namespace hp::shell
