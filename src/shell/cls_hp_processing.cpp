#include "shell/cls_hp_processing.h"

#include <spdlog/spdlog.h>

#include "shell/windows.h"

namespace hp::shell {

clsHPProcessing::clsHPProcessing(forms::Host& host, WindowFactory& windows) : bas_(host, windows) {}

void clsHPProcessing::Show() {
  bas_.adocon = adocon;
  bas_.intCompanyID = intCompanyID;
  bas_.intuserid = intuserid;
  bas_.intfinancialId = intfinancialId;
  bas_.intdepartmentid = intdepartmentid;
  bas_.dtProcessDate = dtProcessDate;
  bas_.strMsgboxCaption = strMsgboxCaption;
  try {
    auto frm = bas_.windows.MakeRegister(bas_);
    bas_.host.ShowModal(*frm);
  } catch (...) {
    auto error = std::current_exception();
    if (IsScriptFailure(error)) throw;
    ErrorInfo info = DescribeError(error);
    spdlog::error("the register ended with an error: {}", info.description);
  }
  bas_.registerGrid = nullptr;
}

}  // namespace hp::shell
