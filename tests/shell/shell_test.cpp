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
using I = std::int64_t;

struct Screen : forms::Form {
  explicit Screen(forms::Host& h, std::string name = "frmScreen")
      : Form(h, std::move(name)), txt(*this, "txt"), cbo(*this, "cbo"), lvw(*this, "lvw"), grid(*this, "grid") {}
  forms::TextBox txt;
  forms::ComboBox cbo;
  forms::ListView lvw;
  forms::FlexGrid grid;
};

TEST(ReportError, ShortensTheNumberAndLogsItWithTheUserName) {
  const std::pair<long, long> cases[] = {{-2147217900, 17900}, {13, 13}, {123456, 23456}, {-5, -5}, {99999, 99999}};
  Module m;
  for (auto [n, logged] : cases) {
    m.bas.ReportError("frmProcessing", m.world.user, "cmdOk_Click", n, "src", "went wrong", "N", true);
    EXPECT_EQ(n, logged);
    db::Recordset rs = m.con->Open("select * from hpErrorLog order by ErrorID desc limit 1");
    EXPECT_EQ(db::AsInt(rs.Field("ErrorNumber")), logged);
    EXPECT_EQ(db::AsText(rs.Field("UserName")), "clerk");
    EXPECT_EQ(db::AsText(rs.Field("RoutineName")), "cmdOk_Click");
    EXPECT_EQ(db::AsText(rs.Field("Context")), "N");
  }
}

TEST(ReportError, NeverRaisesWhenTheDatabaseFailsUnderIt) {
  Module m;
  for (const char* drop : {"table hpErrorLog", "view lousers", "table hpUserLogin", "table aUsers"})
    m.con->Execute(std::string("drop ") + drop);
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
  for (const auto& [letter, held] : {std::pair{"N", true}, {"E", true}, {"D", false}, {"n", false}, {"", false}})
    EXPECT_EQ(m.bas.HasFunctionRight(letter), held) << "'" << letter << "'";
}

// On, before and after a freeze date are pinned by the register's Delete.
TEST(FreezeDate, WithoutAFreezeDateNothingIsFrozen) {
  Module m;
  if (!testing::OnPostgres()) {  // an empty text in a date column is something only SQLite can hold
    testing::SetFreezeDate(*m.con, std::string(""));
    EXPECT_FALSE(m.bas.IsInFrozenPeriod({2024, 1, 1}));
  }
  m.con->Execute("delete from MiscSettings");
  EXPECT_FALSE(m.bas.IsInFrozenPeriod({2024, 1, 1}));
}

TEST(TextValidateNum, CancelsKeysThatWouldMakeABadNumber) {
  const std::tuple<std::string, char, int, bool> cases[] = {  // text, key, decimals (12 whole), passes
      {"12", '3', 2, true},   {"12", 'a', 2, false},           {"12", '.', 2, true},  {"1.2", '.', 2, false},
      {"1.23", '4', 2, false}, {"1.2", '3', 2, true},          {"12", '.', -1, false},
      {"123456789012", '3', 2, false}, {"", '-', 2, false},   {"12", '\b', 2, true}, {"12", '\r', 2, true}};
  Module m;
  Screen s(m.host);
  for (const auto& [text, ch, decimals, passes] : cases) {
    s.txt.SetText(text);
    s.txt.SelStart = static_cast<int>(text.size());
    s.txt.SelLength = 0;
    int key = static_cast<unsigned char>(ch);
    m.bas.objGen->TextValidateNum(s.txt, key, 12, decimals);
    EXPECT_EQ(key != 0, passes) << text << " + " << ch;
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
  EXPECT_EQ(db::AsText(db.fnreturnfield("hpCustName", "hpCustID=?", {I{1}})), "O'Brien");
  db.SetTable("losHpCustomerDetails");
  EXPECT_TRUE(db::IsNull(db.fnreturnfield("hpCustName", "hpCustName=?", {std::string("x' or '1'='1")})));
  EXPECT_EQ(db::AsInt(db.fnreturnfield("count(*)", "HPVerified=?", {I{1}})), 2);
  EXPECT_EQ(db.fnGetNextMaxNo("hpCustID"), 4);

  Screen s(m.host);
  db.SetTable("losHpCustomerDetails");
  db.populateComboOrList(s.cbo, "distinct(hpCustID)", "hpCustName", "HPVerified=? order by hpCustName", {I{1}});
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
                               {I{57}, std::string("HP57"), std::string("D"), I{1}}),
            1);
}

TEST(UpdateEditedRow, AddsOrRewritesTheRowFromTheRegistersQuery) {
  Module m;
  testing::AddCustomer(*m.con, {.id = 1, .name = "Anne"});
  testing::AddInvoice(*m.con, {.id = 1, .number = "INV1"});
  for (int id : {7, 8})
    testing::AddProcessing(*m.con, {.id = id, .number = "HP" + std::to_string(id),
                                    .lines = testing::Lines(2, "2024-02-29", 5000)});
  Screen s(m.host);
  s.grid.SetCols(3);
  s.grid.SetRows(2);
  m.bas.registerGrid = &s.grid;
  m.bas.strSql = "select hphProcessingID, hphProcessingNo, hphCancel from aHpProcessingHeader where hphCompanyID=? "
                 "order by hphProcessingdate";
  m.bas.strSqlParams = {I{m.world.company}};
  auto update = [&](const char* flag, int id) {
    m.bas.GStrMasterNewEditFlag = flag;
    return m.bas.UpdateEditedRow(" hphProcessingID=?", {I{id}}, id);
  };
  // The only, empty row is filled rather than a second added.
  EXPECT_TRUE(update("N", 7));
  EXPECT_EQ(s.grid.Rows(), 2);
  EXPECT_EQ(s.grid.TextMatrix(1, 1), "HP7");
  EXPECT_TRUE(update("N", 8));
  EXPECT_EQ(s.grid.Rows(), 3);
  EXPECT_EQ(s.grid.TextMatrix(2, 0), "8");
  EXPECT_EQ(s.grid.Row, 2);
  // Edit rewrites the current row whichever processing it shows; column 0 stays.
  m.con->Execute("update aHpProcessingHeader set hphCancel=1 where hphProcessingID=7");
  s.grid.Row = 1;
  EXPECT_TRUE(update("E", 7));
  EXPECT_EQ(s.grid.TextMatrix(1, 2), "1");
  EXPECT_EQ(s.grid.TextMatrix(1, 0), "7");
  EXPECT_FALSE(update("E", 99)) << "not found by the query";
  EXPECT_EQ(s.grid.Rows(), 3);
  // A query without "where" gets one.
  m.bas.strSql = "select hphProcessingID, hphProcessingNo, hphCancel from aHpProcessingHeader";
  m.bas.strSqlParams = {};
  EXPECT_TRUE(update("N", 8));
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
  // Enter on an option goes to its key handler or else to the default button.
  const std::tuple<const char*, const char*, std::vector<std::string>> cases[] = {  // clicked, Enter on, made
      {"cmdOK", nullptr, {"frmProcessing"}},
      {nullptr, "optProcessing", {"frmProcessing"}},
      {"optReProcessing", "optReProcessing", {"frmReprocessing"}},
      {"optAfterSettlement", "optAfterSettlement", {"frmReprocessingAfterSettlemt"}},
      {"cmdClose", nullptr, {}}};
  for (const auto& [clicked, entered, made] : cases) {
    Windows windows;
    Module m(testing::World{}, &windows);
    windows.host = &m.host;
    m.host.OnShow("frmSelection", [&](forms::Form& f) {
      if (clicked) testing::Click(f, clicked);
      if (entered) testing::Key(f, entered, 13);
    });
    for (const char* screen : {"frmProcessing", "frmReprocessing", "frmReprocessingAfterSettlemt"})
      m.host.OnShow(screen, [](forms::Form&) {});
    frmSelection dialog(m.bas);
    m.host.ShowModal(dialog);
    EXPECT_EQ(windows.made, made) << (clicked ? clicked : entered);
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
