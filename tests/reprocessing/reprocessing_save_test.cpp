// Storing a re-processing: what the rows hold, all or nothing, and two users
// at once.
#include <gtest/gtest.h>

#include "platform/forms/flex_grid.h"
#include "reprocessing/reprocessing_records.h"
#include "reprocessing_fixture.h"
#include "support/database.h"

namespace hp::reprocessing {
namespace {

using namespace fixture;

// The register's grid, refreshed by a save from the register's own query.
struct Register : forms::Form {
  explicit Register(testing::Module& m) : Form(m.host, "FrmMaster"), flexMaster(*this, "flexMaster") {
    flexMaster.SetCols(3);
    flexMaster.SetRows(2);
    m.bas.registerGrid = &flexMaster;
    m.bas.strSql = "select hphProcessingID, hphProcessingNo, hphAmended from aHpProcessingHeader where hphCompanyID=?";
    m.bas.strSqlParams = {std::int64_t{1}};
  }
  forms::FlexGrid flexMaster;
};

// Re-processes processing 1 into 10 rentals with cheques and presses OK.
void ReprocessAndSave(testing::Module& m, frmReprocessing& s) {
  Choose(s, "optAuto");
  Reprocess(m, s, "10");
  ASSERT_EQ(EnterCheques(m, s), 10);
  Paste(s, "txtRemarks", "fewer rentals");
  Click(s, "cmdOk");
}

TEST(ReprocessingSave, StoresTheNewScheduleAndAmendsTheOldProcessing) {
  testing::Module m;
  AddScenery(m);
  Register reg(m);
  WithScreen(m, [&](frmReprocessing& s) {
    ReprocessAndSave(m, s);
    EXPECT_FALSE(s.IsLoaded());
  });
  const ExpectedSchedule e = Expect(1.25, 12500, 10, 1500);
  db::Recordset h = m.con->Open("select * from aHpProcessingHeader where hphReferenceID=?", {std::int64_t{1}});
  ASSERT_EQ(h.RecordCount(), 1);
  const std::int64_t id = db::AsInt(h.Field("hphProcessingID"));
  EXPECT_EQ(id, 2);
  EXPECT_EQ(db::AsText(h.Field("hphProcessingNo")), "HP2");
  EXPECT_EQ(db::AsInt(h.Field("hphDepartmentID")), 10);
  EXPECT_EQ(db::AsText(h.Field("hphProcessingdate")).substr(0, 10), "2024-03-15");
  EXPECT_EQ(db::AsInt(h.Field("hphInvoiceID")), 1);
  EXPECT_EQ(db::AsInt(h.Field("hphNoOfRentals")), 10);
  EXPECT_DOUBLE_EQ(db::AsDouble(h.Field("hphRentalAmount")), 1500);
  EXPECT_DOUBLE_EQ(db::AsDouble(h.Field("hphbalance")), 12500);
  EXPECT_NEAR(db::AsDouble(h.Field("hphInterestRate")), Round2(e.rate * 100), 1e-9);
  EXPECT_NEAR(db::AsDouble(h.Field("hphAdjustmentAmount")), e.adjustment, 1e-9);
  EXPECT_EQ(db::AsText(h.Field("hphReprocessingType")), "A");
  EXPECT_EQ(db::AsText(h.Field("hphRemarks")), "fewer rentals");
  EXPECT_EQ(db::AsInt(h.Field("hphreprocessaftersettlement")), 0);
  EXPECT_FALSE(db::AsBool(h.Field("hphAmended")) || db::AsBool(h.Field("hphCancel")));
  EXPECT_EQ(db::AsText(h.Field("hphUserName")), "clerk");

  db::Recordset d =
      m.con->Open("select * from aHpProcessingDetail where hpdProcessingID=? and hpdCompanyID=? order by hpddetailID",
                  {id, std::int64_t{1}});
  ASSERT_EQ(d.RecordCount(), 10);
  text::Date due{2024, 1, 31};
  for (int i = 0; i < 10; ++i, d.MoveNext()) {
    SCOPED_TRACE("line " + std::to_string(i + 1));
    EXPECT_EQ(db::AsInt(d.Field("hpddetailID")), i + 1);
    EXPECT_EQ(db::AsText(d.Field("hpdChequeDate")).substr(0, 10), text::IsoDate(text::AddMonths(due, i + 1)));
    EXPECT_NEAR(db::AsDouble(d.Field("hpdCapital")), e.capital[i], 1e-9);
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdRental")), 1500);
    EXPECT_NEAR(db::AsDouble(d.Field("hpdInterest")), e.interest[i], 1e-9);
    EXPECT_NEAR(db::AsDouble(d.Field("hpdcapitalRepayment")), e.repayment[i], 1e-9);
    EXPECT_NEAR(db::AsDouble(d.Field("hpdCapitalBalance")), e.balance[i], 1e-9);
    EXPECT_EQ(db::AsText(d.Field("hpdBankName")), "Bank of Ceylon");
    EXPECT_EQ(db::AsText(d.Field("hpdChequeNo")), "Q" + std::to_string(i + 1));
    EXPECT_DOUBLE_EQ(db::AsDouble(d.Field("hpdAmount")), 1500);
    EXPECT_NEAR(db::AsDouble(d.Field("hpdInterestRate")), Round2(e.rate * 100), 1e-9);
    EXPECT_EQ(db::AsInt(d.Field("hpdPosted")), 0);
  }
  EXPECT_NEAR(e.balance.back(), 0, 0.05);  // the adjusted balance is repaid

  db::Recordset c = m.con->Open(
      "select * from ahpProcessingCashFlowDetail where hpcProcessingID=? and hpcComapnyID=? order by hpcdetailID",
      {id, std::int64_t{1}});
  ASSERT_EQ(c.RecordCount(), 10);
  for (int i = 0; i < 10; ++i, c.MoveNext()) {
    EXPECT_NEAR(db::AsDouble(c.Field("hpcDiscountFactor")), e.factor[i], 1e-12);
    EXPECT_DOUBLE_EQ(db::AsDouble(c.Field("hpcRental")), 1500);
    EXPECT_NEAR(db::AsDouble(c.Field("hpcDiscountCashFlow")), e.discounted[i], 1e-9);
  }

  EXPECT_EQ(testing::CountRows(*m.con, "aHpProcessingHeader", "hphProcessingID=? and hphAmended=1", {std::int64_t{1}}),
            1);
  db::Recordset a = m.con->Open("select * from hpAuditTrail");
  ASSERT_EQ(a.RecordCount(), 1);
  EXPECT_EQ(db::AsInt(a.Field("RecordID")), id);
  EXPECT_EQ(db::AsText(a.Field("RecordNo")), "HP2");
  EXPECT_EQ(db::AsText(a.Field("Action")), "N");
  EXPECT_EQ(db::AsText(a.Field("ScreenName")), "frmReprocessing");
  EXPECT_EQ(reg.flexMaster.TextMatrix(1, 0), "2");
  EXPECT_EQ(reg.flexMaster.TextMatrix(1, 1), "HP2");
}

TEST(ReprocessingSave, NumbersByTheChosenDepartment) {
  testing::Module m;
  m.bas.intdepartmentid = 0;  // no department restriction: the user chooses
  testing::AddDepartment(*m.con, 20, 1, "Three Wheelers");
  testing::AddPrefix(*m.con, 20, 1, "RP");
  AddScenery(m, Reprocessable{.department = 20});
  WithScreen(m, [&](frmReprocessing& s) {
    EXPECT_TRUE(s.cbodepartment.Enabled);
    ChooseData(s, "cbodepartment", 20);
    ReprocessAndSave(m, s);
  });
  db::Recordset h = m.con->Open("select * from aHpProcessingHeader where hphReferenceID=?", {std::int64_t{1}});
  ASSERT_EQ(h.RecordCount(), 1);
  EXPECT_EQ(db::AsInt(h.Field("hphDepartmentID")), 20);
  EXPECT_EQ(db::AsText(h.Field("hphProcessingNo")), "RP1");
}

// Makes inserts into `table` matching `when` fail, on either backend.
void FailInserts(db::Connection& con, const std::string& table, const std::string& when) {
  if (testing::OnPostgres()) {
    con.Execute(
        "create function fail_insert() returns trigger language plpgsql as "
        "$$ begin raise exception 'disk full'; end $$");
    con.Execute("create trigger fail_insert before insert on " + table + " for each row when (" + when +
                ") execute function fail_insert()");
  } else {
    con.Execute("create trigger fail_insert before insert on " + table + " when " + when +
                " begin select raise(abort, 'disk full'); end");
  }
}

struct Failure {
  std::string name;
  std::function<void(testing::Module&)> arrange;
};
void PrintTo(const Failure& c, std::ostream* os) { *os << c.name; }

class FailingSave : public ::testing::TestWithParam<Failure> {};

TEST_P(FailingSave, LeavesEverythingAsItWas) {
  testing::Module m;
  AddScenery(m);
  Register reg(m);
  GetParam().arrange(m);
  auto count = [&](const char* table) { return testing::CountRows(*m.con, table); };
  const long headers = count("aHpProcessingHeader"), lines = count("aHpProcessingDetail"),
             flows = count("ahpProcessingCashFlowDetail"), audits = count("hpAuditTrail");
  WithScreen(m, [&](frmReprocessing& s) {
    ReprocessAndSave(m, s);
    EXPECT_TRUE(s.IsLoaded());
    EXPECT_EQ(m.host.LastMessage(), shell::kSaveFailed);
    EXPECT_EQ(s.lvwReProcessing.Count(), 10);  // the screen keeps its contents
  });
  EXPECT_EQ(count("aHpProcessingHeader"), headers);
  EXPECT_EQ(count("aHpProcessingDetail"), lines);
  EXPECT_EQ(count("ahpProcessingCashFlowDetail"), flows);
  EXPECT_EQ(count("hpAuditTrail"), audits);
  EXPECT_EQ(testing::CountRows(*m.con, "aHpProcessingHeader", "hphAmended=1"), 0);
  EXPECT_EQ(reg.flexMaster.TextMatrix(1, 0), "");  // the register shows nothing new
  EXPECT_GE(count("hpErrorLog"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Reprocessing, FailingSave,
    ::testing::Values(
        Failure{"RentalLine",
                [](testing::Module& m) { FailInserts(*m.con, "aHpProcessingDetail", "NEW.hpddetailID = 3"); }},
        Failure{"CashFlowLine",
                [](testing::Module& m) { FailInserts(*m.con, "ahpProcessingCashFlowDetail", "NEW.hpcdetailID = 7"); }},
        Failure{"AuditEntry", [](testing::Module& m) { m.bas.objAudit = std::make_unique<shell::clsOskendal>(); }},
        Failure{"Numbering",
                [](testing::Module& m) {
                  testing::ProcessingSpec cancelled;  // an unreadable number of the department and year
                  cancelled.id = 9;
                  cancelled.number = "HPX";
                  cancelled.cancel = 1;
                  testing::AddProcessing(*m.con, cancelled);
                }}),
    [](const auto& p) { return p.param.name; });

// One user's session on a shared database.
struct Session {
  explicit Session(const std::string& url) : con(testing::OpenTestDatabase(url)), bas(host, windows) {
    bas.adocon = con.get();
    bas.strMsgboxCaption = "HP";
    bas.intCompanyID = 1;
    bas.intdepartmentid = 10;
    bas.intuserid = 1;
    bas.intfinancialId = 1;
    bas.dtProcessDate = text::Date{2024, 3, 15};
    bas.intInterfaceID = testing::kInterface;
    bas.strUserName = "clerk";
    bas.strFunctionRights = "NED";
    bas.GStrMasterNewEditFlag = "N";
    bas.objDb = std::make_unique<shell::ClsCommonDb>();
    bas.objDb->adocon = con.get();
    bas.objGen = std::make_unique<shell::clsCommonGen>();
    bas.objAudit = std::make_unique<shell::clsOskendal>();
    bas.objAudit->OpenObject(con.get(), 1, 1, 10, testing::kInterface, text::Now());
    bas.objColour = std::make_unique<shell::clsPavlin>();
  }
  std::unique_ptr<db::Connection> con;
  forms::ScriptedHost host;
  testing::NoWindows windows;
  shell::BasModule bas;
};

// Prepares a re-processing of processing 1 on a session's screen, up to OK.
void Prepare(Session& u, frmReprocessing& s) {
  Choose(s, "optAuto");
  Paste(s, "txtNoRetals", "10");
  Key(s, "txtNoRetals", 13);
  u.host.Answer(MsgBoxResult::Yes);
  Click(s, "cmdReProcess");
  u.host.OnShow("frmReProcessingPopUp", [](forms::Form& d) {
    while (d.IsLoaded()) {
      Paste(d, "cboBankName", "Bank of Ceylon");
      Paste(d, "txtchequeno", "Q");
      Click(d, "cmdOk");
    }
  });
  DblClick(s, "lvwReProcessing", 0);
}

TEST(ReprocessingSave, OfTwoUsersReprocessingTheSameProcessingOnlyTheFirstSucceeds) {
  const std::string url = testing::TestDatabaseUrl();
  Session first(url), second(url);
  testing::StandardWorld(*first.con);
  AddScenery(*first.con);
  frmReprocessing a(first.bas), b(second.bas);
  first.host.OnShow("frmReprocessing", [&](forms::Form&) {
    Prepare(first, a);
    second.host.OnShow("frmReprocessing", [&](forms::Form&) {
      Prepare(second, b);  // both have the processing on screen, re-processed
      Click(a, "cmdOk");
      Click(b, "cmdOk");
      EXPECT_TRUE(b.IsLoaded());
      b.Tag.clear();
    });
    second.host.ShowModal(b);
  });
  first.host.ShowModal(a);
  EXPECT_FALSE(a.IsLoaded());
  EXPECT_EQ(second.host.LastMessage(), kAlreadyAmended);
  EXPECT_EQ(testing::CountRows(*first.con, "aHpProcessingHeader", "hphReferenceID=?", {std::int64_t{1}}), 1);
  EXPECT_EQ(testing::CountRows(*first.con, "aHpProcessingDetail"), 15 + 10);
  EXPECT_EQ(testing::CountRows(*first.con, "ahpProcessingCashFlowDetail"), 10);
  EXPECT_EQ(testing::CountRows(*first.con, "hpAuditTrail"), 1);
}

}  // namespace
}  // namespace hp::reprocessing
