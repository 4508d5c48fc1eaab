#include "support/module.h"

#include "support/database.h"

namespace hp::testing {

std::unique_ptr<forms::Form> NoWindows::MakeRegister(shell::BasModule&) {
  throw forms::ScriptError("this test opens no register");
}
std::unique_ptr<forms::Form> NoWindows::MakeProcessing(shell::BasModule&) {
  throw forms::ScriptError("this test opens no processing screen");
}
std::unique_ptr<forms::Form> NoWindows::MakeReprocessing(shell::BasModule&) {
  throw forms::ScriptError("this test opens no re-processing screen");
}
std::unique_ptr<forms::Form> NoWindows::MakeAfterSettlement(shell::BasModule&) {
  throw forms::ScriptError("this test opens no after-settlement screen");
}

Module::Module(const World& w, shell::WindowFactory* windows) : Module(FreshDatabase(), w, true, windows) {}

Module::Module(const std::string& url, bool create_world)
    : Module(url.empty() ? FreshDatabase() : OpenTestDatabase(url), World{}, url.empty() || create_world, nullptr) {}

Module::Module(std::unique_ptr<db::Connection> db, const World& w, bool create_world, shell::WindowFactory* windows)
    : con(std::move(db)), world(create_world ? StandardWorld(*con, w) : w), bas(host, windows ? *windows : no_windows) {
  bas.adocon = con.get();
  bas.strMsgboxCaption = "HP";
  bas.intCompanyID = world.company;
  bas.intdepartmentid = world.department;
  bas.intuserid = world.user;
  bas.intfinancialId = world.financial;
  bas.dtProcessDate = text::Date{2024, 3, 15};
  bas.intInterfaceID = kInterface;
  bas.strUserName = world.user_name;
  bas.strFunctionRights = "NED";
  bas.objDb = std::make_unique<shell::ClsCommonDb>();
  bas.objDb->adocon = con.get();
  bas.objGen = std::make_unique<shell::clsCommonGen>();
  bas.objAudit = std::make_unique<shell::clsOskendal>();
  bas.objAudit->OpenObject(con.get(), world.company, world.user, world.department, kInterface, text::Now());
  bas.objColour = std::make_unique<shell::clsPavlin>();
}

RegisterStub::RegisterStub(Module& m, int cols, const std::string& sql)
    : Form(m.host, "FrmMaster"), flexMaster(*this, "flexMaster") {
  flexMaster.SetCols(cols);
  flexMaster.SetRows(2);
  m.bas.registerGrid = &flexMaster;
  m.bas.strSql = sql;
  m.bas.strSqlParams = {std::int64_t{m.world.company}};
}

}  // namespace hp::testing
