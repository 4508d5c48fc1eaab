// Fixtures of the processing tests: a session with the screen, a stand-in
// register grid fed by a register-like query, sessions sharing one database
// (either backend) for concurrency, and small readers of what was stored.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "platform/forms/flex_grid.h"
#include "platform/forms/scripted_host.h"
#include "processing/frm_processing.h"
#include "support/database.h"
#include "support/module.h"
#include "support/records.h"
#include "support/ui.h"

namespace hp::processing::fixture {

// The register's grid: column 0 the hidden identifier, then number, date,
// customer, invoice, amended, cancelled.
class RegisterStub : public forms::Form {
 public:
  explicit RegisterStub(forms::Host& host) : Form(host, "FrmMaster"), flexMaster(*this, "flexMaster") {
    flexMaster.SetCols(7);
    flexMaster.SetRows(2);
  }
  forms::FlexGrid flexMaster;
};

inline constexpr char kRegisterSql[] =
    "select h.hphProcessingID, h.hphProcessingNo, h.hphProcessingdate, c.CustomerName, i.hpqhQuotationNo, "
    "case when h.hphAmended=1 then 'Yes' else 'No' end, case when h.hphCancel=1 then 'Yes' else 'No' end "
    "from aHpProcessingHeader h left join aCustomerMaster c on c.CustomerID=h.hphCustomerID "
    "left join losHpInvoiceHeader i on i.hpqhQuotationID=h.hphInvoiceID where h.hphCompanyID=? "
    "order by h.hphProcessingNo";

// Session values as the register leaves them for a new processing.
inline void AsRegisterLeavesIt(shell::BasModule& bas, RegisterStub& reg) {
  bas.GStrMasterNewEditFlag = "N";
  bas.registerGrid = &reg.flexMaster;
  bas.strSql = kRegisterSql;
  bas.strSqlParams = {std::int64_t{bas.intCompanyID}};
}

inline void AddWorkedExample(db::Connection& con, testing::InvoiceSpec invoice = {}) {
  testing::AddCustomer(con, {.id = 1, .name = "Perera"});
  testing::AddInvoice(con, invoice);
}

// One session with the screen, not yet loaded.
struct Screen {
  Screen() : reg(m.host) { AsRegisterLeavesIt(m.bas, reg); }
  testing::Module m;
  RegisterStub reg;
  std::unique_ptr<frmProcessing> frm;

  // Loads and activates the screen without a modal loop: the test then
  // drives it event by event.
  frmProcessing& Open() {
    frm = std::make_unique<frmProcessing>(m.bas);
    frm->Load();
    frm->Activate();
    return *frm;
  }
  db::Connection& con() { return *m.con; }
};

// A user's session on a database shared with others (testing::TestDatabaseUrl),
// set up as testing::Module sets up its private one. The session that
// creates the world comes first.
struct SharedSession {
  SharedSession(const std::string& url, bool create_world)
      : con(testing::OpenTestDatabase(url)), bas(host, no_windows), reg(host) {
    testing::World world;
    if (create_world) world = testing::StandardWorld(*con);
    bas.adocon = con.get();
    bas.strMsgboxCaption = "HP";
    bas.intCompanyID = world.company;
    bas.intdepartmentid = world.department;
    bas.intuserid = world.user;
    bas.intfinancialId = world.financial;
    bas.dtProcessDate = text::Date{2024, 3, 15};
    bas.intInterfaceID = testing::kInterface;
    bas.strUserName = world.user_name;
    bas.strFunctionRights = "NED";
    bas.objDb = std::make_unique<shell::ClsCommonDb>();
    bas.objDb->adocon = con.get();
    bas.objGen = std::make_unique<shell::clsCommonGen>();
    bas.objAudit = std::make_unique<shell::clsOskendal>();
    bas.objAudit->OpenObject(con.get(), world.company, world.user, world.department, testing::kInterface,
                             text::Now());
    bas.objColour = std::make_unique<shell::clsPavlin>();
    AsRegisterLeavesIt(bas, reg);
  }
  std::unique_ptr<db::Connection> con;
  forms::ScriptedHost host;
  testing::NoWindows no_windows;
  shell::BasModule bas;
  RegisterStub reg;
};

// Department (when the session has none), customer 1 and the invoice.
inline void ChooseInvoice(forms::Form& f, std::int64_t invoice = 1) {
  testing::ChooseData(f, "cboCustomer", 1);
  testing::ChooseData(f, "cboInvoice", invoice);
}
inline void ChooseAndProcess(forms::Form& f) {
  ChooseInvoice(f);
  testing::Click(f, "cmdProcess");
}

inline std::string Focus(const forms::Form& f) {
  return f.ActiveControl() ? f.ActiveControl()->Name() : std::string();
}

inline std::string Cell(db::Connection& con, const std::string& sql, const db::Params& params = {}) {
  db::Recordset rs = con.Open(sql, params);
  return rs.Eof() ? std::string("<no row>") : db::AsText(rs.Field(0));
}

// What a save leaves behind, to compare before and after.
struct Stored {
  long headers, details, before_tax, audit, processed_invoices;
  bool operator==(const Stored&) const = default;
};
inline Stored Snapshot(db::Connection& con) {
  return {testing::CountRows(con, "aHpProcessingHeader"), testing::CountRows(con, "aHpProcessingDetail"),
          testing::CountRows(con, "aHpProcessingDetailOthers"), testing::CountRows(con, "hpAuditTrail"),
          testing::CountRows(con, "losHpInvoiceHeader", "hpqhProcessed=1")};
}
inline std::ostream& operator<<(std::ostream& os, const Stored& s) {
  return os << "{headers " << s.headers << ", details " << s.details << ", before-tax " << s.before_tax
            << ", audit " << s.audit << ", processed invoices " << s.processed_invoices << "}";
}

}  // namespace hp::processing::fixture
