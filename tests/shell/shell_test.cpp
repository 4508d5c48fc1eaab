// The session routines and shared services as the windows call them.
#include <gtest/gtest.h>

#include "platform/forms/basic_controls.h"
#include "platform/forms/list_view.h"
#include "shell/cls_hp_processing.h"
#include "shell/frm_selection.h"
#include "support/database.h"
#include "support/module.h"
#include "support/records.h"
#include "support/ui.h"

namespace hp::shell {
namespace {

using testing::Module;

struct Screen : forms::Form {
  explicit Screen(forms::Host& h, std::string name = "frmScreen")
      : Form(h, std::move(name)), txt(*this, "txt"), cbo(*this, "cbo"), lvw(*this, "lvw"), grid(*this, "grid") {}
  forms::TextBox txt;
  forms::ComboBox cbo;
  forms::ListView lvw;
  forms::FlexGrid grid;
};

TEST(ReportError, ShortensTheNumberAndLogsItWithTheUserName) {
  struct Case {
    long number, logged;
  } cases[] = {{-2147217900, 17900}, {13, 13}, {123456, 23456}, {-5, -5}, {99999, 99999}};
  Module m;
  for (const auto& c : cases) {
    long n = c.number;
    m.bas.ReportError("frmProcessing", m.world.user, "cmdOk_Click", n, "src", "went wrong", "N", true);
    EXPECT_EQ(n, c.logged);
    db::Recordset rs = m.con->Open("select * from hpErrorLog order by ErrorID desc limit 1");
    EXPECT_EQ(db::AsInt(rs.Field("ErrorNumber")), c.logged);
    EXPECT_EQ(db::AsText(rs.Field("UserName")), "clerk");
    EXPECT_EQ(db::AsText(rs.Field("RoutineName")), "cmdOk_Click");
    EXPECT_EQ(db::AsText(rs.Field("Context")), "N");
  }
}

TEST(ReportError, NeverRaisesWhenTheDatabaseFailsUnderIt) {
  Module m;
  m.con->Execute("drop table hpErrorLog");
  m.con->Execute("drop view lousers");
  m.con->Execute("drop table hpUserLogin");
  m.con->Execute("drop table aUsers");
  long n = 5;
  EXPECT_NO_THROW(m.bas.ReportError("FrmMaster", 1, "Form_Load ", n, "src", "boom", "", true));
  m.bas.adocon = nullptr;
  EXPECT_NO_THROW(m.bas.ReportError("FrmMaster", 1, "Form_Load ", n, "src", "boom", "", true));
}

TEST(Trap, ReportsAndEndsTheHandlerButLetsScriptFailuresThrough) {
  Module m;
  Screen s(m.host);
  bool after = false;
  EXPECT_FALSE(m.bas.Trap(s, "cmdProcess_Click", "N", [&] {
    throw db::DbError("no such table", 1);
    after = true;
  }));
  EXPECT_FALSE(after);
  EXPECT_EQ(testing::CountRows(*m.con, "hpErrorLog", "ScreenName=? and RoutineName=?",
                               {std::string("frmScreen"), std::string("cmdProcess_Click")}),
            1);
  EXPECT_THROW(m.bas.Trap(s, "x", "", [] { throw forms::ScriptError("unscripted"); }), forms::ScriptError);
  EXPECT_TRUE(m.bas.Trap(s, "x", "", [] {}));
}

TEST(Rights, LettersAreCaseSensitive) {
  Module m;
  m.bas.strFunctionRights = "NE";
  EXPECT_TRUE(m.bas.HasFunctionRight("N"));
  EXPECT_TRUE(m.bas.HasFunctionRight("E"));
  EXPECT_FALSE(m.bas.HasFunctionRight("D"));
  EXPECT_FALSE(m.bas.HasFunctionRight("n"));
  EXPECT_FALSE(m.bas.HasFunctionRight(""));
}

TEST(FreezeDate, ADateOnOrBeforeTheFreezeDateIsFrozen) {
  struct Case {
    std::optional<std::string> freeze;
    text::Date date;
    bool frozen;
  } cases[] = {
      {std::nullopt, {2024, 1, 1}, false},      {std::string(""), {2024, 1, 1}, false},
      {"2024-01-31", {2024, 1, 31}, true},      {"2024-01-31", {2024, 1, 30}, true},
      {"2024-01-31", {2024, 2, 1}, false},
  };
  Module m;
  for (const auto& c : cases) {
    // An empty text in a date column is something only SQLite can hold.
    if (c.freeze && c.freeze->empty() && testing::OnPostgres()) continue;
    testing::SetFreezeDate(*m.con, c.freeze);
    EXPECT_EQ(m.bas.IsInFrozenPeriod(c.date), c.frozen) << c.freeze.value_or("null");
  }
  m.con->Execute("delete from MiscSettings");
  EXPECT_FALSE(m.bas.IsInFrozenPeriod({2024, 1, 1}));
}

TEST(TextValidateNum, CancelsKeysThatWouldMakeABadNumber) {
  struct Case {
    std::string text;
    char key;
    int whole, decimals;
    bool passes;
  } cases[] = {
      {"12", '3', 12, 2, true},  {"12", 'a', 12, 2, false},           {"12", '.', 12, 2, true},
      {"1.2", '.', 12, 2, false}, {"1.23", '4', 12, 2, false},        {"1.2", '3', 12, 2, true},
      {"12", '.', 12, -1, false}, {"123456789012", '3', 12, 2, false}, {"", '-', 12, 2, false},
      {"12", '\b', 12, 2, true},  {"12", '\r', 12, 2, true},
  };
  Module m;
  Screen s(m.host);
  for (const auto& c : cases) {
    s.txt.SetText(c.text);
    s.txt.SelStart = static_cast<int>(c.text.size());
    s.txt.SelLength = 0;
    int key = static_cast<unsigned char>(c.key);
    m.bas.objGen->TextValidateNum(s.txt, key, c.whole, c.decimals);
    EXPECT_EQ(key != 0, c.passes) << c.text << " + " << c.key;
  }
}

TEST(CommonDb, LooksUpFieldsWithBoundConditionsAndOrder) {
  Module m;
  testing::AddCustomer(*m.con, {.id = 1, .name = "O'Brien"});
  testing::AddCustomer(*m.con, {.id = 2, .name = "Anne"});
  testing::AddCustomer(*m.con, {.id = 3, .name = "Zed", .verified = false});
  ClsCommonDb& db = *m.bas.objDb;
  db.SetTable("losHpCustomerDetails where HPVerified=1 order by hpCustName ");
  EXPECT_EQ(db::AsText(db.fnreturnfield("hpCustName")), "Anne");
  EXPECT_EQ(db::AsText(db.fnreturnfield("hpCustName", "hpCustID=?", {std::int64_t{1}})), "O'Brien");
  db.SetTable("losHpCustomerDetails");
  EXPECT_TRUE(db::IsNull(db.fnreturnfield("hpCustName", "hpCustName=?", {std::string("x' or '1'='1")})));
  EXPECT_EQ(db::AsInt(db.fnreturnfield("count(*)", "HPVerified=?", {std::int64_t{1}})), 2);
  EXPECT_EQ(db.fnGetNextMaxNo("hpCustID"), 4);

  Screen s(m.host);
  db.SetTable("losHpCustomerDetails");
  db.populateComboOrList(s.cbo, "distinct(hpCustID)", "hpCustName", "HPVerified=? order by hpCustName",
                         {std::int64_t{1}});
  ASSERT_EQ(s.cbo.ListCount(), 2);
  EXPECT_EQ(s.cbo.List(0), "Anne");
  EXPECT_EQ(s.cbo.ItemData(1), 1);
}

TEST(CommonDb, DeletingAListLineNumbersTheRestAgain) {
  Module m;
  Screen s(m.host);
  for (int i = 1; i <= 4; ++i) s.lvw.Add(std::to_string(i));
  s.lvw.Select(1);
  m.bas.objDb->fnDeleteListview(true, s.lvw, true);
  ASSERT_EQ(s.lvw.Count(), 3);
  EXPECT_EQ(s.lvw.Item(1).text, "2");
  EXPECT_EQ(s.lvw.Item(2).text, "3");
  s.lvw.Select(-1);
  m.bas.objDb->fnDeleteListview(true, s.lvw, true);
  EXPECT_EQ(s.lvw.Count(), 3);
}

TEST(Audit, RemembersAWindowAndTellsWhenItChanged) {
  Module m;
  Screen s(m.host);
  clsOskendal& audit = *m.bas.objAudit;
  EXPECT_FALSE(audit.DataChanged(s));
  s.txt.SetText("a");
  audit.SaveInToTag(s);
  EXPECT_FALSE(audit.DataChanged(s));
  s.lvw.Add("1");
  EXPECT_TRUE(audit.DataChanged(s));
  audit.SaveOskendalInfo(57, "HP57", true, "D", &s);
  EXPECT_EQ(testing::CountRows(*m.con, "hpAuditTrail", "RecordID=? and RecordNo=? and Action=? and UserID=?",
                               {std::int64_t{57}, std::string("HP57"), std::string("D"), std::int64_t{1}}),
            1);
}

// The register's own query, as the register keeps it.
void UseRegisterQuery(Module& m, const char* sql) {
  m.bas.strSql = sql;
  m.bas.strSqlParams = {std::int64_t{m.world.company}};
}

TEST(UpdateEditedRow, AddsOrRewritesTheRowFromTheRegistersQuery) {
  Module m;
  testing::AddCustomer(*m.con, {.id = 1, .name = "Anne"});
  testing::AddInvoice(*m.con, {.id = 1, .number = "INV1"});
  testing::AddProcessing(*m.con, {.id = 7, .number = "HP7", .lines = testing::Lines(2, "2024-02-29", 5000)});
  testing::AddProcessing(*m.con, {.id = 8, .number = "HP8", .lines = testing::Lines(2, "2024-02-29", 5000)});
  Screen s(m.host);
  s.grid.SetCols(3);
  s.grid.SetRows(2);
  m.bas.registerGrid = &s.grid;
  const char* with_order =
      "select hphProcessingID, hphProcessingNo, hphCancel from aHpProcessingHeader where hphCompanyID=? "
      "order by hphProcessingdate";
  UseRegisterQuery(m, with_order);
  m.bas.GStrMasterNewEditFlag = "N";
  // The only, empty row is filled rather than a second added.
  EXPECT_TRUE(m.bas.UpdateEditedRow(" hphProcessingID=?", {std::int64_t{7}}, 7));
  EXPECT_EQ(s.grid.Rows(), 2);
  EXPECT_EQ(s.grid.TextMatrix(1, 1), "HP7");
  EXPECT_TRUE(m.bas.UpdateEditedRow(" hphProcessingID=?", {std::int64_t{8}}, 8));
  EXPECT_EQ(s.grid.Rows(), 3);
  EXPECT_EQ(s.grid.TextMatrix(2, 0), "8");
  EXPECT_EQ(s.grid.Row, 2);
  // Edit rewrites the current row whichever processing it shows; column 0 stays.
  m.con->Execute("update aHpProcessingHeader set hphCancel=1 where hphProcessingID=7");
  m.bas.GStrMasterNewEditFlag = "E";
  s.grid.Row = 1;
  EXPECT_TRUE(m.bas.UpdateEditedRow(" hphProcessingID=?", {std::int64_t{7}}, 7));
  EXPECT_EQ(s.grid.TextMatrix(1, 2), "1");
  EXPECT_EQ(s.grid.TextMatrix(1, 0), "7");
  // Not found by the query: the grid stays as it is.
  EXPECT_FALSE(m.bas.UpdateEditedRow(" hphProcessingID=?", {std::int64_t{99}}, 99));
  EXPECT_EQ(s.grid.Rows(), 3);
  // A query without "where" gets one.
  m.bas.strSql = "select hphProcessingID, hphProcessingNo, hphCancel from aHpProcessingHeader";
  m.bas.strSqlParams = {};
  m.bas.GStrMasterNewEditFlag = "N";
  EXPECT_TRUE(m.bas.UpdateEditedRow(" hphProcessingID=?", {std::int64_t{8}}, 8));
  EXPECT_EQ(s.grid.Rows(), 4);
}

// Opens the processing screen as a window of its own, to see which one the
// selection dialog chose.
struct Windows : WindowFactory {
  forms::Host* host = nullptr;
  std::vector<std::string> made;
  std::unique_ptr<forms::Form> Make(const char* name) {
    made.push_back(name);
    return std::make_unique<Screen>(*host, name);
  }
  std::unique_ptr<forms::Form> MakeRegister(BasModule&) override { return Make("FrmMaster"); }
  std::unique_ptr<forms::Form> MakeProcessing(BasModule&) override { return Make("frmProcessing"); }
  std::unique_ptr<forms::Form> MakeReprocessing(BasModule&) override { return Make("frmReprocessing"); }
  std::unique_ptr<forms::Form> MakeAfterSettlement(BasModule&) override { return Make("frmReprocessingAfterSettlemt"); }
};

TEST(SelectionDialog, OpensTheChosenScreenOrNothing) {
  struct Case {
    std::function<void(forms::Form&)> drive;
    std::vector<std::string> made;
  } cases[] = {
      {[](forms::Form& f) { testing::Click(f, "cmdOK"); }, {"frmProcessing"}},
      {[](forms::Form& f) { testing::Key(f, "optProcessing", 13); }, {"frmProcessing"}},
      {[](forms::Form& f) {
         testing::Click(f, "optReProcessing");
         testing::Key(f, "optReProcessing", 13);
       },
       {"frmReprocessing"}},
      {[](forms::Form& f) {
         testing::Click(f, "optAfterSettlement");
         testing::Key(f, "optAfterSettlement", 13);  // no key handler: the default button
       },
       {"frmReprocessingAfterSettlemt"}},
      {[](forms::Form& f) { testing::Click(f, "cmdClose"); }, {}},
  };
  for (auto& c : cases) {
    Windows windows;
    Module m(testing::World{}, &windows);
    windows.host = &m.host;
    m.host.OnShow("frmSelection", c.drive);
    for (const char* screen : {"frmProcessing", "frmReprocessing", "frmReprocessingAfterSettlemt"})
      m.host.OnShow(screen, [](forms::Form&) {});
    frmSelection dialog(m.bas);
    m.host.ShowModal(dialog);
    EXPECT_EQ(windows.made, c.made);
  }
}

TEST(Show, ASecondShowTakesTheNewPropertiesAndReusesTheRest) {
  Windows windows;
  Module m(testing::World{}, &windows);
  windows.host = &m.host;
  m.host.OnShow("FrmMaster", [](forms::Form&) {});
  clsHPProcessing module(m.host, windows);
  module.adocon = m.con.get();
  module.intCompanyID = 1;
  module.intdepartmentid = 10;
  module.strMsgboxCaption = "HP";
  module.Show();
  module.Module().strFunctionRights = "NED";
  module.intCompanyID = 2;
  module.intdepartmentid = 0;
  module.Show();
  EXPECT_EQ(module.Module().intCompanyID, 2);
  EXPECT_EQ(module.Module().intdepartmentid, 0);
  EXPECT_EQ(module.Module().strFunctionRights, "NED");
  EXPECT_EQ(windows.made, (std::vector<std::string>{"FrmMaster", "FrmMaster"}));
}

}  // namespace
}  // namespace hp::shell
