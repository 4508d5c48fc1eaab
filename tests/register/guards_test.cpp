// What users did that once crashed a screen: each case is the set-up, the
// events a user sends, and what must follow.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "processing/frm_processing.h"
#include "register/register_world.h"
#include "reprocessing/frm_reprocessing.h"
#include "support/database.h"
#include "support/faulty_connection.h"

namespace hp::reg::test {
namespace {

using processing::frmProcessing;
using reprocessing::frmReprocessing;
struct Session;
using Step = std::function<void(Session&)>;

// The session's connection; while `failing` is set, every statement whose
// text holds it fails ("": all of them, the connection is gone).
struct Outage : t::FaultyConnection {
  using FaultyConnection::FaultyConnection;
  std::optional<std::string> failing;
  void Check(std::string_view sql) {
    if (failing && sql.find(*failing) != sql.npos) throw db::DbError("connection lost");
  }
  long Execute(std::string_view sql, const db::Params& p) override { return Check(sql), FaultyConnection::Execute(sql, p); }
  db::Recordset Open(std::string_view sql, const db::Params& p) override { return Check(sql), FaultyConnection::Open(sql, p); }
  long ForEachRow(std::string_view sql, const db::Params& p, const std::function<void(const db::RowView&)>& row) override {
    return Check(sql), FaultyConnection::ForEachRow(sql, p, row);
  }
};

struct Session : Register {
  Outage outage{*m.con};
  bool still_open = false;  // the cheque dialog after its OK
  Session() { m.bas.adocon = &outage; }
  frmProcessing& Processing() { return dynamic_cast<frmProcessing&>(*screen); }
  frmReprocessing& Reprocessing() { return dynamic_cast<frmReprocessing&>(*screen); }
  void Invoice(const t::InvoiceSpec& invoice) { t::AddCustomer(*m.con, {.id = invoice.customer}), t::AddInvoice(*m.con, invoice); }
  // The processing screen with the invoice chosen, then `then`.
  void ChooseInvoice(int customer, int invoice, const std::function<void(frmProcessing&)>& then) {
    Show<frmProcessing>(windows->MakeProcessing(m.bas), [&](frmProcessing& f) {
      t::ChooseData(f, "cboCustomer", customer), t::ChooseData(f, "cboInvoice", invoice), then(f);
    });
  }
  void Reprocess(const std::function<void(frmReprocessing&)>& user) { Show<frmReprocessing>(windows->MakeReprocessing(m.bas), user); }
};

const Step kOpenRow1 = [](Session& w) { w.Add({.id = 1}), w.Open(), w.Select(1); };
const Step kNoRegisterChosen = [](Session& w) {
  w.ChooseInvoice(1, 1, [](frmProcessing& f) { EXPECT_THROW(t::Click(f, "cmdProcess"), forms::EventError); });
};
const Step kRegisterEmpty = [](Session& w) {
  EXPECT_EQ(w.m.host.LastMessage(), "Cheque Register is empty");
  EXPECT_EQ(w.Processing().txtSP.Text() + (w.Processing().cmdProcess.Enabled ? "enabled" : ""), "");
};
Step LookBack(const char* setting) {
  return [=](Session& w) {
    w.Add({.id = 1, .number = "HP1", .date = "2024-03-14"}), w.Add({.id = 2, .number = "HP2"});
    w.m.con->Execute("delete from asettings");
    if (setting) w.m.con->Execute("insert into asettings values (1, ?)", {std::string(setting)});
  };
}
const Step kOpen = [](Session& w) { w.Open(); };
const Step kTodayOnly = [](Session& w) {
  EXPECT_EQ(w.Column(kColNumber), std::vector<std::string>{"HP2"});
  EXPECT_EQ(db::AsText(w.m.bas.strSqlParams.back()), "2024-03-15");
};
const Step kReprocessable = [](Session& w) { w.Add({.id = 1, .rental = 1000, .lines = Lines(3, "2024-04-15", 1000)}); };

TEST(Guards, EventsThatOnceCrashedAScreenEndQuietly) {
  struct Case {
    const char* name;
    Step setup, events, expect;
  } cases[] = {
      {"ReportErrorWithTheConnectionGone", kOpenRow1,
       [](Session& w) { w.outage.failing = "", t::Click(*w.frm, "CmdDelete"), w.outage.failing.reset(); },
       [](Session& w) {
         EXPECT_EQ(w.m.host.LastMessage(), shell::kCancelFailed);
         EXPECT_EQ(w.Fields(1, "hphcancel"), "0|");
         EXPECT_EQ(w.Count("hpErrorLog", "1=1"), 0) << "nothing could be logged";
       }},
      {"ReportErrorWithTheUserLookUpFailing",
       [](Session& w) { kOpenRow1(w), t::FailWrites(*w.m.con, "hpAuditTrail", "insert"); },
       [](Session& w) { w.outage.failing = "ausers", w.Delete(1), w.outage.failing.reset(); },
       [](Session& w) {
         EXPECT_EQ(w.m.host.LastMessage(), shell::kCancelFailed);
         EXPECT_EQ(w.Count("hpErrorLog", "UserName='user 1' and RoutineName='CmdDelete_Click'"), 1);
       }},
      {"InvoiceWithoutChequeRegister", [](Session& w) { w.Invoice({.cheque_register = false}); }, kNoRegisterChosen,
       kRegisterEmpty},
      {"InvoiceWithOnlyACancelledChequeRegister",
       [](Session& w) { w.Invoice({}), w.m.con->Execute("update losHpChequeRegisterHeader set hphCancel=1"); },
       kNoRegisterChosen, kRegisterEmpty},
      {"IdentifiersAbove32767", [](Session& w) { w.Invoice({.id = 40000, .customer = 70000}); },
       [](Session& w) { w.ChooseInvoice(70000, 40000, [](frmProcessing& f) { t::Click(f, "cmdProcess"); }); },
       [](Session& w) {
         EXPECT_EQ(w.m.bas.intChequeRegisterID, 40000);
         ASSERT_EQ(w.Processing().lvwProcessing.Count(), 24) << w.m.host.LastMessage();
         EXPECT_EQ(w.Processing().lvwProcessing.Item(23).SubItem(8), "CHQ24");
       }},
      {"ChequeWalkBoundedByTheListNotTheRentalsBox", [](Session& w) { w.Invoice({}); },
       [](Session& w) {
         w.ChooseInvoice(1, 1, [&](frmProcessing& f) {
           t::Click(f, "cmdProcess");
           w.m.host.OnShow("frmPopUp", [&](Form& p) { t::Click(p, "cmdOK"), w.still_open = p.IsLoaded(); });
           t::Paste(f, "txtNoRetals", "12"), t::DblClick(f, "lvwProcessing", 11);  // the box's last: walks on
           EXPECT_TRUE(w.still_open && w.m.bas.intSelectedRentalNo == 13);
           t::Paste(f, "txtNoRetals", "30"), t::DblClick(f, "lvwProcessing", 23);  // the list's last: ends
         });
       },
       [](Session& w) {
         EXPECT_FALSE(w.still_open);
         EXPECT_EQ(w.m.bas.intSelectedRentalNo, 24);
         EXPECT_TRUE(w.m.host.Messages().empty()) << w.m.host.LastMessage();
       }},
      {"LookBackMissing", LookBack(nullptr), kOpen, kTodayOnly},
      {"LookBackEmpty", LookBack(""), kOpen, kTodayOnly},
      {"ReprocessingWithoutDepartment", [](Session& w) { kReprocessable(w), w.m.bas.intdepartmentid = 0; },
       [](Session& w) {
         w.Reprocess([](frmReprocessing& s) {
           t::Click(s, "optAuto"), t::ChooseData(s, "cboCustomer", 1), t::Click(s, "cmdReProcess"), t::Click(s, "cmdOk");
         });
       },
       [](Session& w) {
         EXPECT_EQ(w.Reprocessing().cboPrrocNo.ListCount(), 0);
         EXPECT_EQ(w.m.host.Messages().size(), 2u);
         EXPECT_EQ(w.m.host.LastMessage(), "Select Department .");
       }},
      {"LineEditorEditAndDeleteWithNoLineSelected", kReprocessable,
       [](Session& w) {
         w.Reprocess([&](frmReprocessing& s) {
           t::Click(s, "optMan"), t::ChooseData(s, "cboCustomer", 1), t::ChooseData(s, "cboPrrocNo", 1);
           w.m.host.OnShow("frmReProcessingPopUp", [](Form& d) {
             for (const char* rental : {"1000", "2000"}) {  // lines added leave none selected
               t::Paste(d, "dtpPeriod", "2024-06-15"), t::Paste(d, "txtRentalAmount", rental);
               t::Paste(d, "cboBankName", "Sampath Bank"), t::Paste(d, "txtchequeno", rental);
               t::Paste(d, "txtAmount", rental), t::Click(d, "cmdOk");
             }
           });
           for (const char* item : {"mnuAdd", "mnuEdit", "mnuDelete"})
             w.m.host.ChooseMenu(item), s.Dispatch({.control = "lvwReProcessing", .type = "mousedown", .button = 2});
         });
       },
       [](Session& w) {
         EXPECT_EQ(w.Reprocessing().lvwReProcessing.Count(), 2);
         EXPECT_EQ(std::count(w.m.host.Shown().begin(), w.m.host.Shown().end(), "frmReProcessingPopUp"), 1);
       }}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = c.name;
    // An empty text in a whole-number column is something only SQLite can hold.
    if (name == "LookBackEmpty" && t::OnPostgres()) continue;
    Session w;
    c.setup(w);
    EXPECT_NO_THROW(c.events(w));
    c.expect(w);
    EXPECT_TRUE(name.find("ReportError") != name.npos || w.Count("hpErrorLog", "1=1") == 0);
  }
}

}  // namespace
}  // namespace hp::reg::test
