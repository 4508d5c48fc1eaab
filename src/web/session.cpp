#include "web/session.h"

#include <spdlog/spdlog.h>

#include "platform/db/connection.h"
#include "shell/cls_hp_processing.h"
#include "web/web_host.h"

namespace hp::web {

Session::Session(std::string csrf, SignedInUser user, std::string client)
    : csrf_(std::move(csrf)), user_(std::move(user)), client_(std::move(client)) {
  Touch();
}

Session::~Session() {
  Close();
  if (thread_.joinable()) thread_.join();
}

bool Session::Start(Workplace place, const ModuleSetup& setup) {
  std::lock_guard lock(start_mutex_);
  if (started_ || closed_) return false;
  place_ = std::move(place);
  started_ = true;
  thread_ = std::thread([this, setup] { RunModule(setup); });
  return true;
}

void Session::Close() {
  closed_ = true;
  channel_.Close();
}

bool Session::WaitEnded(std::chrono::milliseconds timeout) {
  if (!started_) return true;
  return channel_.WaitEnded(timeout);
}

void Session::RunModule(const ModuleSetup& setup) {
  try {
    auto con = db::OpenDatabase(setup.database);
    auto windows = setup.windows();
    nlohmann::json heading = {{"user", user_.user_name},
                              {"company", place_.company_name},
                              {"department", place_.department_name},
                              {"year", place_.financial_name},
                              {"date", text::ShortDate(place_.process_date)}};
    WebHost host(channel_, documents_, std::move(heading));
    shell::clsHPProcessing module(host, *windows);
    module.adocon = con.get();
    module.strMsgboxCaption = setup.caption;
    module.intCompanyID = place_.company;
    module.intdepartmentid = place_.department;
    module.intuserid = user_.user_id;
    module.intfinancialId = place_.financial;
    module.dtProcessDate = place_.process_date;
    module.Show();
    spdlog::info("user {} closed the register", user_.user_name);
  } catch (const SessionClosed&) {
    spdlog::info("session of user {} closed", user_.user_name);
  } catch (const std::exception& e) {
    spdlog::error("the module of user {} ended with an error: {}", user_.user_name, e.what());
  } catch (...) {
    spdlog::error("the module of user {} ended with an unknown error", user_.user_name);
  }
  channel_.Finish();
}

}  // namespace hp::web
