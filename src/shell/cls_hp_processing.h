// The module's entry: the host fills the session properties and calls Show,
// which runs the processing register until the user closes it.
#pragma once

#include <string>

#include "platform/db/connection.h"
#include "platform/forms/host.h"
#include "platform/text/date_text.h"
#include "shell/bas_module.h"

namespace hp::shell {

class WindowFactory;

class clsHPProcessing {
 public:
  clsHPProcessing(forms::Host& host, WindowFactory& windows);

  db::Connection* adocon = nullptr;  // not owned; must outlive Show
  std::string strMsgboxCaption;
  int intCompanyID = 0;
  int intdepartmentid = 0;
  int intuserid = 0;
  int intfinancialId = 0;
  text::Date dtProcessDate;

  // Copies the properties into the session and shows the register modally;
  // returns when the register has been closed. Raises nothing.
  void Show();

  // The session values, kept from one Show to the next.
  BasModule& Module() { return bas_; }

 private:
  BasModule bas_;
};

}  // namespace hp::shell
